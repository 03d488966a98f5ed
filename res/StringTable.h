#pragma once

#include <string_view>

namespace quillveil {

/// The text of string resource `id` (UTF-8); empty when there is none.
std::string_view LoadResourceString(int id);

} // namespace quillveil
