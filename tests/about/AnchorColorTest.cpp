#include "AnchorColor.h"
#include "LinkLook.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillveil;

TEST(ParseAnchorColor, ReadsTheBrowsersColourTexts)
{
    EXPECT_EQ(ParseAnchorColor("0,0,255"), 0xFF0000u);
    EXPECT_EQ(ParseAnchorColor("0,0,255"), MakeColorRef(0, 0, 255));
    EXPECT_EQ(ParseAnchorColor("128"), MakeColorRef(128, 128, 128));
    EXPECT_EQ(ParseAnchorColor("10,20"), MakeColorRef(10, 20, 20));
    EXPECT_EQ(ParseAnchorColor(""), MakeColorRef(0, 0, 0));
    EXPECT_EQ(ParseAnchorColor("300,0,0"), MakeColorRef(44, 0, 0));
    EXPECT_EQ(ParseAnchorColor("-1,0,0"), MakeColorRef(255, 0, 0));
    EXPECT_EQ(ParseAnchorColor(" 1, 2, 3"), MakeColorRef(1, 2, 3));
    EXPECT_EQ(ParseAnchorColor("1,2,3,4"), MakeColorRef(1, 2, 3));
    EXPECT_EQ(ParseAnchorColor("0,,7"), MakeColorRef(0, 0, 7));
}

TEST(ParseAnchorColor, ReadsNumbersTheWayAtoiDoes)
{
    EXPECT_EQ(ParseAnchorColor("+5,\t\n6,\v\f\r7"), MakeColorRef(5, 6, 7));
    EXPECT_EQ(ParseAnchorColor("12abc,34x,56 "), MakeColorRef(12, 34, 56));
    EXPECT_EQ(ParseAnchorColor("x,-,+"), MakeColorRef(0, 0, 0));
    EXPECT_EQ(ParseAnchorColor("- 5,0,0"), MakeColorRef(0, 0, 0));
    EXPECT_EQ(ParseAnchorColor("-256,-257,-255"), MakeColorRef(0, 255, 1));
    EXPECT_EQ(ParseAnchorColor("0x10,0,0"), MakeColorRef(0, 0, 0));
}

TEST(ParseAnchorColor, KeepsTheLowByteOfNumbersBeyondAnyIntegerType)
{
    // 2^64 + 7 and 10^40 + 1: only their low 8 bits count, whatever their size.
    EXPECT_EQ(ParseAnchorColor("18446744073709551623,0,0"), MakeColorRef(7, 0, 0));
    EXPECT_EQ(ParseAnchorColor("0,10000000000000000000000000000000000000001,0"),
              MakeColorRef(0, 1, 0));
    EXPECT_EQ(ParseAnchorColor("0,0,-2147483649"), MakeColorRef(0, 0, 255));
    // 10^1000 - 1: a multiple of 256 less one.
    EXPECT_EQ(ParseAnchorColor(std::string(1000, '9')), MakeColorRef(255, 255, 255));
}

TEST(ParseAnchorColor, StopsAtTheFirstNulByte)
{
    using namespace std::string_literals;
    EXPECT_EQ(ParseAnchorColor("1,2\0,3"s), MakeColorRef(1, 2, 2));
    EXPECT_EQ(ParseAnchorColor("\0"s
                               "9,9,9"),
              MakeColorRef(0, 0, 0));
}

TEST(LinkColorsFrom, KeepsTheDefaultsWhereNothingCanBeRead)
{
    const LinkColors defaults = LinkColorsFrom({});
    EXPECT_EQ(defaults.crLink, MakeColorRef(0, 0, 200));
    EXPECT_EQ(defaults.crLink, 0xC80000u);
    EXPECT_EQ(defaults.crHover, MakeColorRef(0, 0, 255));
    EXPECT_EQ(defaults.crVisited, 9380357u);
    EXPECT_EQ(defaults.crVisited, MakeColorRef(5, 34, 143));

    // A text too long for the 32-byte buffer fails to read.
    const std::string tooLong = "1,2,3" + std::string(28, ' ');
    EXPECT_EQ(LinkColorsFrom({tooLong, tooLong}), defaults);
    const std::string fits = "1,2,3" + std::string(27, ' ');
    EXPECT_EQ(LinkColorsFrom({fits, std::nullopt}).crLink, MakeColorRef(1, 2, 3));
}

TEST(LinkColorsFrom, TheAnchorColourServesForNormalAndHover)
{
    const LinkColors red = LinkColorsFrom({"255,0,0", std::nullopt});
    EXPECT_EQ(red.crLink, MakeColorRef(255, 0, 0));
    EXPECT_EQ(red.crHover, MakeColorRef(255, 0, 0));
    EXPECT_EQ(red.crVisited, MakeColorRef(5, 34, 143));

    const LinkColors visitedOnly = LinkColorsFrom({std::nullopt, "1,2,3"});
    EXPECT_EQ(visitedOnly.crLink, MakeColorRef(0, 0, 200));
    EXPECT_EQ(visitedOnly.crHover, MakeColorRef(0, 0, 255));
    EXPECT_EQ(visitedOnly.crVisited, MakeColorRef(1, 2, 3));

    // An empty value holds no number: black.
    const LinkColors empty = LinkColorsFrom({"", ""});
    EXPECT_EQ(empty.crLink, 0u);
    EXPECT_EQ(empty.crHover, 0u);
    EXPECT_EQ(empty.crVisited, 0u);
}
