#include "LinkCursorImages.h"

#include <cstddef>

namespace quillveil {

namespace {

constexpr std::uint32_t Transparent = 0xFFFFFFFF;

constexpr CursorPlanes MakeLinkCursor()
{
    CursorPlanes planes{};
    constexpr std::array<std::uint32_t, 22> andRows{
        0xF9FFFFFF, 0xF0FFFFFF, 0xF0FFFFFF, 0xF0FFFFFF, 0xF0FFFFFF, 0xF03FFFFF,
        0xF007FFFF, 0xF001FFFF, 0xF000FFFF, 0x10007FFF, 0x00007FFF, 0x00007FFF,
        0x80007FFF, 0xC0007FFF, 0xC0007FFF, 0xE0007FFF, 0xE000FFFF, 0xF000FFFF,
        0xF000FFFF, 0xF801FFFF, 0xF801FFFF, 0xF801FFFF};
    constexpr std::array<std::uint32_t, 22> xorRows{
        0x00000000, 0x06000000, 0x06000000, 0x06000000, 0x06000000, 0x06000000,
        0x06C00000, 0x06D80000, 0x06DA0000, 0x06DB0000, 0x67FB0000, 0x77FF0000,
        0x37FF0000, 0x17FF0000, 0x1FFF0000, 0x0FFF0000, 0x0FFE0000, 0x07FE0000,
        0x07FE0000, 0x03FC0000, 0x03FC0000, 0x00000000};
    for (std::size_t row = 0; row < 32; ++row) {
        planes.andPlane[row] = row < andRows.size() ? andRows[row] : Transparent;
        planes.xorPlane[row] = row < xorRows.size() ? xorRows[row] : 0;
    }
    return planes;
}

constexpr CursorPlanes MakePressedCursor()
{
    CursorPlanes planes = MakeLinkCursor();
    for (std::size_t row = 0; row < 3; ++row) {
        planes.andPlane[row] = Transparent;
        planes.xorPlane[row] = 0;
    }
    planes.andPlane[3] = Transparent;
    planes.xorPlane[3] = 0x06000000;
    return planes;
}

constexpr CursorPlanes LinkCursor = MakeLinkCursor();
constexpr CursorPlanes PressedCursor = MakePressedCursor();

bool BitAt(std::uint32_t row, int x)
{
    return ((row >> (31 - x)) & 1u) != 0;
}

} // namespace

const CursorPlanes& LinkCursorPlanes()
{
    return LinkCursor;
}

const CursorPlanes& PressedCursorPlanes()
{
    return PressedCursor;
}

CursorPixel PixelAt(const CursorPlanes& planes, int x, int y)
{
    const auto row = static_cast<std::size_t>(y);
    const bool andBit = BitAt(planes.andPlane[row], x);
    const bool xorBit = BitAt(planes.xorPlane[row], x);
    if (andBit) {
        return xorBit ? CursorPixel::Invert : CursorPixel::Transparent;
    }
    return xorBit ? CursorPixel::White : CursorPixel::Black;
}

X11CursorBits ToX11CursorBits(const CursorPlanes& planes)
{
    X11CursorBits out{};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const CursorPixel pixel = PixelAt(planes, x, y);
            const auto byte = static_cast<std::size_t>(y * 4 + x / 8);
            const auto bit = static_cast<unsigned char>(1u << (x % 8));
            if (pixel != CursorPixel::Transparent) {
                out.mask[byte] |= bit;
            }
            if (pixel == CursorPixel::Black || pixel == CursorPixel::Invert) {
                out.bits[byte] |= bit;
            }
        }
    }
    return out;
}

} // namespace quillveil
