#pragma once

#include "EncoderTypes.h"

namespace quillveil {

/// Generates the protected HTML for the given mode from the form's texts,
/// or the first warning that stops it.
GenerateResult GenerateCode(EncoderMode mode, const EncoderForm& form);

/// An encoded mailto anchor from user, domain, display name and subject.
GenerateResult GenerateEmailCode(const EncoderForm& form);
/// The pasted anchor element with the value of its first href encoded.
GenerateResult GenerateLinkCode(const EncoderForm& form);
/// The whole text as character references.
GenerateResult GenerateTextCode(const EncoderForm& form);

} // namespace quillveil
