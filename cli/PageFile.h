#pragma once

#include <string>
#include <sys/stat.h>

namespace quillveil {

/// What one page file holds, and its status (mode, owner) for writing it back.
struct PageFile {
    std::string contents;
    struct stat info {};
};

/// Reads the whole file at `path`, or standard input for "-", in one read pass.
/// Returns 0 or the errno of the failure.
int ReadPageFile(const std::string& path, PageFile& page);

/// Why the file `path` (whose status is `info`) must not be replaced, or "" when it may be:
/// a file or directory without write permission is left as it is, even for a user whose
/// privileges would let the rename through.
std::string WhyNotWritable(const std::string& path, const struct stat& info);

} // namespace quillveil
