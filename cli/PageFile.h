#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace quillveil {

/// The folder that holds `path`, as a path to open: "d/" for "d/page.html", "." for a bare
/// name.
std::string DirectoryOf(std::string_view path);

/// What tells one state of a file from another: an edit changes its size, its modification
/// time or its status change time; a file put in its place has another inode.
struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileVersion Of(const struct stat& info);
    bool operator==(const FileVersion& other) const;
};

/// What one page file holds, and its status (mode, owner) for writing it back.
struct PageFile {
    std::string contents;
    struct stat info {};
};

/// Reads the whole file at `path` in one read pass. Returns 0 or the errno of the failure;
/// EAGAIN when the file changed while it was read.
int ReadPageFile(const std::string& path, PageFile& page);

/// The words for an error of ReadPageFile.
std::string DescribeReadError(int error);

/// Why the file `path` (whose status is `info`) must not be replaced, or "" when it may be:
/// a file or directory without write permission is left as it is, even for a user whose
/// privileges would let the rename through.
std::string WhyNotWritable(const std::string& path, const struct stat& info);

} // namespace quillveil
