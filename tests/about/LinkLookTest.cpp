#include "LinkLook.h"
#include "HotRect.h"

#include <gtest/gtest.h>

using namespace quillveil;

TEST(ChooseLinkLook, VisitedWinsOverHoverAndOnlyHoverUnderlines)
{
    const LinkColors colors{MakeColorRef(1, 1, 1), MakeColorRef(2, 2, 2), MakeColorRef(3, 3, 3)};
    EXPECT_EQ(ChooseLinkLook(false, false, colors), (LinkLook{colors.crLink, false}));
    EXPECT_EQ(ChooseLinkLook(false, true, colors), (LinkLook{colors.crVisited, false}));
    EXPECT_EQ(ChooseLinkLook(true, false, colors), (LinkLook{colors.crHover, true}));
    EXPECT_EQ(ChooseLinkLook(true, true, colors), (LinkLook{colors.crVisited, true}));
}

TEST(ChooseLinkLook, WithTheDefaultColours)
{
    const LinkColors defaults;
    EXPECT_EQ(ChooseLinkLook(false, false, defaults).color, MakeColorRef(0, 0, 200));
    EXPECT_EQ(ChooseLinkLook(true, false, defaults).color, MakeColorRef(0, 0, 255));
    EXPECT_EQ(ChooseLinkLook(true, true, defaults).color, MakeColorRef(5, 34, 143));
}

TEST(HotRect, SpansTheTextPlusHalfAnAverageCharacter)
{
    EXPECT_EQ(ComputeHotRect(17, 100, 7), (HotRect{0, 0, 103, 17}));
    // An empty text still reacts over half an average character.
    EXPECT_EQ(ComputeHotRect(17, 0, 8), (HotRect{0, 0, 4, 17}));
    // Wider than the control: not clipped.
    EXPECT_EQ(ComputeHotRect(10, 500, 6), (HotRect{0, 0, 503, 10}));
}

TEST(HotRect, LeftAndTopEdgesAreInsideRightAndBottomOutside)
{
    const HotRect rect = ComputeHotRect(17, 100, 7);
    EXPECT_TRUE(rect.Contains(0, 0));
    EXPECT_TRUE(rect.Contains(102, 16));
    EXPECT_FALSE(rect.Contains(103, 5));
    EXPECT_FALSE(rect.Contains(5, 17));
    EXPECT_FALSE(rect.Contains(-1, 5));
    EXPECT_FALSE(rect.Contains(5, -1));
    EXPECT_FALSE(HotRect{}.Contains(0, 0));
}
