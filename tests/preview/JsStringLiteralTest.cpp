#include "platform/JsStringLiteral.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

using quillveil::QuoteJsString;

namespace {

void AppendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

/// Reads a literal back the way a JavaScript engine would, accepting only the
/// forms a strict reader allows; nullopt when the literal is malformed, ends
/// early or holds anything but printable ASCII.
std::optional<std::string> Unquote(const std::string& literal)
{
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') {
        return std::nullopt;
    }
    std::string out;
    std::uint32_t pendingHigh = 0;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        const char c = literal[i];
        if (c < 0x20 || c > 0x7E || c == '"') {
            return std::nullopt;
        }
        if (c != '\\') {
            if (pendingHigh != 0) {
                return std::nullopt;
            }
            out += c;
            continue;
        }
        if (i + 2 >= literal.size()) {
            return std::nullopt;
        }
        const char kind = literal[++i];
        if (kind == '"' || kind == '\\') {
            out += kind;
            continue;
        }
        if (kind != 'u' || i + 4 >= literal.size()) {
            return std::nullopt;
        }
        const auto unit =
            static_cast<std::uint32_t>(std::stoul(literal.substr(i + 1, 4), nullptr, 16));
        i += 4;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            pendingHigh = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (pendingHigh == 0) {
                return std::nullopt;
            }
            AppendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
            pendingHigh = 0;
        } else {
            AppendUtf8(out, unit);
        }
    }
    if (pendingHigh != 0) {
        return std::nullopt;
    }
    return out;
}

} // namespace

TEST(JsStringLiteral, EscapesWhatCouldEndOrBendTheLiteral)
{
    EXPECT_EQ(QuoteJsString(""), R"("")");
    EXPECT_EQ(QuoteJsString("<a href='x'>Home</a>"), R"("<a href='x'>Home</a>")");
    EXPECT_EQ(QuoteJsString(R"(say "hi" \n)"), R"("say \"hi\" \\n")");
    EXPECT_EQ(QuoteJsString("a\r\nb\tc"), R"("a\u000D\u000Ab\u0009c")");
    EXPECT_EQ(QuoteJsString(std::string("x\0y", 3)), R"("x\u0000y")");
    EXPECT_EQ(QuoteJsString("\x1F\x7F"), R"("\u001F\u007F")");
    EXPECT_EQ(QuoteJsString("a\xE2\x80\xA8"
                            "b\xE2\x80\xA9"),
              R"("a\u2028b\u2029")");
    EXPECT_EQ(QuoteJsString("</script><script>alert(1)</script>"),
              R"("</script><script>alert(1)</script>")");
}

TEST(JsStringLiteral, WritesNonAsciiAsUtf16Escapes)
{
    EXPECT_EQ(QuoteJsString("caf\xC3\xA9"), R"("caf\u00E9")");
    EXPECT_EQ(QuoteJsString("\xE6\xBC\xA2\xE5\xAD\x97"), R"("\u6F22\u5B57")");
    EXPECT_EQ(QuoteJsString("\xF0\x9F\x98\x80"), R"("\uD83D\uDE00")");
    EXPECT_EQ(QuoteJsString("\xF4\x8F\xBF\xBF"), R"("\uDBFF\uDFFF")");
    EXPECT_EQ(QuoteJsString("\xEF\xBF\xBD"), R"("\uFFFD")");
}

TEST(JsStringLiteral, ReplacesInvalidUtf8AsBrowsersDecodeIt)
{
    // Lone continuation and bytes that never start a sequence.
    EXPECT_EQ(QuoteJsString("a\x80z"), R"("a\uFFFDz")");
    EXPECT_EQ(QuoteJsString("\xFF\xFE"), R"("\uFFFD\uFFFD")");
    // Overlong forms: the lead byte alone is invalid.
    EXPECT_EQ(QuoteJsString("\xC0\xAF"), R"("\uFFFD\uFFFD")");
    EXPECT_EQ(QuoteJsString("\xE0\x80\xAF"), R"("\uFFFD\uFFFD\uFFFD")");
    // An encoded surrogate and a code point beyond U+10FFFF.
    EXPECT_EQ(QuoteJsString("\xED\xA0\x80"), R"("\uFFFD\uFFFD\uFFFD")");
    EXPECT_EQ(QuoteJsString("\xF4\x90\x80\x80"), R"("\uFFFD\uFFFD\uFFFD\uFFFD")");
    // A sequence broken off by an ASCII byte or by the end: one U+FFFD for
    // the whole valid prefix, and the next byte is kept.
    EXPECT_EQ(QuoteJsString("\xE2\x82"
                            "A"),
              R"("\uFFFDA")");
    EXPECT_EQ(QuoteJsString("\xF0\x9F\x98"), R"("\uFFFD")");
    EXPECT_EQ(QuoteJsString("\xC3\"x"), R"("\uFFFD\"x")");
}

TEST(JsStringLiteral, NoInputEndsTheLiteralEarlyAndValidTextRoundTrips)
{
    // Every pair of bytes, valid or not, gives a well-formed literal.
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const std::string input{static_cast<char>(first), static_cast<char>(second)};
            ASSERT_TRUE(Unquote(QuoteJsString(input)).has_value()) << first << ' ' << second;
        }
    }

    // Valid text comes back unchanged, across every UTF-8 length.
    std::string text = "<p title=\"\\\">\r\n\t";
    for (const std::uint32_t c : {0x00u, 0x7Fu, 0x80u, 0xE9u, 0x7FFu, 0x800u, 0x2028u, 0x2029u,
                                  0xD7FFu, 0xE000u, 0xFFFFu, 0x10000u, 0x1F600u, 0x10FFFFu}) {
        AppendUtf8(text, c);
    }
    const auto back = Unquote(QuoteJsString(text));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, text);
}
