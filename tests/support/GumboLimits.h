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

/// Whether `html` holds an ASCII control character other than white space and NUL. Gumbo
/// reads one written as it is as U+FFFD, and a reference to it ("&#11;") as the character,
/// where a browser (and html5lib) reads both as the character.
inline bool HasRawAsciiControl(std::string_view html)
{
    for (const char c : html)
        if ((c >= '\x01' && c <= '\x08') || c == '\x0B' || (c >= '\x0E' && c <= '\x1F') ||
            c == '\x7F')
            return true;
    return false;
}

/// Whether `html` may be one of the pages on which Gumbo 0.10.1 fails an assertion and aborts
/// the process: text moved out of a table, then a CDATA section inside an HTML integration
/// point of SVG or MathML, then text ("<table>x<svg><title><![CDATA[g]]>h"). A fault to mend
/// where Gumbo is called; until then such pages cannot be fed to it here.
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
