#pragma once

#include "PathGlob.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// What `protect` and `check` are to work on: the PATHs, the lists of names a build gives
/// (--files-from) and the globs of what to leave out (--exclude).
struct FileSelection {
    std::vector<std::string> paths;
    /// Files of names, one a line; "-" is standard input.
    std::vector<std::string> lists;
    /// The lists' names end with a NUL byte instead (find -print0, git ls-files -z).
    bool nulSeparated = false;
    std::vector<PathGlob> excludes;

    /// Whether an --exclude glob matches `path`.
    bool Excludes(std::string_view path) const;
};

/// When args[i] is one of FileSelection's options (--files-from FILE, --exclude GLOB, -0,
/// --null, and the "--option=VALUE" forms), takes it into `selection`, moves `i` past its
/// value and returns true; `problem` then says what is wrong with it, if anything.
bool TakeSelectionOption(const std::vector<std::string_view>& args, std::size_t& i,
                         FileSelection& selection, std::string& problem);

/// What is wrong with the options taken as a whole; empty when nothing is.
std::string SelectionProblem(const FileSelection& selection);

/// Adds the names of `list` (a file, or "-" for standard input) to `names`, skipping empty
/// ones. Returns "" or, adding no name, the line that says why the list cannot be used.
std::string ReadNameList(const std::string& list, bool nulSeparated,
                         std::vector<std::string>& names);

} // namespace quillveil
