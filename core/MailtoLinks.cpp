#include "MailtoLinks.h"

#include "AddressPattern.h"
#include "AsciiText.h"
#include "CharacterReferences.h"

#include <algorithm>

namespace quillveil {

namespace {

bool IsUrlSpace(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

int HexValue(char c)
{
    if (IsAsciiDigit(c))
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

std::string PercentDecode(std::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && IsAsciiHexDigit(text[i + 1]) &&
            IsAsciiHexDigit(text[i + 2])) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

} // namespace

std::string DecodeAttributeValue(std::string_view source)
{
    std::string value;
    value.reserve(source.size());
    for (std::size_t pos = 0; pos < source.size();) {
        const char c = source[pos];
        if (c == '&') {
            const CharacterReference reference = ReadCharacterReference(source, pos, true);
            if (reference.length > 0) {
                value += reference.decoded;
                pos += reference.length;
                continue;
            }
        }
        if (c == '\r') {
            value += '\n';
            pos += source.compare(pos, 2, "\r\n") == 0 ? 2u : 1u;
            continue;
        }
        if (c == '\0')
            value += "\xEF\xBF\xBD";
        else
            value += c;
        ++pos;
    }
    return value;
}

bool IsMailtoUrl(std::string_view value)
{
    while (!value.empty() && IsUrlSpace(value.front()))
        value.remove_prefix(1);
    return value.size() >= 7 && IsMailtoAt(value, 6);
}

std::vector<std::string> MailtoRecipients(std::string_view url)
{
    while (!url.empty() && IsUrlSpace(url.front()))
        url.remove_prefix(1);
    while (!url.empty() && IsUrlSpace(url.back()))
        url.remove_suffix(1);
    url.remove_prefix(std::min<std::size_t>(7, url.size()));
    url = url.substr(0, url.find_first_of("?#"));
    std::vector<std::string> recipients;
    for (std::size_t start = 0;;) {
        const std::size_t comma = url.find(',', start);
        const std::string recipient = PercentDecode(url.substr(start, comma - start));
        recipients.emplace_back(TrimAsciiSpace(recipient));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return recipients;
}

} // namespace quillveil
