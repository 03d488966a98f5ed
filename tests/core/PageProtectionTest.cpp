#include "AddressPattern.h"
#include "CharacterEncoders.h"
#include "CodeGenerator.h"
#include "HarvestCheck.h"
#include "HtmlDecoding.h"
#include "PageProtector.h"
#include "ReadBack.h"
#include "SourcePositions.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace quillveil {
namespace {

/// The matches of `text`, space-separated; "mailto:" matches in brackets.
std::string Matches(std::string_view text)
{
    std::string found;
    ForEachAddress(text, [&](const AddressMatch& match) {
        const std::string piece(text.substr(match.begin, match.end - match.begin));
        found += (found.empty() ? "" : " ") + (match.isMailto ? "[" + piece + "]" : piece);
    });
    return found;
}

TEST(PageProtectionTest, FindsAddressesAsHarvestersDo)
{
    EXPECT_EQ(Matches("Mail me@example.org, or A.B+c_d%e-f@mail.Example.CO.uk."),
              "me@example.org A.B+c_d%e-f@mail.Example.CO.uk");
    // The longest domain ending in a letter label; digits or a dot after it end it.
    EXPECT_EQ(Matches("x@a.org2 y@a.bc.d3 z@a.org..b w@a-b.io."),
              "x@a.org y@a.bc z@a.org w@a-b.io");
    // No address: no dot, one-letter or numeric top level, empty local part, image names.
    EXPECT_EQ(Matches("a@localhost a@b.c a@1.2.3.4 @x.org ..@x.org logo@2x.png x@3x.JPEG"), "");
    EXPECT_EQ(Matches(".lead@x.org"), "lead@x.org");
    EXPECT_EQ(Matches("MailTo:me@x.org mailto: nomailto:y"),
              "[MailTo:] me@x.org [mailto:] [mailto:]");
    // Overlapping candidates: the search reads on after the first.
    EXPECT_EQ(Matches("x@a.org@b.org x@a.co2y.me@b.org x@a.orgmailto:"),
              "x@a.org x@a.co2y.me x@a.orgmailto");
    EXPECT_TRUE(IsAddress("me@x.org"));
    EXPECT_FALSE(IsAddress(" me@x.org"));
    EXPECT_FALSE(IsAddress("me@x.org>"));
    EXPECT_FALSE(MayHoldAddress("<p>mail to: me at x dot org</p>"));
    EXPECT_TRUE(MayHoldAddress("<a href=\"MAILTO:x\">"));
}

TEST(PageProtectionTest, FindsTheShapesOfRealAddresses)
{
    struct Shape {
        std::string_view text;
        std::string_view found;
    };
    static constexpr Shape shapes[] = {
        {"x@mail.163.com", "x@mail.163.com"},
        {"a@a1.b2.example.com", "a@a1.b2.example.com"},
        {"c@lists.x-y.org", "c@lists.x-y.org"},
        {"leitner@math.fu-berlin.de", "leitner@math.fu-berlin.de"},
        {"first.last@sub.example.co.uk", "first.last@sub.example.co.uk"},
        {"o'brien+news@example.ie", "o'brien+news@example.ie"},
        {"a!b#c$d%e&f*g/h=i?j^k_l`m{n|o}p~q-r@example.org",
         "a!b#c$d%e&f*g/h=i?j^k_l`m{n|o}p~q-r@example.org"},
        {"info@xn--bcher-kva.example", "info@xn--bcher-kva.example"},
        {"post@example.xn--p1ai", "post@example.xn--p1ai"},
        {"Sales@Example.COM.", "Sales@Example.COM"},
        // What is not an address, or not all of one: a quoted local part, an address
        // literal, a numeric or one-letter top level, a hyphen at a label's edge, a label
        // with "_", a name without dots, an image, and letters beyond ASCII.
        {"\"quoted\"@example.com", ""},
        {"user@[192.0.2.1]", ""},
        {"jo@192.0.2.1 a@b.c", ""},
        {"u@-x.org u@x-.org", ""},
        {"u@sub_domain.example.org", ""},
        {"root@localhost", ""},
        {"logo@2x.png", ""},
        {"j\xC3\xB6ran@example.de", "ran@example.de"},
    };
    for (const Shape& shape : shapes) {
        EXPECT_EQ(Matches(shape.text), shape.found) << shape.text;
        EXPECT_EQ(IsAddress(shape.text), shape.text == shape.found) << shape.text;
    }
}

std::string Protected(std::string_view page)
{
    const ProtectedPage result = ProtectPage(page);
    return result.outcome == ProtectedPage::Outcome::Changed ? result.text : std::string(page);
}

std::string Refs(std::string_view text)
{
    return EncodeEntities(text);
}

TEST(PageProtectionTest, RewritesOnlyWhatBrowsersDecodeWithoutCuttingReferences)
{
    // Mailto URLs whole, wherever quoted or not; the references there stay as they are.
    EXPECT_EQ(Protected("<a href=' mailto:a@x.org?subject=Q%26A&amp;'>a</a>"),
              "<a href='" + Refs(" mailto:a@x.org?subject=Q%26A") + "&amp;'>a</a>");
    EXPECT_EQ(Protected("<a href=MAILTO:a@x.org>x</a>"),
              "<a href=" + Refs("MAILTO:a@x.org") + ">x</a>");
    // Addresses in text and other attributes; references before them keep reading the same
    // ("&ampme" and "&copymailto" in an attribute are text, in text "&amp" is "&").
    EXPECT_EQ(
        Protected("<p title=\"&ampme@x.org\" data-x='&copymailto:'>&ampme@x.org &copy2a@x.org"),
        "<p title=\"&" + Refs("ampme@x.org") + "\" data-x='&" + Refs("copymailto:") + "'>&amp" +
            Refs("me@x.org") + " &copy" + Refs("2a@x.org"));
    // "mailto:" with the address right after it is one change.
    const ProtectedPage text = ProtectPage("<p>mailto:me@x.org</p>");
    ASSERT_EQ(text.changes.size(), 1u);
    EXPECT_EQ(text.AddressCount(), 1u);
    EXPECT_EQ(text.text, "<p>" + Refs("mailto:me@x.org") + "</p>");
    // Where references are not decoded, or not to be touched: as it was.
    const std::string untouched = "<script>a='me@x.org'</script><style>/*me@x.org*/</style>"
                                  "<textarea>me@x.org</textarea><!-- me@x.org -->"
                                  "<img srcset='logo@2x.png 2x'>";
    EXPECT_EQ(ProtectPage(untouched).outcome, ProtectedPage::Outcome::Unchanged);
    // Inside noscript, which browsers without scripts show, as everywhere else.
    EXPECT_EQ(Protected("<noscript><a href=mailto:me@x.org>me@x.org</a></noscript>"),
              "<noscript><a href=" + Refs("mailto:me@x.org") + ">" + Refs("me@x.org") +
                  "</a></noscript>");
    // A protected page protects to itself; a page without "@" or "mailto:" is not read.
    const std::string page = "<title>t@x.org</title><a href=\"mailto:me@x.org\">me@x.org</a>";
    EXPECT_EQ(ProtectPage(Protected(page)).outcome, ProtectedPage::Outcome::NothingToProtect);
    // A page a browser would read differently from us is left alone, and says where.
    const ProtectedPage cut = ProtectPage("<p>me@x.org</p>\n<a href=\"mailto:me@x.org>x");
    EXPECT_EQ(cut.outcome, ProtectedPage::Outcome::Unreadable);
    EXPECT_EQ(cut.problem.kind, HtmlProblemKind::EndsInsideQuotedValue);
    EXPECT_EQ(cut.problemPosition.line, 2u);
    EXPECT_EQ(ProtectPage("<p>me@x.org \xC3(</p>").outcome, ProtectedPage::Outcome::Unreadable);
}

TEST(PageProtectionTest, RandomPagesProtectOnceAndLeaveHarvestersOnlyWhatIsNotShown)
{
    // Pieces that meet in every order: addresses against references, tags, quotes, scripts.
    // (That browsers read the result as before is tested on whole pages with an independent
    // HTML5 parser, in the command's tests.)
    const std::vector<std::string> pieces = {"me@x.org",   "mailto:",    "MAILTO:a@b.co",
                                             "&amp",       "&amp;",      "&copy",
                                             "&#64;",      "&#x40;",     "&",
                                             ";",          "<p>",        "<a href=\"",
                                             "<a href=",   "\">",        ">",
                                             "<b title='", "'>",         " ",
                                             "<script>",   "</script>",  "<!--",
                                             "-->",        "<textarea>", "</textarea>",
                                             "\xC3\xA9",   "x",          ".",
                                             "@",          "\r\n",       "2x.png",
                                             "<br/>",      "</p>",       "<img alt=",
                                             "=",          "<title>",    "</title>"};
    std::mt19937 random(20261207);
    int changed = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        const auto length = 1 + random() % 24;
        for (std::size_t i = 0; i < length; ++i)
            page += pieces[random() % pieces.size()];
        const ProtectedPage once = ProtectPage(page);
        if (once.outcome != ProtectedPage::Outcome::Changed)
            continue;
        ++changed;
        EXPECT_NE(ProtectPage(once.text).outcome, ProtectedPage::Outcome::Changed) << page;
        for (const HarvestFinding& finding : FindHarvestable(once.text))
            EXPECT_TRUE(finding.kind == HarvestFinding::Kind::BrokenLink ||
                        (finding.place != HarvestPlace::Text &&
                         finding.place != HarvestPlace::Attribute &&
                         finding.place != HarvestPlace::Title))
                << page << "\n"
                << DescribeFinding(finding);
    }
    EXPECT_GT(changed, 500);
}

