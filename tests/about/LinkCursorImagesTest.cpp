#include "LinkCursorImages.h"

#include <gtest/gtest.h>

#include <cstddef>

using namespace quillveil;

namespace {

bool X11Bit(const std::array<unsigned char, 128>& plane, int x, int y)
{
    const auto byte = static_cast<std::size_t>(y * 4 + x / 8);
    return ((plane[byte] >> (x % 8)) & 1) != 0;
}

} // namespace

TEST(LinkCursorImages, TheFingertipIsAtTheHotSpot)
{
    EXPECT_EQ(LinkCursorHotSpotX, 5);
    EXPECT_EQ(LinkCursorHotSpotY, 0);
    const CursorPlanes& link = LinkCursorPlanes();
    EXPECT_EQ(PixelAt(link, 5, 0), CursorPixel::Black);
    EXPECT_EQ(PixelAt(link, 6, 0), CursorPixel::Black);
    EXPECT_EQ(PixelAt(link, 4, 0), CursorPixel::Transparent);
    EXPECT_EQ(PixelAt(link, 7, 0), CursorPixel::Transparent);
    // The finger is white inside its black outline.
    EXPECT_EQ(PixelAt(link, 4, 1), CursorPixel::Black);
    EXPECT_EQ(PixelAt(link, 5, 1), CursorPixel::White);
    EXPECT_EQ(PixelAt(link, 7, 1), CursorPixel::Black);
    EXPECT_EQ(PixelAt(link, 8, 1), CursorPixel::Transparent);
    // The outline closes at row 21; everything below is transparent.
    EXPECT_EQ(PixelAt(link, 5, 21), CursorPixel::Black);
    for (int y = 22; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(PixelAt(link, x, y), CursorPixel::Transparent) << x << ',' << y;
        }
    }
}

TEST(LinkCursorImages, ThePressedHandHasAShortenedFinger)
{
    const CursorPlanes& link = LinkCursorPlanes();
    const CursorPlanes& pressed = PressedCursorPlanes();
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(PixelAt(pressed, x, y), CursorPixel::Transparent) << x << ',' << y;
        }
    }
    EXPECT_EQ(PixelAt(pressed, 5, 3), CursorPixel::Invert);
    EXPECT_EQ(PixelAt(pressed, 6, 3), CursorPixel::Invert);
    EXPECT_EQ(PixelAt(pressed, 4, 3), CursorPixel::Transparent);
    for (std::size_t row = 4; row < 32; ++row) {
        EXPECT_EQ(pressed.andPlane[row], link.andPlane[row]) << row;
        EXPECT_EQ(pressed.xorPlane[row], link.xorPlane[row]) << row;
    }
}

TEST(LinkCursorImages, X11BitsAreLeastSignificantFirstWithInvertedPixelsBlack)
{
    const CursorPlanes& link = LinkCursorPlanes();
    const X11CursorBits x11 = ToX11CursorBits(link);
    // Row 0 is AND F9FFFFFF: pixels 5 and 6 black, so byte 0 is 0b01100000.
    EXPECT_EQ(x11.mask[0], 0x60);
    EXPECT_EQ(x11.bits[0], 0x60);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const CursorPixel pixel = PixelAt(link, x, y);
            ASSERT_EQ(X11Bit(x11.mask, x, y), pixel != CursorPixel::Transparent) << x << ',' << y;
            if (pixel != CursorPixel::Transparent) {
                ASSERT_EQ(X11Bit(x11.bits, x, y), pixel == CursorPixel::Black) << x << ',' << y;
            }
        }
    }

    const X11CursorBits pressed = ToX11CursorBits(PressedCursorPlanes());
    EXPECT_TRUE(X11Bit(pressed.mask, 5, 3));
    EXPECT_TRUE(X11Bit(pressed.bits, 5, 3));
    EXPECT_FALSE(X11Bit(pressed.mask, 5, 0));
}
