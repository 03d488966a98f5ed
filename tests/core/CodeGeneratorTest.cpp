#include "CodeGenerator.h"
#include "CharacterEncoders.h"

#include <gtest/gtest.h>

#include <string>

namespace quillveil {

// Readable failures: the code, or the warning with its field.
void PrintTo(const GenerateResult& result, std::ostream* out)
{
    if (result.IsCode())
        *out << "code " << ::testing::PrintToString(result.GetCode());
    else
        *out << "warning \"" << result.GetWarning().message << "\" on field "
             << static_cast<int>(result.GetWarning().field);
}

namespace {

::testing::AssertionResult IsCode(const GenerateResult& result, std::string_view expected)
{
    if (result.IsCode() && result.GetCode() == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected code " << ::testing::PrintToString(std::string(expected)) << ", got "
           << ::testing::PrintToString(result);
}

::testing::AssertionResult IsWarning(const GenerateResult& result, std::string_view message,
                                     EncoderField field)
{
    if (!result.IsCode() && result.GetWarning() == GenerateWarning{std::string(message), field})
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected warning \"" << message << "\", got " << ::testing::PrintToString(result);
}

EncoderForm Email(std::string user, std::string domain, std::string name, std::string subject = {})
{
    EncoderForm form;
    form.user = std::move(user);
    form.domain = std::move(domain);
    form.displayName = std::move(name);
    form.subject = std::move(subject);
    return form;
}

GenerateResult Link(std::string link)
{
    EncoderForm form;
    form.link = std::move(link);
    return GenerateCode(EncoderMode::Link, form);
}

GenerateResult Text(std::string text)
{
    EncoderForm form;
    form.text = std::move(text);
    return GenerateCode(EncoderMode::AnyText, form);
}

const std::string MailtoAtB = "&#109;&#97;&#105;&#108;&#116;&#111;&#58;&#97;&#64;&#98;";

TEST(EmailModeTest, ComposesTheEncodedMailtoAnchor)
{
    EXPECT_TRUE(IsCode(GenerateCode(EncoderMode::Email, Email("a", "b", "c")),
                       "<a href=\"" + MailtoAtB + "\">&#99;</a>"));
    EXPECT_TRUE(IsCode(GenerateCode(EncoderMode::Email, Email("a", "b", "c", "x y")),
                       "<a href=\"" + MailtoAtB +
                           "&#63;&#115;&#117;&#98;&#106;&#101;&#99;&#116;&#61;&#120;&#37;&#50;"
                           "&#48;&#121;\">&#99;</a>"));
    // The same through the mode's own entry point.
    EXPECT_TRUE(
        IsCode(GenerateEmailCode(Email("a", "b", "c")), "<a href=\"" + MailtoAtB + "\">&#99;</a>"));
}

TEST(EmailModeTest, TrimsEveryFieldAndKeepsInnerBlanks)
{
    const GenerateResult result =
        GenerateEmailCode(Email(" \t a\r\n", "\nb ", "  J D\n", " \r\n\v\f "));
    EXPECT_TRUE(IsCode(result, "<a href=\"" + MailtoAtB + "\">&#74;&#32;&#68;</a>"));
}

TEST(EmailModeTest, TakesUserAndDomainAsTyped)
{
    // No validation beyond being non-empty: a second "@" or a scheme goes in unchanged.
    const GenerateResult result = GenerateEmailCode(Email("mailto:x@y", "b c", "n"));
    EXPECT_TRUE(
        IsCode(result, "<a href=\"" + EncodeEntities("mailto:mailto:x@y@b c") + "\">&#110;</a>"));
}

TEST(EmailModeTest, PercentEncodesTheSubjectBeforeEncodingTheAddress)
{
    const GenerateResult result = GenerateEmailCode(Email("a", "b", "c", " 100% sure? "));
    EXPECT_TRUE(IsCode(result, "<a href=\"" +
                                   EncodeEntities("mailto:a@b?subject=100%25%20sure%3F") +
                                   "\">&#99;</a>"));
    // Bytes of 128 and above pass both encoders untouched.
    const GenerateResult utf8 =
        GenerateEmailCode(Email("a", "b", "J\xC3\xB6rg", "Gr\xC3\xBC\xC3\x9F"));
    EXPECT_TRUE(IsCode(utf8, "<a href=\"" +
                                 EncodeEntities("mailto:a@b?subject=Gr\xC3\xBC\xC3\x9F") +
                                 "\">&#74;\xC3\xB6&#114;&#103;</a>"));
}

TEST(WarningsTest, NameTheFirstMissingFieldInTheOrderOfTheSteps)
{
    EXPECT_TRUE(IsWarning(GenerateEmailCode(Email("", "", "")), "E-mail User field is empty",
                          EncoderField::User));
    EXPECT_TRUE(IsWarning(GenerateEmailCode(Email(" \t\r\n", "", "c")),
                          "E-mail User field is empty", EncoderField::User));
    EXPECT_TRUE(IsWarning(GenerateEmailCode(Email("a", " ", "")), "E-mail Domain field is empty",
                          EncoderField::Domain));
    EXPECT_TRUE(IsWarning(GenerateEmailCode(Email("a", "b", "\n\n", "subject")),
                          "E-mail Display Name field is empty", EncoderField::DisplayName));
    EXPECT_TRUE(IsWarning(Link(""), "Link field is empty", EncoderField::Link));
    EXPECT_TRUE(IsWarning(Link(" \r\n "), "Link field is empty", EncoderField::Link));
    EXPECT_TRUE(IsWarning(Link("<a>x</a>"), "Invalid link, please specify 'href' attribute",
                          EncoderField::Link));
    EXPECT_TRUE(IsWarning(Link("<a href=\"x>y</a>"), "Invalid link, the 'href' value is not closed",
                          EncoderField::Link));
    EXPECT_TRUE(IsWarning(Text(""), "Text field is empty", EncoderField::Text));
    EXPECT_TRUE(IsWarning(Text("\v\f \t"), "Text field is empty", EncoderField::Text));
    EXPECT_EQ(WarningCaption, "Quillshroud");
}

TEST(ModesTest, ReadOnlyTheirOwnFields)
{
    EncoderForm form = Email("a", "b", "c");
    form.link = "<a href=\"x\">x</a>";
    form.text = "t";
    EXPECT_TRUE(IsCode(GenerateCode(EncoderMode::AnyText, form), "&#116;"));
    EXPECT_TRUE(IsCode(GenerateCode(EncoderMode::Link, form), "<a href=\"&#120;\">&#120;</a>"));
    form.link.clear();
    form.text.clear();
    EXPECT_TRUE(GenerateCode(EncoderMode::Email, form).IsCode());
}

TEST(TextModeTest, EncodesTheTrimmedTextCompletely)
{
    EXPECT_TRUE(IsCode(Text("<b>"), "&#60;&#98;&#62;"));
    EXPECT_TRUE(IsCode(Text("\r\n  a\r\nb \t\r\n"), "&#97;&#13;&#10;&#98;"));
    EXPECT_TRUE(IsCode(GenerateTextCode([] {
                           EncoderForm form;
                           form.text = "x\xE2\x82\xAC";
                           return form;
                       }()),
                       "&#120;\xE2\x82\xAC"));
}

TEST(CodeInPiecesTest, JoinsToTheSameCodeOrGivesTheSameWarning)
{
    EncoderForm form = Email("a", "b", "c", "s");
    form.link = "<a href='x'>x</a>";
    // Long enough for many pieces, with a multi-byte character across every boundary.
    for (int i = 0; i < 70'000; ++i)
        form.text += i % 3 == 0 ? "\xE2\x82\xAC" : "ab";
    form.text += "\n";
    for (EncoderMode mode : {EncoderMode::Email, EncoderMode::Link, EncoderMode::AnyText}) {
        std::string joined;
        int pieces = 0;
        const auto warning = GenerateCodeInPieces(mode, form, [&](std::string_view piece) {
            joined += piece;
            ++pieces;
            return true;
        });
        EXPECT_FALSE(warning.has_value());
        EXPECT_EQ(joined, GenerateCode(mode, form).GetCode());
        EXPECT_GE(pieces, 1);
    }

    const EncoderForm empty;
    for (EncoderMode mode : {EncoderMode::Email, EncoderMode::Link, EncoderMode::AnyText}) {
        bool called = false;
        const auto warning = GenerateCodeInPieces(mode, empty, [&](std::string_view) {
            called = true;
            return true;
        });
        ASSERT_TRUE(warning.has_value());
        EXPECT_EQ(*warning, GenerateCode(mode, empty).GetWarning());
        EXPECT_FALSE(called);
    }

    int calls = 0;
    GenerateCodeInPieces(EncoderMode::AnyText, form, [&](std::string_view) {
        ++calls;
        return false;
    });
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace quillveil