TEST(PageProtectionTest, CheckFindsWhatIsReadableAndProtectedLinksThatAreBroken)
{
    const std::string page = "<title>t@x.org</title>\n"
                             "<a href=\"" +
                             Refs("mailto:good@x.org,b@y.org?subject=a") +
                             "\">\n"
                             "<a href='" +
                             Refs("mailto:broken@x") +
                             "'>"
                             "<a href=\"&#109;ailto&colon;\">"
                             "<script>mailto:s@x.org</script><p data-x=a@x.org MAILTO:b@x.org>";
    std::string found;
    for (const HarvestFinding& finding : FindHarvestable(page))
        found += std::to_string(finding.position.line) + ":" +
                 std::to_string(finding.position.column) + " " + DescribeFinding(finding) + "\n";
    EXPECT_EQ(found, "1:8 address t@x.org in the title\n"
                     "3:10 protected mailto link with no well-formed address: mailto:broken@x\n"
                     "3:107 protected mailto link with no well-formed address: mailto:\n"
                     "3:135 readable mailto:s@x.org in a script\n"
                     "3:168 address a@x.org in attribute data-x\n"
                     "3:176 readable MAILTO:b@x.org in markup\n");
    EXPECT_TRUE(FindHarvestable(Protected("<p>a@x.org<a href=mailto:a@x.org>")).empty());
}

