#pragma once

#include <string_view>

namespace quillveil {

/// Marks an English text that a person reads, so that xgettext collects it for the
/// translators; the text itself stays as it is. Core hands out English and stays free of any
/// catalog: the window and the command line look the text up where they show it.
consteval std::string_view Translatable(std::string_view english)
{
    return english;
}

} // namespace quillveil
