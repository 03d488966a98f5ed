#pragma once

#include <string>
#include <string_view>

namespace quillveil {

/// Reads everything from `fd` until end of file into `contents`, bytes as they come.
/// Returns 0, or the errno of the failed read.
int ReadAll(int fd, std::string& contents);

/// Writes all of `bytes` to `fd` straight from the caller's buffer, without a stream buffer
/// in between. Returns 0, or the errno of the failed write.
int WriteAll(int fd, std::string_view bytes);

} // namespace quillveil