TEST(PageProtectionTest, RefusesWhatAFaultyRewriterWouldHandOut)
{
    // Rewriters that drop a quote, or write one reference for another: every page and link
    // they touch reads differently, and none is handed out.
    const std::string page = "<p title=\"t\">me@x.org</p>";
    EncoderForm form;
    form.link = "<a href=\"mailto:me@x.org\">me@x.org</a>";
    for (const auto tamper :
         {+[](std::string& text) { text.erase(text.find('"'), 1); },
          +[](std::string& text) { text.replace(text.find("&#64;"), 5, "&#65;"); }}) {
        TamperWithRewritesForTesting(tamper);
        const ProtectedPage refused = ProtectPage(page);
        const GenerateResult link = GenerateLinkCode(form);
        TamperWithRewritesForTesting(nullptr);
        EXPECT_EQ(refused.outcome, ProtectedPage::Outcome::Unreadable);
        EXPECT_EQ(DescribeProblem(refused.problem.kind), "protecting it would change how it reads");
        EXPECT_EQ(refused.problemPosition.column, 14u); // the first change
        ASSERT_FALSE(link.IsCode());
        EXPECT_EQ(link.GetWarning().message,
                  "Invalid link, protecting it would change how it reads");
        EXPECT_EQ(link.GetWarning().field, EncoderField::Link);
    }
    EXPECT_EQ(ProtectPage(page).outcome, ProtectedPage::Outcome::Changed);
    EXPECT_TRUE(GenerateLinkCode(form).IsCode());
}

TEST(PageProtectionTest, CountsPositionsInOnePassAsTheReaderDoes)
{
    const std::string text = "a\r\nb\rc\n\nd\xC3\xA9\xE6\x97\xA5"
                             "e\r\r\n\n f";
    const HtmlReading reading = ReadHtml(text);
    SourcePositions positions(text);
    for (std::size_t offset = 0; offset <= text.size(); ++offset) {
        const HtmlPosition expected = reading.PositionOf(offset);
        const HtmlPosition counted = positions(offset);
        EXPECT_EQ(counted.line, expected.line) << offset;
        EXPECT_EQ(counted.column, expected.column) << offset;
    }
}

} // namespace
} // namespace quillveil
