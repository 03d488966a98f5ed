#include "CharacterReferences.h"

#include "AsciiText.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace quillveil {

namespace {

struct NamedReference {
    std::string_view name;
    char32_t first;
    char32_t second;
};

constexpr NamedReference NamedReferences[] = {
#include "NamedCharacterReferences.inc"
};

constexpr std::size_t LongestName = 32;

const NamedReference* FindName(std::string_view name)
{
    const auto found = std::lower_bound(
        std::begin(NamedReferences), std::end(NamedReferences), name,
        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    return found != std::end(NamedReferences) && found->name == name ? found : nullptr;
}

/// What numbers that name no character, or a control character, stand for instead.
char32_t ReplaceNumber(char32_t value)
{
    // Bytes 0x80 to 0x9F of windows-1252, which pages once meant by these numbers.
    static constexpr std::array<char32_t, 32> c1 = {
        0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021, 0x2C6,  0x2030, 0x160,
        0x2039, 0x152,  0x8D,   0x17D,  0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFD;
    if (value >= 0x80 && value <= 0x9F)
        return c1[value - 0x80];
    return value;
}

CharacterReference ReadNumeric(std::string_view source, std::size_t pos)
{
    const auto at = [&](std::size_t i) { return i < source.size() ? source[i] : '\0'; };
    std::size_t end = pos + 2;
    const bool hex = at(end) == 'x' || at(end) == 'X';
    if (hex)
        ++end;
    const std::size_t digits = end;
    char32_t value = 0;
    for (; hex ? IsAsciiHexDigit(at(end)) : IsAsciiDigit(at(end)); ++end) {
        const char c = at(end);
        const auto digit = static_cast<char32_t>(IsAsciiDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
        // Saturates: any number past the last code point decodes the same.
        value = std::min<char32_t>(value * (hex ? 16 : 10) + digit, 0x110000);
    }
    if (end == digits)
        return {};
    if (at(end) == ';')
        ++end;
    CharacterReference reference{end - pos, {}};
    AppendUtf8(reference.decoded, ReplaceNumber(value));
    return reference;
}

} // namespace

void AppendUtf8(std::string& out, char32_t c)
{
    const auto byte = [](char32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); };
    if (c < 0x80) {
        out += byte(c);
    } else if (c < 0x800) {
        out += byte(0xC0 | (c >> 6));
        out += byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += byte(0xE0 | (c >> 12));
        out += byte(0x80 | ((c >> 6) & 0x3F));
        out += byte(0x80 | (c & 0x3F));
    } else {
        out += byte(0xF0 | (c >> 18));
        out += byte(0x80 | ((c >> 12) & 0x3F));
        out += byte(0x80 | ((c >> 6) & 0x3F));
        out += byte(0x80 | (c & 0x3F));
    }
}

std::size_t DecodedCharacterEnd(std::string_view text, std::size_t pos, std::size_t end,
                                bool inAttribute, CharacterReference& reference)
{
    if (text[pos] == '&') {
        reference = ReadCharacterReference(text, pos, inAttribute);
        if (reference.length > 0 && pos + reference.length <= end)
            return pos + reference.length;
    }
    reference.length = 0;
    if (text[pos] == '\r')
        return pos + 1 < end && text[pos + 1] == '\n' ? pos + 2 : pos + 1;
    return pos + 1;
}

CharacterReference ReadCharacterReference(std::string_view source, std::size_t pos,
                                          bool inAttribute)
{
    if (pos >= source.size() || source[pos] != '&' || pos + 1 >= source.size())
        return {};
    if (source[pos + 1] == '#')
        return ReadNumeric(source, pos);

    const std::size_t nameStart = pos + 1;
    std::size_t nameEnd = nameStart;
    while (nameEnd < source.size() && nameEnd - nameStart < LongestName &&
           (IsAsciiLetter(source[nameEnd]) || IsAsciiDigit(source[nameEnd])))
        ++nameEnd;
    if (nameEnd == nameStart)
        return {};
    const NamedReference* found = nullptr;
    std::size_t end = nameEnd + 1;
    if (nameEnd < source.size() && source[nameEnd] == ';')
        found = FindName(source.substr(nameStart, end - nameStart));
    if (!found) {
        // Only the legacy names stand without ";", and the longest of them that fits wins.
        for (end = nameEnd; end > nameStart; --end)
            if ((found = FindName(source.substr(nameStart, end - nameStart))))
                break;
        if (!found)
            return {};
        const char next = end < source.size() ? source[end] : '\0';
        if (inAttribute && (next == '=' || IsAsciiLetter(next) || IsAsciiDigit(next)))
            return {};
    }
    CharacterReference reference{end - pos, {}};
    AppendUtf8(reference.decoded, found->first);
    if (found->second != 0)
        AppendUtf8(reference.decoded, found->second);
    return reference;
}

} // namespace quillveil
