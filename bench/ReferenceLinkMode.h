#pragma once

#include <string>
#include <string_view>

namespace quillveil::reference {

/// The code that link mode made of `pasted` before it read anchors as HTML5 does; empty when
/// it found no "href=".
std::string ReferenceLinkCode(std::string_view pasted);

} // namespace quillveil::reference
