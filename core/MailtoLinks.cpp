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

/// Adds the comma-separated entries of `list`, decoded and trimmed, that are not empty.
void AddRecipients(std::string_view list, std::vector<std::string>& recipients)
{
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string recipient = PercentDecode(list.substr(start, comma - start));
        if (const std::string_view trimmed = TrimAsciiSpace(recipient); !trimmed.empty())
            recipients.emplace_back(trimmed);
        start = comma + 1;
    }
}

bool IsRecipientField(std::string_view name)
{
    std::string lower = PercentDecode(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), ToAsciiLower);
    return lower == "to" || lower == "cc" || lower == "bcc";
}

} // namespace

std::string DecodeAttributeValue(std::string_view source)
{
    std::string value;
    value.reserve(source.size());
    ForEachDecodedCharacter(
        source, 0, source.size(), true,
        [&](std::size_t, std::size_t, std::string_view piece) { value += piece; });
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
    url.remove_prefix(std::min<std::size_t>(7, url.size()));
    url = url.substr(0, url.find('#'));
    while (!url.empty() && IsUrlSpace(url.back()))
        url.remove_suffix(1);
    const std::size_t question = std::min(url.find('?'), url.size());
    std::vector<std::string> recipients;
    AddRecipients(url.substr(0, question), recipients);
    for (std::size_t start = question + 1; start <= url.size();) {
        const std::size_t amp = std::min(url.find('&', start), url.size());
        const std::string_view field = url.substr(start, amp - start);
        const std::size_t equals = field.find('=');
        if (equals != std::string_view::npos && IsRecipientField(field.substr(0, equals)))
            AddRecipients(field.substr(equals + 1), recipients);
        start = amp + 1;
    }
    return recipients;
}

bool IsWellFormedMailto(std::string_view url)
{
    const std::vector<std::string> recipients = MailtoRecipients(url);
    return !recipients.empty() &&
           std::all_of(recipients.begin(), recipients.end(),
                       [](const std::string& recipient) { return IsAddress(recipient); });
}

} // namespace quillveil
