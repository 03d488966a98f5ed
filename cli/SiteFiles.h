#pragma once

#include "FileSelection.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace quillveil {

/// One page to work on, however many times and ways it was named.
struct SitePage {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
};

/// The pages named on a command line, and what could not be looked at.
struct SiteFiles {
    /// Sorted by path; each file once (the first of its paths).
    std::vector<SitePage> pages;
    /// "PATH: why", in the order met: every entry that could not be examined, listed or
    /// taken as a page.
    std::vector<std::string> errors;
    /// Temporary files (IsTemporaryName) that a run killed outright left behind.
    std::vector<std::string> leftovers;
};

/// The pages `selection` names: a file named, on the command line or in a list, is a page
/// whatever its name; a directory gives every "*.html", "*.htm", "*.xhtml" and "*.shtml"
/// under it, recursively, without following symbolic links. An entry an --exclude glob
/// matches is left out, a folder with all it holds: below a PATH the glob is matched against
/// the path below it, and a listed name as the list spells it (a leading "./" aside). A path
/// that does not exist, an entry that cannot be examined (a folder that may be listed but not
/// entered, a path too long for the system), a directory and a list that cannot be read are
/// errors; the rest is still found.
SiteFiles FindPages(const FileSelection& selection);

/// Removes the temporary files a killed run left (`site.leftovers`); returns a line for each
/// removed, and adds one to `site.errors` for each that could not be.
std::string RemoveLeftovers(SiteFiles& site);

/// `path` fit to print on one line: control characters as "\xNN", a backslash as "\\".
std::string PrintableName(std::string_view path);

} // namespace quillveil
