#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace quillveil {

/// The desktop's two selections of text.
enum class TextSelection {
    Clipboard, ///< what Copy and Paste use
    Primary,   ///< what the mouse selected last, pasted with the middle button
};

/// Makes bytes [begin, end) of the UTF-8 `text` the content of `selection`,
/// offered under every name a program may ask for text by, as the toolkit's
/// own text fields offer theirs (UTF8_STRING, STRING, TEXT,
/// text/plain;charset=utf-8 and the rest). The selection shares `text` rather
/// than copying it, so a code of tens of megabytes is not held twice. Returns
/// false, with no message and the selection untouched, when it cannot be had.
bool PutTextOnSelection(TextSelection selection, std::shared_ptr<const std::string> text,
                        std::size_t begin, std::size_t end);

} // namespace quillveil
