#pragma once

#include <string>
#include <vector>

namespace quillveil {

/// The pages named on a command line, and what could not be looked at.
struct SiteFiles {
    /// Sorted, each once.
    std::vector<std::string> pages;
    /// "PATH: why", in the order met.
    std::vector<std::string> errors;
};

/// The pages of `paths`: a file named is a page whatever its name; a directory gives every
/// "*.html" and "*.htm" under it, recursively, without following symbolic links. A path that
/// does not exist, or a directory that cannot be read, is an error; the rest is still found.
SiteFiles FindPages(const std::vector<std::string>& paths);

} // namespace quillveil
