#pragma once

#include <array>
#include <cstdint>

namespace quillveil {

/// A 32 x 32 monochrome cursor as AND and XOR planes: one 32-bit row per
/// line, the most significant bit the leftmost pixel.
struct CursorPlanes {
    std::array<std::uint32_t, 32> andPlane;
    std::array<std::uint32_t, 32> xorPlane;
};

/// Both link cursors point with the tip of the index finger at this pixel.
inline constexpr int LinkCursorHotSpotX = 5;
inline constexpr int LinkCursorHotSpotY = 0;

/// The pointing hand shown over the link.
const CursorPlanes& LinkCursorPlanes();
/// The same hand with the finger shortened, shown while the button goes down.
const CursorPlanes& PressedCursorPlanes();

/// What one pixel of a cursor does to the screen beneath it.
enum class CursorPixel { Transparent, Black, White, Invert };

/// The pixel at column x, row y (both 0..31).
CursorPixel PixelAt(const CursorPlanes& planes, int x, int y);

/// A cursor in the X11 bitmap form: least significant bit first in each
/// byte, 4 bytes a row; `bits` 1 is black, `mask` 1 is drawn.
struct X11CursorBits {
    std::array<unsigned char, 128> bits;
    std::array<unsigned char, 128> mask;
};

/// Converts the planes for X11, which cannot invert the screen under a
/// pixel: such pixels are drawn black, the nearest faithful rendering on the
/// white hand's black outline.
X11CursorBits ToX11CursorBits(const CursorPlanes& planes);

} // namespace quillveil
