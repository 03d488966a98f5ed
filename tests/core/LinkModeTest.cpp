#include "CharacterEncoders.h"
#include "CodeGenerator.h"

#include <gtest/gtest.h>

#include <string>

namespace quillveil {
namespace {

/// The code of link mode, or the warning's text when there is none.
std::string LinkCode(std::string link)
{
    EncoderForm form;
    form.link = std::move(link);
    const GenerateResult result = GenerateLinkCode(form);
    return result.IsCode() ? result.GetCode() : "warning: " + result.GetWarning().message;
}

struct LinkCase {
    const char* link;
    const char* code;
};

void ExpectCodes(std::initializer_list<LinkCase> cases)
{
    for (const LinkCase& c : cases)
        EXPECT_EQ(LinkCode(c.link), c.code) << "link: " << c.link;
}

TEST(LinkModeTest, WorkedCases)
{
    ExpectCodes({
        {R"(<a href="x">x</a>)", R"(<a href="&#120;">&#120;</a>)"},
        {R"(<A HREF="x">y</A>)", R"(<A HREF="&#120;">y</A>)"},
        {R"(<a href= "x" >y</a>)", R"(<a href= "&#120;" >y</a>)"},
        {R"(<a href=x title=z>y</a>)", R"(<a href=&#120; title=z>y</a>)"},
        {R"(<a href=x>y</a>)", R"(<a href=&#120;>y</a>)"},
        // A browser drops an element whose value has no end, and all after it.
        {R"(<a href="x>y</a>)", "warning: Invalid link, the 'href' value is not closed"},
        // An unquoted value may start with a reference; it is part of the value.
        {"<a href=&#109;ailto:a@b.c>a@b.c</a>",
         "<a href=&#109;&#97;&#105;&#108;&#116;&#111;&#58;&#97;&#64;&#98;&#46;&#99;>"
         "&#97;&#64;&#98;&#46;&#99;</a>"},
    });
}

TEST(LinkModeTest, CutsSingleQuotedValuesWithoutTheirQuotes)
{
    ExpectCodes({
        {"<a href='mailto:a@b.c' title=x>m</a>",
         "<a href='&#109;&#97;&#105;&#108;&#116;&#111;&#58;&#97;&#64;&#98;&#46;&#99;' "
         "title=x>m</a>"},
        // A double quote inside single quotes is part of the value, and the reverse.
        {R"(<a href='x"y'>x"y</a>)", R"(<a href='&#120;&#34;&#121;'>&#120;&#34;&#121;</a>)"},
        {R"(<a href="x'y">x'y</a>)", R"(<a href="&#120;&#39;&#121;">&#120;&#39;&#121;</a>)"},
        {"<a href='x>y</a>", "warning: Invalid link, the 'href' value is not closed"},
        {"<a href=x", "warning: Invalid link, the 'href' value is not closed"},
        {"<a href=\"x\" title='y", "warning: Invalid link, the 'href' value is not closed"},
        {"<a href=\"x\">x</a><b title='y", "<a href=\"&#120;\">&#120;</a><b title='y"},
        {"<a href=''>y</a>", "<a href=''>y</a>"},
    });
}

TEST(LinkModeTest, EndsUnquotedValuesAtAnyWhiteSpaceOrTagEnd)
{
    ExpectCodes({
        {"<a href=x\ttitle=z>y</a>", "<a href=&#120;\ttitle=z>y</a>"},
        {"<a href=x\ntitle=z>y</a>", "<a href=&#120;\ntitle=z>y</a>"},
        {"<a href=x\rtitle=z>y</a>", "<a href=&#120;\rtitle=z>y</a>"},
        // A vertical tab is no white space to HTML.
        // (Control characters stay raw: parsers differ on what they make of them.)
        {"<a href=x\vtitle=z>y</a>",
         "<a href=&#120;\v&#116;&#105;&#116;&#108;&#101;&#61;&#122;>y</a>"},
        {"<a href=x\ftitle=z>y</a>", "<a href=&#120;\ftitle=z>y</a>"},
        {"<a href=/p/q>go</a>", "<a href=&#47;&#112;&#47;&#113;>go</a>"},
        // No value at all: nothing to protect.
        {"<a href=>y</a>", "<a href=>y</a>"},
        {"<a href>y</a>", "<a href>y</a>"},
    });
}

TEST(LinkModeTest, LeavesTheMarkupItselfIntact)
{
    ExpectCodes({
        {R"(<a href="/">Home</a>)", R"(<a href="&#47;">Home</a>)"},
        {R"(<a href="a">a</a>)", R"(<a href="&#97;">&#97;</a>)"},
        {R"(<a href="ref">ref</a>)", R"(<a href="&#114;&#101;&#102;">&#114;&#101;&#102;</a>)"},
        {R"(<a href="title" title="title">title</a>)",
         R"(<a href="&#116;&#105;&#116;&#108;&#101;" title="&#116;&#105;&#116;&#108;&#101;">)"
         R"(&#116;&#105;&#116;&#108;&#101;</a>)"},
        // Occurrences that reach into the markup stay: here the one in "</a>".
        {R"(<a href="a>">a></a>)", R"(<a href="&#97;&#62;">&#97;&#62;</a>)"},
        {R"(<a href="=">a=b</a>)", R"(<a href="&#61;">a&#61;b</a>)"},
        // The content and other attribute values are still replaced, also several times.
        {R"(<a href="x" title="x x"><b>x</b>x</a>)",
         R"(<a href="&#120;" title="&#120; &#120;"><b>&#120;</b>&#120;</a>)"},
        // Comments are markup too.
        {R"(<a href="x"><!-- x -->x</a>)", R"(<a href="&#120;"><!-- x -->&#120;</a>)"},
    });
}

TEST(LinkModeTest, ReplacesFromLeftToRightWithoutOverlap)
{
    ExpectCodes({
        {R"(<a href="aa">aaaaa</a>)", R"(<a href="&#97;&#97;">&#97;&#97;&#97;&#97;a</a>)"},
        // The end tag holds "/a" as well, as markup.
        {R"(<a href="/a">/a</a>)", R"(<a href="&#47;&#97;">&#47;&#97;</a>)"},
    });
}

TEST(LinkModeTest, KeepsCharacterReferencesWhole)
{
    ExpectCodes({
        // "&amp;" in a URL means "&": it stays, so the link keeps its target.
        {R"(<a href="q?a=1&amp;b=2">go</a>)",
         R"(<a href="&#113;&#63;&#97;&#61;&#49;&amp;&#98;&#61;&#50;">go</a>)"},
        // A match must not split a reference of the content ("&eacute;" is one character).
        {R"(<a href="a">caf&eacute; a</a>)", R"(<a href="&#97;">c&#97;f&eacute; &#97;</a>)"},
        {R"(<a href="5">&#35;5</a>)", R"(<a href="&#53;">&#35;&#53;</a>)"},
        // What only looks like a reference is plain text.
        {R"(<a href="a&b">a&b</a>)", R"(<a href="&#97;&#38;&#98;">&#97;&#38;&#98;</a>)"},
    });
}

TEST(LinkModeTest, KeepsWhatEachReferenceMeansWhereItStands)
{
    ExpectCodes({
        // "&amp" without ";" is "&" before a quote, but text before a letter in an attribute:
        // so it stays in the value, and "&ampx" is written out whole in the title.
        {R"(<a href="?a=1&amp" title="&amp?a=1&amp">t</a>)",
         R"(<a href="&#63;&#97;&#61;&#49;&amp" title="&amp&#63;&#97;&#61;&#49;&amp">t</a>)"},
        {R"(<a href="x" title="&ampx">x&ampx</a>)",
         R"(<a href="&#120;" title="&#38;&#97;&#109;&#112;&#120;">&#120;&amp&#120;</a>)"},
        // An occurrence that would split "&not;" or "&#120;" stays; a line break stays as it is.
        {R"(<a href="ot;">&not;ot;</a>)",
         R"(<a href="&#111;&#116;&#59;">&not;&#111;&#116;&#59;</a>)"},
        {R"(<a href="20">&#120;20</a>)", R"(<a href="&#50;&#48;">&#120;&#50;&#48;</a>)"},
        {"<a href=\"a\r\nb\">a\r\nb</a>", "<a href=\"&#97;\r\n&#98;\">&#97;\r\n&#98;</a>"},
    });
}

TEST(LinkModeTest, HidesEveryAddressOfAMailtoLinkInTheDecodedText)
{
    // Each address of the path and of the cc field, in any letter case, also where references
    // spell it (none of them is a well-formed address, so only the link names them).
    const std::string code = "<a href=\"" + EncodeEntities("mailto:a@b.c,D@E.F?cc=x@y.z") +
                             "\" title=\"" + EncodeEntities("a@b.c") + "\">" +
                             EncodeEntities("A@B.C") + " " + EncodeEntities("d") + "&#64;" +
                             EncodeEntities("e.f") + " " + EncodeEntities("x@y.z") + "</a>";
    EXPECT_EQ(LinkCode(R"(<a href="mailto:a@b.c,D@E.F?cc=x@y.z" title="a@b.c">)"
                       R"(A@B.C d&#64;e.f x@y.z</a>)"),
              code);
}

TEST(LinkModeTest, LeavesNoPartOfAWordReadableAsAnAddress)
{
    // "me@x.bmp" names a file; with the target "p" written out, "me@x.bm" would read as an
    // address, so the whole of it is written out.
    EXPECT_EQ(LinkCode("<a href=p>me@x.bmp</a>"),
              "<a href=&#112;>" + EncodeEntities("me@x.bmp") + "</a>");
}

TEST(LinkModeTest, UsesTheFirstHrefInAnyLetterCaseAndPlace)
{
    ExpectCodes({
        {R"(<a Href="x">y</a>)", R"(<a Href="&#120;">y</a>)"},
        {R"(<a href = "x" HREF="y">y</a>)", R"(<a href = "&#120;" HREF="y">y</a>)"},
        // Only the attribute counts, not "href=" inside another value, a comment or a script.
        {R"(<a data-href="x" title='href="y"'>x</a>)",
         "warning: Invalid link, please specify 'href' attribute"},
        {R"(<a title="see href=t here" href="u">t u</a>)",
         R"(<a title="see href=t here" href="&#117;">t &#117;</a>)"},
        {R"(<!-- x --!><script>u</script><a href="u">u</a>)",
         R"(<!-- x --!><script>u</script><a href="&#117;">&#117;</a>)"},
    });
}

TEST(LinkModeTest, TrimsTheLinkAndKeepsWhatIsAroundTheElement)
{
    ExpectCodes({
        {"  \r\n<a href=\"x\">x</a>\n\t ", "<a href=\"&#120;\">&#120;</a>"},
        {"Mail <a href=\"x\">x</a> or x.", "Mail <a href=\"&#120;\">&#120;</a> or &#120;."},
        {"<a href=\"caf\xC3\xA9\">caf\xC3\xA9</a>",
         "<a href=\"&#99;&#97;&#102;\xC3\xA9\">&#99;&#97;&#102;\xC3\xA9</a>"},
        // A "<" that opens no tag is text.
        {"<a href=\"x\">x < x</a>", "<a href=\"&#120;\">&#120; < &#120;</a>"},
    });
}

TEST(LinkModeTest, HandlesLongRepetitiveLinks)
{
    // 100,000 occurrences of the value in a link of about a megabyte, each after a near miss.
    const std::string value = "mailto:me@example.org";
    std::string link = "<a href=\"" + value + "\">";
    for (int i = 0; i < 100'000; ++i)
        link += "(mail me) " + value;
    link += "</a>";
    const std::string encoded = EncodeEntities(value);
    std::string expected = "<a href=\"" + encoded + "\">";
    for (int i = 0; i < 100'000; ++i)
        expected += "(mail me) " + encoded;
    expected += "</a>";
    EXPECT_EQ(LinkCode(link), expected);

    // Past the parse errors the reader keeps (stray end tags), a value cut off is still found.
    std::string stray;
    for (int i = 0; i < 3000; ++i)
        stray += "</x>";
    EXPECT_EQ(LinkCode(stray + "<a href='x>y</a>"),
              "warning: Invalid link, the 'href' value is not closed");

    // A value that almost matches everywhere.
    const std::string nearMiss(200'000, 'a');
    const std::string text = "<a href=\"" + nearMiss + "b\">" + std::string(500'000, 'a') + "</a>";
    EXPECT_EQ(LinkCode(text), "<a href=\"" + EncodeEntities(nearMiss + "b") + "\">" +
                                  std::string(500'000, 'a') + "</a>");
}

} // namespace
} // namespace quillveil
