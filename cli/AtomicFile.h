#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace quillveil {

// A page is replaced whole: the new page is written beside it under a temporary name,
// ".NAME.quillveil-XXXXXX", is on disk before it is renamed over NAME, and so anyone, a power
// cut included, finds the old page or the new one, never part of either. A run killed outright
// can leave a temporary file; the next run recognises it by its name and removes it.

/// Whether `name`, a file name without its folder, is such a temporary name.
bool IsTemporaryName(std::string_view name);

/// A new file written beside a page, not yet in its place.
struct NewFile {
    std::string temporary;
    /// What of the page the new file could not be given, in words ("owner 1001, extended
    /// attribute security.selinux"); empty when all was kept.
    std::string notKept;
};

/// Writes `contents` under a new temporary name beside `path` and gives it, each on its own
/// so that what may be kept is kept, the owner, the group, the extended attributes (POSIX
/// ACLs among them) and the permission bits of `original`, the status of the file at `path`
/// (null where there is none: then the permission bits the umask leaves). Not synced: a
/// batch of them is, at once, by SyncFileSystemOf. Returns 0 or the errno of the step that
/// failed, and then leaves no file.
int WriteNewFile(const std::string& path, std::string_view contents, const struct stat* original,
                 NewFile& file);

/// Syncs the whole filesystem that holds `path` (new files, renames) with one call.
/// Returns 0 or the errno of the failure.
int SyncFileSystemOf(const std::string& path);

/// Replaces the file at `path` at once: WriteNewFile, synced, renamed over `path`, and the
/// rename synced. `notKept` as NewFile's. Returns 0 or the errno of the step that failed.
int ReplaceFile(const std::string& path, std::string_view contents, const struct stat* original,
                std::string& notKept);

} // namespace quillveil
