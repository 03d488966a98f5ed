#include "EncodedPages.h"
#include "ConvertedText.h"
#include "EncodingSniffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace quillveil {
namespace {

using testing::ConvertedText;

std::string Sniffed(std::string_view bytes)
{
    const SniffedEncoding sniffed = SniffEncoding(bytes);
    switch (sniffed.source) {
    case SniffedEncoding::Source::ByteOrderMark:
        return "mark " + std::string(sniffed.encoding->name);
    case SniffedEncoding::Source::Declaration:
        return std::string(sniffed.encoding->name) + " at " +
               std::to_string(sniffed.declarationOffset);
    case SniffedEncoding::Source::StatefulDeclaration:
        return "stateful " + sniffed.label;
    case SniffedEncoding::Source::Utf16WithoutMark:
        return "unmarked " + std::string(sniffed.encoding->name);
    case SniffedEncoding::Source::None:
        break;
    }
    return "none";
}

TEST(EncodedPagesTest, FindsTheEncodingAsBrowsersDo)
{
    using namespace std::string_literals;
    const std::string padding(1010, ' ');
    const std::pair<std::string, std::string> cases[] = {
        // A byte order mark wins over any declaration.
        {"\xEF\xBB\xBF<meta charset=koi8-r>", "mark UTF-8"},
        {"\xFF\xFE<\0"s, "mark UTF-16LE"},
        {"\xFE\xFF\0<"s, "mark UTF-16BE"},
        // Labels as the encoding standard maps them.
        {"<meta charset=\"latin1\">", "windows-1252 at 0"},
        {"<META CHARSET=' ASCII '>", "windows-1252 at 0"},
        {"<meta charset=x-sjis>", "Shift_JIS at 0"},
        {"<meta charset=utf-16>", "UTF-8 at 0"},
        {"<meta charset=x-user-defined>", "windows-1252 at 0"},
        {"<meta charset=iso-2022-kr>", "replacement at 0"},
        // http-equiv: the content counts only with the pragma, in either order.
        {"<meta content='text/html; charset=euc-kr' http-equiv=Content-Type>", "EUC-KR at 0"},
        {"<meta http-equiv=\"content-type\" content=\"text/html;charset='koi8-r'\">",
         "KOI8-R at 0"},
        {"<meta content='text/html; charset=euc-kr'><meta charset=big5>", "Big5 at 42"},
        // Unknown labels are passed over; the first meta that names one decides.
        {"<meta charset=klingon><meta charset=gbk><meta charset=big5>", "GBK at 22"},
        {"<meta charset=utf-8 charset=big5>", "UTF-8 at 0"},
        // What is not a meta tag: comments, other tags' attributes, bogus markup, a late one.
        {"<!-- <meta charset=big5> --><meta charset=euc-jp>", "EUC-JP at 28"},
        {"<!--><meta charset=euc-jp>", "EUC-JP at 5"},
        {"<p title='<meta charset=big5>'><meta charset=euc-jp>", "EUC-JP at 31"},
        {"<?php <meta charset=big5> ?>", "none"},
        {"<metacharset=big5><meta/charset=euc-jp>", "EUC-JP at 18"},
        {"<meta charset=big5", "none"},
        {padding + "<meta charset=big5>", "none"},
        // Stateful encodings browsers do not know; UTF-16 pages without a mark.
        {"<meta http-equiv=content-type content='text/html; charset=UTF-7'>", "stateful utf-7"},
        {"<meta charset=iso-2022-jp-2><meta charset=big5>", "Big5 at 28"},
        {"<\0h\0t\0m\0l\0>\0"s, "unmarked UTF-16LE"},
        {"\0<\0p\0>"s, "unmarked UTF-16BE"},
        {"<p>\0"s, "none"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(Sniffed(bytes), expected) << bytes;
}

/// An encoding to write pages in, and how a page says so.
struct Target {
    const char* iconvName;
    /// Written at the start of the page: a declaration, or a character that makes the page
    /// invalid UTF-8 whatever follows.
    std::string lead;
    /// Bytes before the page: a byte order mark.
    std::string mark;
};

/// What the bytes [0, offset) of `bytes` (after its mark) decode to, by the C library.
std::string Before(const std::string& bytes, const Target& target, std::size_t offset)
{
    const std::size_t mark = target.mark.size();
    return ConvertedText(std::string_view(bytes).substr(mark, offset - mark), "UTF-8",
                         target.iconvName)
        .value_or("(undecodable)");
}

TEST(EncodedPagesTest, PagesInAnyEncodingProtectAndCheckAsTheirUtf8Text)
{
    // Pieces that meet in every order, some outside ASCII; each encoding gets those it can
    // write. "\xE3\x82\xA1" is written 0x83 0x40 in Shift_JIS: "@" as its second byte.
    // clang-format off
    const std::vector<std::string> pieces = {
        "me@x.org", "mailto:", "MAILTO:a@b.co", "&amp", "&#64;", "&", "<p>", "<a href=\"",
        "<a href=", "\">", ">", "<b title='", "'>", " ", "<script>", "</script>", "<!--", "-->",
        "\r\n", "@", ".", "x", "\xC3\xA9", "\xD0\xB6", "\xE3\x81\x82", "\xE3\x82\xA1",
        "\xED\x95\x9C", "\xE4\xB8\xAD", "\xE2\x82\xAC", "\xC3\x8A\xCC\x84", "\xF0\x9F\x98\x80"};
    // clang-format on
    const std::vector<Target> targets = {
        {"CP1252", "<meta charset=\"iso-8859-1\">", ""},
        {"CP1252", "\xC3\xA9 ", ""},
        {"KOI8-R", "<meta charset=koi8-r>", ""},
        {"CP932", "<meta http-equiv=Content-Type content='text/html; charset=x-sjis'>", ""},
        {"EUC-JP", "<meta charset=euc-jp>", ""},
        {"CP949", "<meta charset=euc-kr>", ""},
        {"GB18030", "<meta charset=gbk>", ""},
        {"BIG5-HKSCS", "<meta charset=big5>", ""},
        {"ISO-2022-JP", "<meta charset=iso-2022-jp>", ""},
        {"UTF-8", "", "\xEF\xBB\xBF"},
        {"UTF-16LE", "", "\xFF\xFE"},
        {"UTF-16BE", "", "\xFE\xFF"},
    };
    std::mt19937 random(20261207);
    for (const Target& target : targets) {
        std::vector<std::string> writable;
        for (const std::string& piece : pieces)
            if (ConvertedText(piece, target.iconvName, "UTF-8"))
                writable.push_back(piece);
        int changed = 0;
        for (int round = 0; round < 150; ++round) {
            std::string page = target.lead;
            for (auto length = 1 + random() % 16; length > 0; --length)
                page += writable[random() % writable.size()];
            const std::string bytes = target.mark + *ConvertedText(page, target.iconvName, "UTF-8");
            SCOPED_TRACE(target.iconvName + (" " + page));

            const ProtectedPage expected = ProtectPage(page);
            const ProtectedPageBytes result = ProtectPageBytes(bytes);
            ASSERT_EQ(result.page.outcome, expected.outcome) << result.problem;
            ASSERT_EQ(result.page.changes.size(), expected.changes.size());
            for (std::size_t i = 0; i < expected.changes.size(); ++i) {
                const PageChange& change = result.page.changes[i];
                EXPECT_EQ(Before(bytes, target, change.begin),
                          page.substr(0, expected.changes[i].begin));
                EXPECT_EQ(Before(bytes, target, change.end),
                          page.substr(0, expected.changes[i].end));
                EXPECT_EQ(change.position.line, expected.changes[i].position.line);
                EXPECT_EQ(change.position.column, expected.changes[i].position.column);
            }
            const std::vector<HarvestFinding> found = FindHarvestable(page);
            const std::vector<HarvestFinding> foundInBytes = FindHarvestableBytes(bytes);
            ASSERT_EQ(foundInBytes.size(), found.size());
            for (std::size_t i = 0; i < found.size(); ++i) {
                EXPECT_EQ(DescribeFinding(foundInBytes[i]), DescribeFinding(found[i]));
                EXPECT_EQ(Before(bytes, target, foundInBytes[i].offset),
                          page.substr(0, found[i].offset));
                EXPECT_EQ(foundInBytes[i].position.column, found[i].position.column);
            }
            if (expected.outcome != ProtectedPage::Outcome::Changed)
                continue;
            ++changed;
            // Only the changes differ, and they are written as the encoding writes them.
            EXPECT_EQ(result.page.text,
                      target.mark + *ConvertedText(expected.text, target.iconvName, "UTF-8"));
            EXPECT_EQ(FindHarvestableBytes(result.page.text).size(),
                      FindHarvestable(expected.text).size());
        }
        EXPECT_GT(changed, 20) << target.iconvName;
    }
}

/// What an independent HTML5 parser that finds the encoding itself makes of each page.
std::vector<std::string> ReadByHtml5lib(const std::vector<std::string>& pages)
{
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "encoded";
    std::filesystem::create_directories(dir);
    std::string command = "/usr/bin/python3 " QUILLVEIL_DECODED_DOM " --bytes";
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::filesystem::path file = dir / (std::to_string(i) + ".html");
        std::ofstream(file, std::ios::binary) << pages[i];
        command.append(" ").append(file.string());
    }
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t read; pipe && (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, read);
    EXPECT_TRUE(pipe && pclose(pipe) == 0);
    std::vector<std::string> documents;
    for (std::size_t head = output.find("== "); head != std::string::npos;) {
        const std::size_t next = output.find("\n== ", head);
        documents.push_back(
            output.substr(head, next == std::string::npos ? next : next + 1 - head));
        documents.back().erase(0, documents.back().find('\n'));
        head = next == std::string::npos ? next : next + 1;
    }
    return documents;
}

TEST(EncodedPagesTest, ProtectedPagesReadTheSameToAnIndependentParser)
{
    using namespace std::string_literals;
    // Each page in its encoding, and a word of it as that parser should decode it (UTF-8).
    const std::pair<std::string, std::string> pages[] = {
        {"<meta charset=\"ISO-8859-1\"><title>Caf\xE9 me@x.org</title>"
         "<a href=\"mailto:me@x.org?subject=Caf&eacute;\">\xE9\xE8</a>",
         "Caf\xC3\xA9"},
        // Windows-1252 without a declaration, with a byte the code page leaves unassigned.
        {"<p>\x93quoted\x94 \x80\x81 me@x.org, mailto:you@x.org</p>", "\xE2\x80\x9Cquoted"},
        // Shift_JIS, "@" as the second byte of a character next to an address, and "a" as
        // the second byte of one right before an "@".
        {"<meta charset=shift_jis><p>\x83\x40me@x.org\x83\x40 \x83\x61@x.org</p>",
         "\xE3\x82\xA1me@x.org"},
        {"<meta charset=\"euc-kr\"><p>\xC7\xD1\xB1\xB9 <a href=mailto:me@x.org>me@x.org</a>",
         "\xED\x95\x9C\xEA\xB5\xAD"},
        // ISO-2022-JP: "@" inside a double-byte run is no address.
        {"<meta charset=\"iso-2022-jp\"><p>\x1b$B00@AA.AA\x1b(B me@x.org \x1b$B$\"\x1b(Bmailto:"
         "a@x.org</p>",
         "\xE6\x97\xAD\xE8\xAB\x8B"},
        {"\xFF\xFE<\0p\0>\0\xE9\0 \0m\0e\0@\0x\0.\0o\0r\0g\0=\xD8\0\xDE<\0/\0p\0>\0"s,
         "\xC3\xA9 me@x.org\xF0\x9F\x98\x80"},
    };
    std::vector<std::string> read;
    for (const auto& [bytes, word] : pages) {
        const ProtectedPageBytes result = ProtectPageBytes(bytes);
        ASSERT_EQ(result.page.outcome, ProtectedPage::Outcome::Changed) << result.problem;
        EXPECT_TRUE(FindHarvestableBytes(result.page.text).empty()) << result.page.text;
        read.push_back(bytes);
        read.push_back(result.page.text);
    }
    const std::vector<std::string> documents = ReadByHtml5lib(read);
    ASSERT_EQ(documents.size(), read.size());
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        EXPECT_EQ(documents[2 * i + 1], documents[2 * i]) << pages[i].first;
        EXPECT_NE(documents[2 * i].find(pages[i].second), std::string::npos) << documents[2 * i];
    }
}

TEST(EncodedPagesTest, LeavesAlonePagesItCannotProtectInTheirEncoding)
{
    using namespace std::string_literals;
    struct Case {
        std::string bytes;
        std::string problem;
        std::size_t line;
        std::size_t column;
    };
    const std::string pushed = "<title>" + std::string(960, 'x') + " me@x.org</title>" +
                               "<meta charset=koi8-r><p>\xF0\xD2\xC9\xD7\xC5\xD4</p>";
    const Case cases[] = {
        {"<\0p\0>\0m\0e\0@\0x\0.\0o\0r\0g\0"s,
         "looks like UTF-16LE without a byte order mark, which browsers do not read as UTF-16", 1,
         1},
        {"<p>me@x.org</p>\n<meta charset=utf-7>",
         "declares utf-7, an encoding browsers do not read", 2, 1},
        {"<meta charset=ISO-2022-KR><p>me@x.org",
         "declares iso-2022-kr, an encoding browsers do "
         "not read",
         1, 1},
        {"<p>me@x.org \x1b$B00@AA.AA\x1b(B",
         "holds ISO-2022 escape sequences but declares no encoding", 1, 13},
        {"<meta charset=shift_jis>\n<p>\x83\x40me@x.org \x82\x20</p>", "not valid Shift_JIS", 2,
         14},
        {pushed, "cannot be protected in KOI8-R without changing how it reads", 1, 969},
    };
    for (const Case& c : cases) {
        const ProtectedPageBytes result = ProtectPageBytes(c.bytes);
        EXPECT_EQ(result.page.outcome, ProtectedPage::Outcome::Unreadable) << c.bytes;
        EXPECT_EQ(result.problem, c.problem);
        EXPECT_EQ(result.page.problemPosition.line, c.line) << c.problem;
        EXPECT_EQ(result.page.problemPosition.column, c.column) << c.problem;
        // The check still names what a harvester reads there.
        EXPECT_FALSE(FindHarvestableBytes(c.bytes).empty()) << c.problem;
    }
    // Without a mark, UTF-16 is read as a harvester that decodes it would: as no document.
    const std::vector<HarvestFinding> unmarked = FindHarvestableBytes(cases[0].bytes);
    ASSERT_EQ(unmarked.size(), 1u);
    EXPECT_EQ(unmarked[0].offset, 6u);
    EXPECT_EQ(DescribeFinding(unmarked[0]), "address me@x.org in a page not readable as HTML");
}

} // namespace
} // namespace quillveil
