#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

namespace quillveil::testing {

/// Whether `html` holds "&#" and eight hex or ten decimal digits or more. Gumbo, the reader
/// of DescribeDocument, wraps numeric references past 32 bits around or writes a NUL for them,
/// cutting its text short, where a browser reads U+FFFD: it is no judge of such texts.
inline bool HasHugeNumericReference(std::string_view html)
{
    for (std::size_t pos = html.find("&#"); pos != std::string_view::npos;
         pos = html.find("&#", pos + 2)) {
        std::size_t digit = pos + 2;
        const bool hex = digit < html.size() && (html[digit] == 'x' || html[digit] == 'X');
        digit += hex ? 1 : 0;
        std::size_t count = 0;
        while (digit + count < html.size() &&
               (hex ? std::isxdigit(static_cast<unsigned char>(html[digit + count]))
                    : std::isdigit(static_cast<unsigned char>(html[digit + count]))))
            ++count;
        if (count >= (hex ? 8u : 10u))
            return true;
    }
    return false;
}

/// Whether UTF-8 `text` holds a control character other than white space and NUL (C0, DEL
/// or C1) or a noncharacter. Gumbo reads one written as it is as U+FFFD, and a reference to it
/// ("&#11;", "&#144;") as the character, where a browser (and html5lib) reads both as the
/// character.
inline bool HasCharacterGumboReplaces(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = lead & (length == 1 ? 0x7Fu : 0x7Fu >> length);
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        i += length;
        if ((c >= 0x01 && c <= 0x08) || c == 0x0B || (c >= 0x0E && c <= 0x1F) ||
            (c >= 0x7F && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE)
            return true;
    }
    return false;
}

/// Whether `html` may be one of the texts on which Gumbo 0.10.1 fails an assertion and aborts
/// the process: text moved out of a table, then a CDATA section inside an HTML integration
/// point of SVG or MathML, then text ("<table>x<svg><title><![CDATA[g]]>h"). Such an abort ends
/// the process that parses; the programs parse in processes apart, and are tested on such texts
/// through them, never in the process of a test or fuzzer.
inline bool MayAbortGumbo(std::string_view html)
{
    constexpr std::string_view table = "<table";
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    };
    return html.find("<![CDATA[") != std::string_view::npos &&
           std::search(html.begin(), html.end(), table.begin(), table.end(), sameLetter) !=
               html.end();
}

} // namespace quillveil::testing
