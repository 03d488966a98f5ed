#include "AnchorColor.h"

namespace quillveil {

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The low 8 bits of the integer atoi would read at the start of `text`. The
// number is reduced as it is read, so arbitrarily long digit runs cannot
// overflow; negative numbers give their two's complement low byte.
std::uint8_t LowByteOfLeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = (value * 10u + static_cast<unsigned>(text[i] - '0')) & 0xFFu;
    }
    if (negative) {
        value = (256u - value) & 0xFFu;
    }
    return static_cast<std::uint8_t>(value);
}

// The text after the first comma, or the whole text when there is none.
std::string_view AfterFirstComma(std::string_view text)
{
    const std::size_t comma = text.find(',');
    return comma == std::string_view::npos ? text : text.substr(comma + 1);
}

} // namespace

ColorRef ParseAnchorColor(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    const std::string_view rest = AfterFirstComma(text);
    const std::string_view secondRest = AfterFirstComma(rest);
    return MakeColorRef(LowByteOfLeadingInteger(text), LowByteOfLeadingInteger(rest),
                        LowByteOfLeadingInteger(secondRest));
}

} // namespace quillveil
