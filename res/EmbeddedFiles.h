#pragma once

#include <span>
#include <string_view>

namespace quillveil {

/// One file compiled into the program: its name without folders, and its bytes.
struct EmbeddedFile {
    std::string_view name;
    std::span<const unsigned char> bytes;
};

/// The PNG renderings of the application icon under res/icons.
std::span<const EmbeddedFile> EmbeddedIconFiles();

} // namespace quillveil
