#pragma once

#include <optional>
#include <string>

namespace quillveil {

/// The desktop theme's link colours as "r,g,b" texts; a colour the theme
/// does not define is missing.
struct ThemeLinkColorTexts {
    std::optional<std::string> link;
    std::optional<std::string> visited;
};

/// Reads the link colour and the visited-link colour of the current theme.
/// Needs the toolkit to be running.
ThemeLinkColorTexts ReadThemeLinkColors();

/// "r,g,b" in decimal, the form browser colour texts take.
std::string FormatColorText(unsigned red, unsigned green, unsigned blue);

} // namespace quillveil
