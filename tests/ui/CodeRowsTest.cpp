#include "CodeRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using quillveil::CodeRows;

namespace {

/// Text of letters, tabs, one- to four-byte characters, wide characters,
/// combining marks, bytes that are not UTF-8 and every kind of line break.
std::string RandomText(std::mt19937& random)
{
    // Wide, combining, invalid and truncated characters among plain ones.
    static const std::string_view pieces[] = {"a",
                                              " ",
                                              "\t",
                                              "\n",
                                              "\r\n",
                                              "\r",
                                              "&#64;",
                                              "\xC3\xA9",
                                              "\xE2\x82\xAC",
                                              "\xF0\x9F\x98\x80",
                                              "\xE6\xBC\xA2",
                                              "\xCC\x81",
                                              "e\xCC\x81\xCC\xA3",
                                              "\xFF",
                                              "\x80",
                                              "\xE6\xBC"};
    std::string text;
    const std::size_t length = random() % 40;
    for (std::size_t i = 0; i < length; ++i) {
        text += pieces[random() % std::size(pieces)];
    }
    return text;
}

/// The cells `row` takes, and those of its last character.
std::pair<std::size_t, std::size_t> Width(std::string_view row)
{
    std::size_t used = 0;
    std::size_t last = 0;
    for (std::size_t i = 0; i < row.size();) {
        const quillveil::CodeCharacter c = quillveil::DecodeCharacter(row, i);
        last = c.code == '\t' ? quillveil::TabCells - used % quillveil::TabCells
                              : quillveil::CellsOf(c.code);
        used += last;
        i += c.length;
    }
    return {used, last};
}

} // namespace

// Rows laid end to end, with nothing but one line break or nothing between
// them, give back the text; a row is never wider than its cells and is
// continued without a break only where the next character would not fit; the
// caret's steps forward and back visit the same offsets, never split a
// character from its marks or "\r\n", and characters and bytes convert both
// ways.
TEST(CodeRows, RowsRebuildTheTextAndTheCaretStepsOverWholeCharacters)
{
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random);
        const std::size_t cells = 1 + random() % 12;
        const CodeRows rows(text, cells);
        SCOPED_TRACE(testing::Message() << "cells " << cells << ", text \"" << text << '"');

        std::string rebuilt;
        for (std::size_t r = 0; r < rows.Count(); ++r) {
            const std::string_view row = rows.Row(r);
            ASSERT_EQ(rows.RowStart(r), rebuilt.size());
            const auto [used, last] = Width(row);
            ASSERT_TRUE(used <= cells || used == last) << "row " << r << " overflows";
            rebuilt += row;
            const std::size_t next = r + 1 < rows.Count() ? rows.RowStart(r + 1) : text.size();
            const std::string_view gap(text.data() + rebuilt.size(), next - rebuilt.size());
            ASSERT_TRUE(gap.empty() || gap == "\n" || gap == "\r\n" || gap == "\r") << "row " << r;
            if (gap.empty() && r + 1 < rows.Count()) {
                const std::string_view following = std::string_view(text).substr(next);
                const std::size_t nextWidth =
                    text[next] == '\t'
                        ? quillveil::TabCells - used % quillveil::TabCells
                        : Width(following.substr(0, quillveil::DecodeCharacter(text, next).length))
                              .first;
                ASSERT_GT(used + nextWidth, cells) << "row " << r << " wrapped before it was full";
            }
            rebuilt += gap;
            ASSERT_EQ(rows.RowOf(rows.RowStart(r)), r);
        }
        ASSERT_EQ(rebuilt, text);

        std::vector<std::size_t> forward{0};
        while (forward.back() < text.size()) {
            forward.push_back(rows.NextStop(forward.back()));
            ASSERT_GT(forward.back(), forward[forward.size() - 2]);
        }
        std::vector<std::size_t> backward{text.size()};
        while (backward.front() > 0) {
            backward.insert(backward.begin(), rows.PreviousStop(backward.front()));
        }
        ASSERT_EQ(forward, backward);
        for (const std::size_t stop : forward) {
            if (stop < text.size()) {
                // A mark that opens a line has nothing to combine with.
                const bool opensLine =
                    stop == 0 || text[stop - 1] == '\n' || text[stop - 1] == '\r';
                ASSERT_TRUE(quillveil::CellsOf(quillveil::DecodeCharacter(text, stop).code) != 0 ||
                            opensLine)
                    << "a stop before a combining mark at " << stop;
                ASSERT_FALSE(stop > 0 && text.substr(stop - 1, 2) == "\r\n");
            }
        }

        std::size_t characters = 0;
        for (std::size_t i = 0; i < text.size(); ++characters) {
            ASSERT_EQ(rows.CharacterIndex(i), characters);
            ASSERT_EQ(rows.CharacterOffset(characters), i);
            i += quillveil::DecodeCharacter(text, i).length;
        }
        ASSERT_EQ(rows.CharacterCount(), characters);
        ASSERT_EQ(rows.CharacterOffset(characters), text.size());
    }
}

// A long line wraps into full rows; a wide character takes two cells, a
// combining mark none, and a tab reaches the next stop of eight; characters
// and bytes convert across the table's checkpoints.
TEST(CodeRows, WideCharactersMarksAndTabsTakeTheirCells)
{
    const std::string text(10000, 'x');
    const CodeRows rows(text, 64);
    ASSERT_EQ(rows.Count(), 157u);
    EXPECT_EQ(rows.Row(156).size(), 10000u - 156 * 64);
    EXPECT_EQ(rows.RowOf(text.size()), 156u);

    const std::string wide = "\xE6\xBC\xA2\xE5\xAD\x97\xE6\xBC\xA2"; // three wide characters
    EXPECT_EQ(CodeRows(wide, 4).Count(), 2u);
    const std::string marked = "e\xCC\x81"
                               "e\xCC\x81"
                               "e\xCC\x81"
                               "e\xCC\x81";
    EXPECT_EQ(CodeRows(marked, 4).Count(), 1u);
    const CodeRows tabbed("ab\tc\td", 17);
    EXPECT_EQ(tabbed.Count(), 1u);
    EXPECT_EQ(CodeRows("ab\tc\td", 16).Count(), 2u);

    std::string mixed;
    while (mixed.size() < 100000) {
        mixed += "a\xC3\xA9\xE6\xBC\xA2\r\n";
    }
    const CodeRows many(mixed, 80);
    EXPECT_EQ(many.CharacterCount(), mixed.size() / 8 * 5);
    for (std::size_t character : {4095u, 4096u, 4097u, 40000u, 54999u}) {
        const std::size_t offset = many.CharacterOffset(character);
        EXPECT_EQ(many.CharacterIndex(offset), character);
    }
}
