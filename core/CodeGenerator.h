#pragma once

#include "EncoderTypes.h"
#include "Translatable.h"

#include <functional>
#include <optional>
#include <string_view>

namespace quillveil {

/// Link mode's warning for an anchor the HTML parser fails on. The parser aborts the process it
/// runs in on such markup, so this comes from whoever runs link mode in a process apart.
inline constexpr std::string_view UnreadableLinkMessage =
    Translatable("Invalid link, it cannot be read as HTML");

/// Generates the protected HTML for the given mode from the form's texts,
/// or the first warning that stops it.
GenerateResult GenerateCode(EncoderMode mode, const EncoderForm& form);

/// An encoded mailto anchor from user, domain, display name and subject.
GenerateResult GenerateEmailCode(const EncoderForm& form);
/// The pasted anchor element with the value of its first href encoded.
GenerateResult GenerateLinkCode(const EncoderForm& form);
/// The whole text as character references.
GenerateResult GenerateTextCode(const EncoderForm& form);

/// GenerateCode for callers that pass the code on rather than keep it (the command-line
/// encoder): hands the code to `sink` in consecutive pieces, so a large text's code never
/// has to exist whole in memory; `sink` returns false to stop early. Returns the warning
/// instead when there is one, and then never calls `sink`.
std::optional<GenerateWarning>
GenerateCodeInPieces(EncoderMode mode, const EncoderForm& form,
                     const std::function<bool(std::string_view piece)>& sink);

} // namespace quillveil
