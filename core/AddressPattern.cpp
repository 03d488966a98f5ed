#include "AddressPattern.h"

#include "AsciiText.h"

#include <array>

namespace quillveil {

namespace {

bool IsLocalPartByte(char c)
{
    static constexpr std::string_view others = "!#$%&'*+/=?^_`{|}~.-";
    return IsAsciiLetter(c) || IsAsciiDigit(c) || others.find(c) != std::string_view::npos;
}

bool IsLabelByte(char c)
{
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '-';
}

bool IsImageFormat(std::string_view label)
{
    static constexpr std::array<std::string_view, 11> formats = {
        "png", "jpg", "jpeg", "gif", "svg", "webp", "avif", "bmp", "ico", "tif", "tiff"};
    if (label.size() > 4)
        return false;
    char lower[4];
    for (std::size_t i = 0; i < label.size(); ++i)
        lower[i] = ToAsciiLower(label[i]);
    const std::string_view name(lower, label.size());
    for (std::string_view format : formats)
        if (name == format)
            return true;
    return false;
}

bool IsPunycodeLabel(std::string_view label)
{
    return label.size() > 4 && ToAsciiLower(label[0]) == 'x' && ToAsciiLower(label[1]) == 'n' &&
           label.substr(2, 2) == "--" && label.back() != '-';
}

/// The end of the domain that starts at `begin`, or `begin` when none does.
std::size_t DomainEnd(std::string_view text, std::size_t begin)
{
    std::size_t end = begin; // of the longest domain found so far
    std::size_t topLevelBegin = begin;
    for (std::size_t pos = begin, labels = 0;; ++labels) {
        const std::size_t labelBegin = pos;
        while (pos < text.size() && IsLabelByte(text[pos]))
            ++pos;
        if (pos == labelBegin || text[labelBegin] == '-')
            break; // no label: two dots, a dot at the end, a leading hyphen
        const std::string_view label = text.substr(labelBegin, pos - labelBegin);
        if (labels >= 1) {
            // A top-level label: the letters this one starts with, or all of an "xn--" one.
            std::size_t letters = 0;
            while (letters < label.size() && IsAsciiLetter(label[letters]))
                ++letters;
            if (IsPunycodeLabel(label))
                letters = label.size();
            if (letters >= 2) {
                end = labelBegin + letters;
                topLevelBegin = labelBegin;
            }
        }
        // Only a whole label, without a hyphen at its end, goes on to the next.
        if (label.back() == '-' || pos + 1 >= text.size() || text[pos] != '.')
            break;
        ++pos;
    }
    if (end == begin || IsImageFormat(text.substr(topLevelBegin, end - topLevelBegin)))
        return begin;
    return end;
}

} // namespace

bool IsAddressByte(char c)
{
    return c == '@' || IsLocalPartByte(c);
}

bool IsMailtoAt(std::string_view text, std::size_t colon)
{
    if (colon < 6 || colon >= text.size() || text[colon] != ':')
        return false;
    static constexpr std::string_view mailto = "mailto";
    for (std::size_t i = 0; i < 6; ++i)
        if (ToAsciiLower(text[colon - 6 + i]) != mailto[i])
            return false;
    return true;
}

AddressMatch AddressAround(std::string_view text, std::size_t at)
{
    std::size_t begin = at;
    while (begin > 0 && IsLocalPartByte(text[begin - 1]))
        --begin;
    while (begin < at && text[begin] == '.')
        ++begin;
    if (begin == at)
        return {at, at};
    const std::size_t end = DomainEnd(text, at + 1);
    if (end == at + 1)
        return {at, at};
    return {begin, end};
}

bool IsAddress(std::string_view text)
{
    const std::size_t at = text.rfind('@');
    if (at == std::string_view::npos)
        return false;
    const AddressMatch match = AddressAround(text, at);
    return match.begin == 0 && match.end == text.size();
}

bool MayHoldAddress(std::string_view text)
{
    // "@media" in a style and "logo@2x.png" in a srcset are on most pages; only an "@" with
    // an address around it counts.
    for (std::size_t at = text.find('@'); at != std::string_view::npos; at = text.find('@', at + 1))
        if (const AddressMatch match = AddressAround(text, at); match.begin != match.end)
            return true;
    for (std::size_t colon = text.find(':'); colon != std::string_view::npos;
         colon = text.find(':', colon + 1))
        if (IsMailtoAt(text, colon))
            return true;
    return false;
}

} // namespace quillveil
