#pragma once

namespace quillveil {

/// A rectangle in client coordinates; the left and top edges are inside, the
/// right and bottom edges outside.
struct HotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    /// Whether (x, y) lies inside.
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }

    bool operator==(const HotRect&) const = default;
};

/// The part of a link control that reacts to clicks: the full client height,
/// from the left edge to the text width plus half an average character. It
/// is not clipped to the client area.
HotRect ComputeHotRect(int clientHeight, int textWidth, int averageCharWidth);

} // namespace quillveil
