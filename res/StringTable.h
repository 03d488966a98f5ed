#pragma once

#include <string_view>

namespace quillveil {

/// The English text of string resource `id` (UTF-8), marked for translation; empty when there
/// is none.
std::string_view LoadResourceString(int id);

} // namespace quillveil
