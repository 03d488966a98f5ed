#include "JsStringLiteral.h"

#include <array>
#include <cstdint>

namespace quillveil {
namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

void AppendUnicodeEscape(std::string& out, std::uint32_t unit)
{
    static constexpr std::array<char, 16> hex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                 '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += hex[(unit >> shift) & 0xFu];
    }
}

void AppendQuoted(std::string& out, char32_t c)
{
    if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
        out += static_cast<char>(c);
    } else if (c < 0x10000) {
        // Control characters (NUL, CR, LF...), DEL, the line terminators
        // U+2028/U+2029 and everything else beyond ASCII.
        AppendUnicodeEscape(out, static_cast<std::uint32_t>(c));
    } else {
        const auto offset = static_cast<std::uint32_t>(c - 0x10000);
        AppendUnicodeEscape(out, 0xD800u + (offset >> 10));
        AppendUnicodeEscape(out, 0xDC00u + (offset & 0x3FFu));
    }
}

} // namespace

std::string QuoteJsString(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8 + 2);
    out += '"';

    // The decoder browsers use: each maximal invalid subpart of a sequence
    // becomes one U+FFFD, so the preview shows what a page with these bytes
    // would show.
    char32_t codePoint = 0;
    int bytesNeeded = 0;
    int bytesSeen = 0;
    unsigned lower = 0x80;
    unsigned upper = 0xBF;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (bytesNeeded == 0) {
            ++pos;
            if (byte < 0x80) {
                AppendQuoted(out, byte);
            } else if (byte >= 0xC2 && byte <= 0xDF) {
                bytesNeeded = 1;
                codePoint = byte & 0x1Fu;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                lower = byte == 0xE0 ? 0xA0 : 0x80; // no overlong forms
                upper = byte == 0xED ? 0x9F : 0xBF; // no surrogates
                bytesNeeded = 2;
                codePoint = byte & 0x0Fu;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                lower = byte == 0xF0 ? 0x90 : 0x80; // no overlong forms
                upper = byte == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
                bytesNeeded = 3;
                codePoint = byte & 0x07u;
            } else {
                AppendQuoted(out, ReplacementCharacter);
            }
            continue;
        }
        if (byte < lower || byte > upper) {
            // The sequence breaks off here; this byte starts afresh.
            codePoint = 0;
            bytesNeeded = 0;
            bytesSeen = 0;
            lower = 0x80;
            upper = 0xBF;
            AppendQuoted(out, ReplacementCharacter);
            continue;
        }
        ++pos;
        lower = 0x80;
        upper = 0xBF;
        codePoint = (codePoint << 6) | (byte & 0x3Fu);
        if (++bytesSeen == bytesNeeded) {
            AppendQuoted(out, codePoint);
            codePoint = 0;
            bytesNeeded = 0;
            bytesSeen = 0;
        }
    }
    if (bytesNeeded != 0) {
        AppendQuoted(out, ReplacementCharacter);
    }

    out += '"';
    return out;
}

} // namespace quillveil
