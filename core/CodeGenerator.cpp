#include "CodeGenerator.h"

#include "AsciiText.h"
#include "CharacterEncoders.h"
#include "Translatable.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <vector>

namespace quillveil {

namespace {

constexpr std::string_view UserEmptyMessage = Translatable("E-mail User field is empty");
constexpr std::string_view DomainEmptyMessage = Translatable("E-mail Domain field is empty");
constexpr std::string_view NameEmptyMessage = Translatable("E-mail Display Name field is empty");
constexpr std::string_view TextEmptyMessage = Translatable("Text field is empty");

std::string Concat(std::initializer_list<std::string_view> pieces)
{
    std::size_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    std::string result;
    result.reserve(size);
    for (std::string_view piece : pieces)
        result.append(piece);
    return result;
}

} // namespace

GenerateResult GenerateCode(EncoderMode mode, const EncoderForm& form)
{
    switch (mode) {
    case EncoderMode::Email:
        return GenerateEmailCode(form);
    case EncoderMode::Link:
        return GenerateLinkCode(form);
    case EncoderMode::AnyText:
        return GenerateTextCode(form);
    }
    throw std::invalid_argument("GenerateCode: unknown EncoderMode");
}

GenerateResult GenerateEmailCode(const EncoderForm& form)
{
    const std::string_view user = TrimAsciiSpace(form.user);
    if (user.empty())
        return GenerateResult::Warning(std::string(UserEmptyMessage), EncoderField::User);
    const std::string_view domain = TrimAsciiSpace(form.domain);
    if (domain.empty())
        return GenerateResult::Warning(std::string(DomainEmptyMessage), EncoderField::Domain);
    const std::string_view name = TrimAsciiSpace(form.displayName);
    if (name.empty())
        return GenerateResult::Warning(std::string(NameEmptyMessage), EncoderField::DisplayName);

    const std::string_view subject = TrimAsciiSpace(form.subject);
    const std::string query =
        subject.empty() ? std::string() : Concat({"?subject=", PercentEncodeSubject(subject)});
    const std::string address = EncodeEntities(Concat({"mailto:", user, "@", domain, query}));
    return GenerateResult::Code(
        Concat({"<a href=\"", address, "\">", EncodeEntities(name), "</a>"}));
}

GenerateResult GenerateTextCode(const EncoderForm& form)
{
    const std::string_view text = TrimAsciiSpace(form.text);
    if (text.empty())
        return GenerateResult::Warning(std::string(TextEmptyMessage), EncoderField::Text);
    return GenerateResult::Code(EncodeEntities(text));
}

std::optional<GenerateWarning>
GenerateCodeInPieces(EncoderMode mode, const EncoderForm& form,
                     const std::function<bool(std::string_view piece)>& sink)
{
    if (mode != EncoderMode::AnyText) {
        const GenerateResult result = GenerateCode(mode, form);
        if (!result.IsCode())
            return result.GetWarning();
        sink(result.GetCode());
        return std::nullopt;
    }
    const std::string_view text = TrimAsciiSpace(form.text);
    if (text.empty())
        return GenerateWarning{std::string(TextEmptyMessage), EncoderField::Text};
    // Pieces whose code stays in the processor's cache: the text's code can be six times the
    // text, and writing it to fresh memory first, only to copy it out, costs more than the
    // encoding itself.
    constexpr std::size_t pieceSize = 64 * 1024;
    for (std::size_t pos = 0; pos < text.size(); pos += pieceSize)
        if (!sink(EncodeEntities(text.substr(pos, pieceSize))))
            break;
    return std::nullopt;
}

} // namespace quillveil
