#pragma once

#include "AnchorColor.h"

#include <optional>
#include <string_view>

namespace quillveil {

/// The three text colours of a link.
struct LinkColors {
    ColorRef crHover = MakeColorRef(0, 0, 255);    ///< hovering, not visited
    ColorRef crLink = MakeColorRef(0, 0, 200);     ///< neither hovering nor visited
    ColorRef crVisited = MakeColorRef(5, 34, 143); ///< visited, hovering or not

    bool operator==(const LinkColors&) const = default;
};

/// Where a browser keeps its anchor colours, the texts it holds; a missing
/// text is one that could not be read.
struct AnchorColorTexts {
    std::optional<std::string_view> anchor;
    std::optional<std::string_view> visited;
};

/// Longest colour text that is read at all; a longer one counts as unreadable.
inline constexpr std::size_t MaxAnchorColorTextSize = 32;

/// The defaults, replaced by the browser's texts where they can be read: the
/// anchor colour becomes both the normal and the hover colour.
LinkColors LinkColorsFrom(const AnchorColorTexts& texts);

/// How the link is drawn in one state.
struct LinkLook {
    ColorRef color;
    bool underline;

    bool operator==(const LinkLook&) const = default;
};

/// The colour and font for the hover and visited states: underlined exactly
/// while hovering, the visited colour winning over the hover colour.
LinkLook ChooseLinkLook(bool hover, bool visited, const LinkColors& colors);

} // namespace quillveil
