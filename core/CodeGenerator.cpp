#include "CodeGenerator.h"

#include "AsciiText.h"
#include "CharacterEncoders.h"
#include "MarkupScanner.h"
#include "OccurrenceSearch.h"
#include "SizedString.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <vector>

namespace quillveil {

namespace {

constexpr std::string_view HrefKey = "href=";
constexpr std::string_view TextEmptyMessage = "Text field is empty";

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

/// Position of the first "href=" in any letter case, or npos.
std::size_t FindHrefKey(std::string_view link)
{
    for (std::size_t pos = 0; pos + HrefKey.size() <= link.size(); ++pos) {
        std::size_t i = 0;
        while (i < HrefKey.size() && ToAsciiLower(link[pos + i]) == HrefKey[i])
            ++i;
        if (i == HrefKey.size())
            return pos;
    }
    return std::string_view::npos;
}

/// The attribute value at the start of `rest` (the trimmed text after "href="), or empty when
/// it has no end. A quoted value runs to its closing quote of the same kind; an unquoted one
/// ends at white space or ">", as HTML reads it.
std::string_view CutAttributeValue(std::string_view rest)
{
    if (rest.empty())
        return {};
    const char first = rest.front();
    if (first == '"' || first == '\'') {
        const std::size_t close = rest.find(first, 1);
        return close == std::string_view::npos ? std::string_view{} : rest.substr(1, close - 1);
    }
    const auto end =
        std::find_if(rest.begin(), rest.end(), [](char c) { return IsAsciiSpace(c) || c == '>'; });
    return end == rest.end() ? std::string_view{}
                             : rest.substr(0, static_cast<std::size_t>(end - rest.begin()));
}

/// The value written as character references, except for the references it already holds:
/// "&amp;" in a URL stands for "&", and writing its own "&" as "&#38;" would turn it into
/// the five characters "&amp;" and break the link.
std::string EncodeValue(std::string_view value)
{
    std::string encoded;
    std::size_t runStart = 0;
    for (std::size_t pos = 0; pos < value.size();) {
        const std::size_t reference = CharacterReferenceLength(value, pos);
        if (reference == 0) {
            ++pos;
            continue;
        }
        encoded += EncodeEntities(value.substr(runStart, pos - runStart));
        encoded += value.substr(pos, reference);
        pos += reference;
        runStart = pos;
    }
    if (runStart == 0)
        return EncodeEntities(value);
    encoded += EncodeEntities(value.substr(runStart));
    return encoded;
}

/// Start positions of the occurrences of `value` to replace: from left to right, without
/// overlap, each lying wholly within one text between tags or one attribute value, and
/// neither starting nor ending inside a character reference. Occurrences that touch the
/// markup (tag or attribute names, "=", quotes, "<", "/", ">") stay, so the element stays
/// well-formed.
std::vector<std::size_t> FindReplaceableOccurrences(std::string_view link, std::string_view value)
{
    const std::vector<ByteRole> roles = ClassifyMarkup(link);
    std::vector<std::size_t> starts;
    std::size_t takenUntil = 0;
    std::size_t nextMarkup = 0; // first Markup byte at or after the current start
    ForEachOccurrence(link, value, [&](std::size_t start) {
        const std::size_t end = start + value.size();
        if (start < takenUntil || roles[start] != ByteRole::ContentStart)
            return;
        if (end < link.size() && roles[end] == ByteRole::ContentInside)
            return;
        // Starts only grow, so this pointer crosses the link once in all.
        nextMarkup = std::max(nextMarkup, start);
        while (nextMarkup < link.size() && roles[nextMarkup] != ByteRole::Markup)
            ++nextMarkup;
        if (nextMarkup < end)
            return;
        starts.push_back(start);
        takenUntil = end;
    });
    return starts;
}

std::string ReplaceOccurrences(std::string_view link, std::size_t valueSize,
                               const std::vector<std::size_t>& starts, std::string_view encoded)
{
    const std::size_t size =
        link.size() - starts.size() * valueSize + starts.size() * encoded.size();
    return MakeSizedString(size, [&](char* out) {
        std::size_t copied = 0;
        for (std::size_t start : starts) {
            out = std::copy(link.data() + copied, link.data() + start, out);
            out = std::copy(encoded.begin(), encoded.end(), out);
            copied = start + valueSize;
        }
        std::copy(link.data() + copied, link.data() + link.size(), out);
    });
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
        return GenerateResult::Warning("E-mail User field is empty", EncoderField::User);
    const std::string_view domain = TrimAsciiSpace(form.domain);
    if (domain.empty())
        return GenerateResult::Warning("E-mail Domain field is empty", EncoderField::Domain);
    const std::string_view name = TrimAsciiSpace(form.displayName);
    if (name.empty())
        return GenerateResult::Warning("E-mail Display Name field is empty",
                                       EncoderField::DisplayName);

    const std::string_view subject = TrimAsciiSpace(form.subject);
    const std::string query =
        subject.empty() ? std::string() : Concat({"?subject=", PercentEncodeSubject(subject)});
    const std::string address = EncodeEntities(Concat({"mailto:", user, "@", domain, query}));
    return GenerateResult::Code(
        Concat({"<a href=\"", address, "\">", EncodeEntities(name), "</a>"}));
}

GenerateResult GenerateLinkCode(const EncoderForm& form)
{
    const std::string_view link = TrimAsciiSpace(form.link);
    if (link.empty())
        return GenerateResult::Warning("Link field is empty", EncoderField::Link);
    const std::size_t key = FindHrefKey(link);
    if (key == std::string_view::npos)
        return GenerateResult::Warning("Invalid link, please specify 'href' attribute",
                                       EncoderField::Link);

    const std::string_view value =
        CutAttributeValue(TrimAsciiSpace(link.substr(key + HrefKey.size())));
    if (value.empty())
        return GenerateResult::Code(std::string(link));
    const std::vector<std::size_t> starts = FindReplaceableOccurrences(link, value);
    return GenerateResult::Code(ReplaceOccurrences(link, value.size(), starts, EncodeValue(value)));
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
