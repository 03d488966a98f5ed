#include "LinkLook.h"

namespace quillveil {

namespace {

std::optional<ColorRef> ReadColor(const std::optional<std::string_view>& text)
{
    // A value too big for the browser's 32-byte buffer fails to read, so its
    // colour keeps the default rather than being parsed from a cut-off text.
    if (!text || text->size() > MaxAnchorColorTextSize) {
        return std::nullopt;
    }
    return ParseAnchorColor(*text);
}

} // namespace

LinkColors LinkColorsFrom(const AnchorColorTexts& texts)
{
    LinkColors colors;
    if (const auto anchor = ReadColor(texts.anchor)) {
        colors.crLink = *anchor;
        colors.crHover = *anchor;
    }
    if (const auto visited = ReadColor(texts.visited)) {
        colors.crVisited = *visited;
    }
    return colors;
}

LinkLook ChooseLinkLook(bool hover, bool visited, const LinkColors& colors)
{
    const ColorRef color = visited ? colors.crVisited : hover ? colors.crHover : colors.crLink;
    return {color, hover};
}

} // namespace quillveil
