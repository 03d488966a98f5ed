#include "HtmlReader.h"

#include "CharacterReferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace quillveil {
namespace {

/// The runs of `html`, one a line: kind, element, attribute and the run's source.
std::string DescribeRuns(std::string_view html)
{
    static constexpr const char* kinds[] = {"text",  "attr", "rcdata",  "script",
                                            "style", "raw",  "comment", "cdata"};
    std::string described;
    const HtmlReading reading = ReadHtml(html);
    for (const HtmlRun& run : reading.Runs()) {
        described += kinds[static_cast<int>(run.kind)];
        described += run.decodesReferences ? "+" : "-";
        described += run.uncertain ? "? " : " ";
        described += run.element;
        if (run.kind == HtmlRunKind::AttributeValue)
            described.append("@").append(run.attribute);
        described.append(" [").append(html.substr(run.begin, run.end - run.begin)).append("]\n");
    }
    return described;
}

TEST(HtmlReaderTest, ReadsRunsAsABrowserDoes)
{
    // Attribute values without quotes, names in lower case, blanks around "=", the first of
    // two attributes of one name, attributes without value, and the tag each belongs to.
    EXPECT_EQ(DescribeRuns("<A HREF = 'x y' Href=2 data-href=\"#\" hidden>t&amp;</a>"),
              "attr+ a@href [x y]\n"
              "attr+ a@data-href [#]\n"
              "attr+ a@hidden []\n"
              "text+ a [t&amp;]\n");
    // Comments, including one that ends at "--!>", and what only looks like an attribute.
    EXPECT_EQ(DescribeRuns("<!-- x --!><p title='href=\"x\"'>y"), "comment-  [<!-- x --!>]\n"
                                                                  "attr+ p@title [href=\"x\"]\n"
                                                                  "text+ p [y]\n");
    // Contents of script, style, title, textarea, SVG's title, noscript (as a browser without
    // scripts reads it; with scripts, it shows none of it).
    EXPECT_EQ(DescribeRuns("<title>a&amp;</title><style>b</style><script>c<a href=x></script>"
                           "<textarea>d</textarea><svg><title>e</title><![CDATA[f]]></svg>"
                           "<noscript><a href=g>h</a></noscript>"),
              "rcdata+ title [a&amp;]\n"
              "style- style [b]\n"
              "script- script [c<a href=x>]\n"
              "rcdata+ textarea [d]\n"
              "text+ title [e]\n"
              "cdata- svg [<![CDATA[f]]>]\n"
              "attr+ a@href [g]\n"
              "text+ a [h]\n");
    // Tags the tree builder ignores or moves: a text's span takes in what it ignored (the
    // attributes of a second <body> go to the first) and says so.
    EXPECT_EQ(DescribeRuns("x</div>y<table>z<tr><td>w</table><p><b c=1>1<p>2</b>3"
                           "<body title=\"b>\" onload=1>v</>u"),
              "text+? body [x</div>y]\n"
              "text+ body [z]\n"
              "text+ td [w]\n"
              "attr+ b@c [1]\n"
              "text+ b [1]\n"
              "text+ b [2]\n"
              "text+? p [3<body title=\"b>\" onload=1>v</>u]\n");
    // What the tree builder makes up (the prompt and name="isindex" of <isindex>) is no run.
    EXPECT_EQ(DescribeRuns("<a href=p><isindex>"), "attr+ a@href [p]\n");
    // With scripts, noscript holds raw text a browser never shows, and a noscript that only
    // that reading has ends where "</noscript" does, whatever a textarea before it says.
    const HtmlReading noscript =
        ReadHtml("<noscript><textarea></noscript><noscript>b</noscript><p title=c>d");
    ASSERT_EQ(noscript.Readings().size(), 2u);
    std::string scripting;
    for (const HtmlRun& run : noscript.ScriptingRuns())
        scripting += std::to_string(run.begin) + "-" + std::to_string(run.end) + " ";
    EXPECT_EQ(scripting, "62-63 64-65 ");
}

/// `html` with every letter of its decoded text runs written as "&#120;" ("x"), and of the
/// contents of its CDATA sections as "x".
std::string MarkTextRuns(std::string_view html, const HtmlReading& reading)
{
    std::string marked;
    std::size_t copied = 0;
    for (const HtmlRun& run : reading.Runs()) {
        if (run.kind == HtmlRunKind::CData) {
            const std::size_t end = run.end - (html.substr(0, run.end).ends_with("]]>") ? 3 : 0);
            marked.append(html.substr(copied, run.begin + 9 - copied));
            for (std::size_t pos = run.begin + 9; pos < end; ++pos)
                marked += std::isalpha(static_cast<unsigned char>(html[pos])) ? 'x' : html[pos];
            copied = end;
        }
        if (run.kind != HtmlRunKind::Text || !run.decodesReferences)
            continue;
        marked.append(html.substr(copied, run.begin - copied));
        for (std::size_t pos = run.begin; pos < run.end; ++pos) {
            const CharacterReference reference = ReadCharacterReference(html, pos, false);
            if (reference.length > 0 && pos + reference.length <= run.end) {
                marked.append(html.substr(pos, reference.length));
                pos += reference.length - 1;
            } else {
                marked += std::isalpha(static_cast<unsigned char>(html[pos])) ? "&#120;"
                                                                              : html.substr(pos, 1);
            }
        }
        copied = run.end;
    }
    return marked.append(html.substr(copied));
}

/// The document's description with every letter of its texts made "x".
std::string MarkTexts(std::string description)
{
    bool inText = false;
    for (std::size_t i = 0; i < description.size(); ++i) {
        const char c = description[i];
        if (c == '\n')
            inText = false;
        else if (c == '"' && (i == 0 || description[i - 1] == ' ' || description[i - 1] == '\n'))
            inText = true;
        else if (inText && std::isalpha(static_cast<unsigned char>(c)))
            description[i] = 'x';
    }
    return description;
}

TEST(HtmlReaderTest, PlacesTextExactlyOrSaysItIsUncertain)
{
    // Where no run is uncertain, the runs hold all of the text and nothing else: written as
    // references, their letters change the document's texts, and only those (markup and
    // attributes stay as they were). Elsewhere the read-back of each edit decides.
    using namespace std::string_literals;
    const std::string longTag = "</div title='" + std::string(5000, '>') + "'>";
    const std::pair<std::string, bool> inputs[] = {
        {"<</a><", true},                             // a "<" of the text right before a tag
        {"a<<b></b>c<</x y='>'>d<", true},            // the same, a quoted ">" in it
        {"x</div>y<table>z<tr><td>w</table>v", true}, // ignored and moved tags
        {"p\0\x01q<svg>\0s</svg><svg><desc>\0t"s, false}, // NUL dropped, kept, dropped
        {"<frameset> a&#32;b </frameset> c", false},  // only white space stays in a frameset
        {"<template><col> d&#32;e", false},           // and in a column group
        {"<<noscript>&amp</noscript>&lt", false},     // references decoded in noscript too
        {"a<!doctype x>b<?c>d<!e>f</ g>h</>i", true}, // a doctype, bogus comments, "</>"
        {"j<body k='<l>'>m" + longTag + "n", true},   // a ">" in an ignored tag's value
        {"o <a b=c =d e = 'f>'>g</i j=\"k>\">l", true}, // quotes only open values after "="
        {"<svg>a<![CDATA[b&amp;]]><![CDATA[c]]>d<g/>e<![CDATA[f", true}, // sections amid text
        {"<math><mi><![CDATA[\0g]]>h"s, true}, // a text that starts inside a section
        {"<svg><desc>a</desc><![CDATA[b<c]]></svg>x&lt;y", false}, // a section of its own
    };
    for (const auto& [html, uncertain] : inputs) {
        const HtmlReading reading = ReadHtml(html);
        const bool saysUncertain = std::any_of(reading.Runs().begin(), reading.Runs().end(),
                                               [](const HtmlRun& run) { return run.uncertain; });
        EXPECT_EQ(saysUncertain, uncertain) << html;
        if (!saysUncertain) {
            EXPECT_EQ(DescribeDocument(MarkTextRuns(html, reading)),
                      MarkTexts(DescribeDocument(html)))
                << html;
        }
    }
}

TEST(HtmlReaderTest, TellsWhereTheTextIsCutOff)
{
    const auto problems = [](std::string_view html) {
        std::string found;
        const HtmlReading reading = ReadHtml(html);
        for (const HtmlProblem& problem : reading.Problems())
            found += std::to_string(static_cast<int>(problem.kind)) + (problem.quote ? "q" : "") +
                     "@" + std::to_string(problem.offset) + " ";
        return found;
    };
    EXPECT_EQ(problems("<a href=\"x\">y</a></"), ""); // a "<" at the end is text
    EXPECT_EQ(problems("<a href=\"mailto:me@x.org>Mail</a>"), "1q@33 ");
    EXPECT_EQ(problems("<a href='x"), "1q@10 ");
    EXPECT_EQ(problems("<a href=x"), "0@9 ");
    EXPECT_EQ(problems("<a href=\"x\" "), "0@12 ");
    EXPECT_EQ(problems("x<!-- y -->z<!-- y --"), "2@21 ");
    EXPECT_EQ(problems("x\xFF\xE2\x82y\xC3\xA9"), "3@1 "); // its text still placed
    // Past the errors Gumbo keeps (each stray end tag is one), the end is still read.
    std::string stray;
    for (int i = 0; i < 1500; ++i)
        stray += "</x>";
    EXPECT_EQ(problems(stray + "<a href='x"), "1q@6010 ");
    EXPECT_EQ(problems(stray + "<a href='x'>"), "");

    const std::string html = "a\r\nb\rc\n\xC3\xA9x";
    const HtmlReading reading = ReadHtml(html);
    const HtmlPosition x = reading.PositionOf(html.find('x'));
    EXPECT_EQ(x.line, 4u);
    EXPECT_EQ(x.column, 2u);
    EXPECT_EQ(reading.PositionOf(0).line, 1u);
    EXPECT_EQ(reading.PositionOf(3).line, 2u);
}

} // namespace
} // namespace quillveil
