#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// A shell glob over a path whose folders are separated by "/": "*", "?" and "[...]" as
/// fnmatch(3) has them, within one folder name; a whole "**" stands for any number of
/// folders, none included ("vendor/**", "**/node_modules/**", "**/*.min.html").
class PathGlob {
public:
    explicit PathGlob(std::string_view glob);

    /// Whether the whole of `path` matches. Empty folder names ("a//b", a trailing "/") are
    /// ignored in both the glob and the path.
    bool Matches(std::string_view path) const;

private:
    std::vector<std::string> m_parts;
};

} // namespace quillveil
