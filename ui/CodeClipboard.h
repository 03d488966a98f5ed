#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace quillveil {

/// Replaces the clipboard's contents with bytes [begin, end) of the UTF-8
/// `text`, offered as text. The clipboard shares `text` rather than copying
/// it, so a code of tens of megabytes is not held twice. Returns false, with
/// no message and the clipboard untouched, when the clipboard cannot be had.
bool PutTextOnClipboard(std::shared_ptr<const std::string> text, std::size_t begin,
                        std::size_t end);

} // namespace quillveil
