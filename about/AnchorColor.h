#pragma once

#include <cstdint>
#include <string_view>

namespace quillveil {

/// A colour laid out as 0x00BBGGRR: red in the low byte, blue in the third.
using ColorRef = std::uint32_t;

/// The colour of the three components, each 0..255.
constexpr ColorRef MakeColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return ColorRef{red} | (ColorRef{green} << 8) | (ColorRef{blue} << 16);
}

/// Reads a browser colour text "r,g,b": each number as atoi reads it (white
/// space, sign, digits), only its low 8 bits kept. A missing comma makes the
/// remaining components repeat the last number read; no digits give 0. The
/// text ends at its first NUL byte.
ColorRef ParseAnchorColor(std::string_view text);

} // namespace quillveil
