#include "CodeRows.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using quillveil::CodeRows;

namespace {

bool IsContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::size_t Characters(std::string_view bytes)
{
    std::size_t n = 0;
    for (const char byte : bytes) {
        n += IsContinuation(byte) ? 0u : 1u;
    }
    return n;
}

/// Text of letters, one- to four-byte characters and every kind of line break.
std::string RandomText(std::mt19937& random)
{
    static const char* const pieces[] = {
        "a", "b", " ", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\n", "\r\n", "\r", "&#64;"};
    std::string text;
    const std::size_t length = random() % 40;
    for (std::size_t i = 0; i < length; ++i) {
        text += pieces[random() % std::size(pieces)];
    }
    return text;
}

} // namespace

// Rows laid end to end, with nothing but one line break or nothing between
// them, give back the text; a row is never wider than the columns and only a
// full row is continued without a break; the offset and column mappings are
// each other's inverse on every character boundary.
TEST(CodeRows, RowsRebuildTheTextAndMapOffsetsBothWays)
{
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = RandomText(random);
        const std::size_t columns = 1 + random() % 7;
        const CodeRows rows(text, columns);
        SCOPED_TRACE(testing::Message() << "columns " << columns << ", text \"" << text << '"');

        std::string rebuilt;
        for (std::size_t r = 0; r < rows.Count(); ++r) {
            const std::string_view row = rows.Row(r);
            ASSERT_EQ(rows.RowStart(r), rebuilt.size());
            ASSERT_LE(Characters(row), columns);
            rebuilt += row;
            const std::size_t next = r + 1 < rows.Count() ? rows.RowStart(r + 1) : text.size();
            const std::string_view gap(text.data() + rebuilt.size(), next - rebuilt.size());
            ASSERT_TRUE(gap.empty() || gap == "\n" || gap == "\r\n" || gap == "\r") << "row " << r;
            if (gap.empty() && r + 1 < rows.Count()) {
                ASSERT_EQ(Characters(row), columns) << "row " << r << " wrapped before it was full";
            }
            rebuilt += gap;

            for (std::size_t i = 0; i <= row.size(); ++i) {
                const std::size_t offset = rows.RowStart(r) + i;
                if (i < row.size() && IsContinuation(row[i])) {
                    continue;
                }
                ASSERT_EQ(rows.OffsetAt(r, rows.ColumnOf(r, offset)), offset);
                if (i < row.size() || r + 1 == rows.Count()) {
                    ASSERT_EQ(rows.RowOf(offset), r);
                }
            }
            ASSERT_EQ(rows.OffsetAt(r, columns + 5), rows.RowStart(r) + row.size());
        }
        ASSERT_EQ(rebuilt, text);
    }
}

TEST(CodeRows, ALongLineWrapsIntoFullRows)
{
    const std::string text(1000, 'x');
    const CodeRows rows(text, 64);
    ASSERT_EQ(rows.Count(), 16u);
    EXPECT_EQ(rows.Row(15).size(), 1000u - 15 * 64);
    EXPECT_EQ(rows.RowOf(text.size()), 15u);
}
