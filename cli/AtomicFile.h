#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace quillveil {

/// Replaces the file at `path` by one holding `contents`, so that anyone, a killed run
/// included, finds either the old file or the new one, never part of either: the new file is
/// written beside the old one without a name, given `owner` and `group` where allowed, the
/// old file's extended attributes (POSIX ACLs among them) where the filesystem takes them,
/// and `mode` (permission bits), synced to disk, and only then named and renamed over `path`.
/// Where the filesystem has no unnamed files, it is written under a temporary name instead.
/// Returns 0 or the errno of the step that failed; the old file is then untouched.
/// The rename is on disk once the directory is synced (SyncDirectoryOf), which callers
/// replacing many files do once per directory.
int ReplaceFile(const std::string& path, std::string_view contents, mode_t mode, uid_t owner,
                gid_t group);

/// Syncs the directory that holds `path`, so that renames in it survive a power loss.
/// Returns 0 or the errno of the failure.
int SyncDirectoryOf(const std::string& path);

/// Has SIGINT, SIGTERM and SIGHUP remove the temporary files of replacements under way
/// before the process ends as the signal would end it. (SIGKILL cannot be caught: it can
/// leave a file ".NAME.quillveil-XXXXXX" beside an unchanged NAME: a whole new NAME caught
/// in the instant between its naming and its rename or, where the filesystem has no unnamed
/// files, part of one.)
void RemoveTemporaryFilesOnSignals();

} // namespace quillveil
