#include "CharacterEncoders.h"
#include "HtmlDecoding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace quillveil {
namespace {

using namespace std::string_literals;

// The obvious byte-by-byte formatting, kept as the oracle the fast encoders must match.
std::string FormatEntities(std::string_view text)
{
    std::string result;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 128) {
            result += c;
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "&#%i;", byte);
            result += buffer;
        }
    }
    return result;
}

std::string FormatPercent(std::string_view text)
{
    std::string result;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool alnum = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= 'a' && byte <= 'z');
        if (alnum || byte >= 128) {
            result += c;
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "%%%.2X", byte);
            result += buffer;
        }
    }
    return result;
}

/// Random texts of every length up to `maxLength` from `alphabet`, so both the eight-byte
/// blocks and the byte-wise ends of the encoders are crossed at every offset.
std::vector<std::string> RandomTexts(std::string_view alphabet, std::size_t maxLength,
                                     unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::vector<std::string> texts;
    for (std::size_t length = 0; length <= maxLength; ++length) {
        for (int repeat = 0; repeat < 20; ++repeat) {
            std::string text;
            for (std::size_t i = 0; i < length; ++i)
                text += alphabet[pick(random)];
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

std::string AllBytesFrom1()
{
    std::string bytes;
    for (int byte = 1; byte < 256; ++byte)
        bytes += static_cast<char>(byte);
    return bytes;
}

// Mostly high bytes with a few ASCII ones, like non-Latin UTF-8 text with spaces.
const std::string MixedAlphabet = "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xD0\xB6\xCE\xB1 a,%~\t"s;

TEST(EncodeEntitiesTest, WritesTheExamplesOfTheFormat)
{
    EXPECT_EQ(EncodeEntities("a@b"), "&#97;&#64;&#98;");
    EXPECT_EQ(EncodeEntities("\r\n"), "&#13;&#10;");
    EXPECT_EQ(EncodeEntities("~"), "&#126;");
    EXPECT_EQ(EncodeEntities("\t"), "&#9;");
    EXPECT_EQ(EncodeEntities(""), "");
    EXPECT_EQ(EncodeEntities("%20"), "&#37;&#50;&#48;");
    EXPECT_EQ(EncodeEntities("<b>"), "&#60;&#98;&#62;");
}

TEST(EncodeEntitiesTest, UsesAsManyDigitsAsTheValueNeeds)
{
    EXPECT_EQ(EncodeEntities("\x01"), "&#1;");
    EXPECT_EQ(EncodeEntities("\x09\x0A"), "&#9;&#10;");
    EXPECT_EQ(EncodeEntities("c"), "&#99;");
    EXPECT_EQ(EncodeEntities("d"), "&#100;");
    EXPECT_EQ(EncodeEntities("\x7F"), "&#127;");
}

TEST(EncodeEntitiesTest, PassesBytesFrom128OnUnchanged)
{
    EXPECT_EQ(EncodeEntities("\x80"), "\x80");
    EXPECT_EQ(EncodeEntities("\xFF"), "\xFF");
    // A Latin-1 é stays one raw byte between its neighbours' references.
    EXPECT_EQ(EncodeEntities("a\xE9z"), "&#97;\xE9&#122;");
    // UTF-8 sequences stay whole, also where they fill an entire eight-byte block.
    EXPECT_EQ(EncodeEntities("caf\xC3\xA9"), "&#99;&#97;&#102;\xC3\xA9");
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD\xE6\x96\x87";
    EXPECT_EQ(EncodeEntities(chinese), chinese);
    EXPECT_EQ(EncodeEntities(chinese + "!" + chinese), chinese + "&#33;" + chinese);
}

TEST(EncodeEntitiesTest, MatchesTheFormatForEveryByteAndPosition)
{
    const std::string all = AllBytesFrom1();
    EXPECT_EQ(EncodeEntities(all), FormatEntities(all));
    for (const auto& text : RandomTexts(all, 40, 1))
        ASSERT_EQ(EncodeEntities(text), FormatEntities(text)) << ::testing::PrintToString(text);
    for (const auto& text : RandomTexts(MixedAlphabet, 40, 2))
        ASSERT_EQ(EncodeEntities(text), FormatEntities(text)) << ::testing::PrintToString(text);
}

TEST(EncodeEntitiesTest, DecodingTheReferencesGivesBackTheInput)
{
    const std::string all = AllBytesFrom1();
    EXPECT_EQ(testing::DecodeDecimalReferences(EncodeEntities(all)), all);
    for (const auto& text : RandomTexts(all, 70, 3)) {
        const std::string encoded = EncodeEntities(text);
        ASSERT_EQ(testing::DecodeDecimalReferences(encoded), text);
        // No ASCII byte survives except those of the references themselves.
        for (char c : encoded)
            ASSERT_TRUE(static_cast<unsigned char>(c) >= 128 ||
                        std::string_view("&#0123456789;").find(c) != std::string_view::npos);
    }
}

TEST(EncodeEntitiesTest, SizesLargeOutputExactly)
{
    // A length that ends in a partial block after many full ones.
    std::string text;
    for (int i = 0; i < 100'003; ++i)
        text += MixedAlphabet[static_cast<std::size_t>(i * 7) % MixedAlphabet.size()];
    const std::string encoded = EncodeEntities(text);
    EXPECT_EQ(encoded, FormatEntities(text));
    EXPECT_EQ(encoded.size(), std::string(encoded.c_str()).size());
}

TEST(PercentEncodeSubjectTest, WritesTheExamplesOfTheFormat)
{
    EXPECT_EQ(PercentEncodeSubject("Test Subject"), "Test%20Subject");
    EXPECT_EQ(PercentEncodeSubject("Hi, you?"), "Hi%2C%20you%3F");
    EXPECT_EQ(PercentEncodeSubject("a-b_c.d~e"), "a%2Db%5Fc%2Ed%7Ee");
    EXPECT_EQ(PercentEncodeSubject("\n"), "%0A");
    EXPECT_EQ(PercentEncodeSubject("100%"), "100%25");
    EXPECT_EQ(PercentEncodeSubject(""), "");
}

TEST(PercentEncodeSubjectTest, KeepsLettersDigitsAndHighBytesAndUsesUpperCaseHex)
{
    EXPECT_EQ(PercentEncodeSubject("AZaz09"), "AZaz09");
    EXPECT_EQ(PercentEncodeSubject("@[`{/:"), "%40%5B%60%7B%2F%3A");
    EXPECT_EQ(PercentEncodeSubject("\x01\x1F\x7F"), "%01%1F%7F");
    EXPECT_EQ(PercentEncodeSubject("Gr\xC3\xBC\xC3\x9F"
                                   "e \xE9"),
              "Gr\xC3\xBC\xC3\x9F"
              "e%20\xE9");
    const std::string all = AllBytesFrom1();
    EXPECT_EQ(PercentEncodeSubject(all), FormatPercent(all));
}

TEST(PercentEncodeSubjectTest, MatchesTheFormatAndDecodesBackEverywhere)
{
    const std::string all = AllBytesFrom1();
    for (const auto& text : RandomTexts(all, 40, 4)) {
        const std::string encoded = PercentEncodeSubject(text);
        ASSERT_EQ(encoded, FormatPercent(text)) << ::testing::PrintToString(text);
        ASSERT_EQ(testing::DecodePercentEscapes(encoded), text);
    }
    // Long words take the block-copy path; punctuation between them must not be skipped.
    for (const auto& text : RandomTexts("abcdefghijXYZ0189\xC3\xA9 .", 40, 5))
        ASSERT_EQ(PercentEncodeSubject(text), FormatPercent(text))
            << ::testing::PrintToString(text);
}

} // namespace
} // namespace quillveil
