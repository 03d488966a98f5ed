#include "PathGlob.h"

#include <algorithm>
#include <fnmatch.h>
#include <utility>

namespace quillveil {

namespace {

constexpr std::string_view AnyFolders = "**";

std::vector<std::string> FolderNames(std::string_view path)
{
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            names.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

} // namespace

PathGlob::PathGlob(std::string_view glob) : m_parts(FolderNames(glob))
{}

bool PathGlob::Matches(std::string_view path) const
{
    const std::vector<std::string> names = FolderNames(path);
    // reached[j]: the glob's parts so far can match the first j names. Row by row rather
    // than by backtracking, so that many "**" cost no more than one.
    std::vector<char> reached(names.size() + 1, 0);
    reached[0] = 1;
    for (const std::string& part : m_parts) {
        std::vector<char> next(names.size() + 1, 0);
        if (part == AnyFolders) {
            for (std::size_t j = 0; j <= names.size(); ++j)
                next[j] = reached[j] || (j > 0 && next[j - 1]);
        } else {
            for (std::size_t j = 0; j < names.size(); ++j)
                next[j + 1] = reached[j] && fnmatch(part.c_str(), names[j].c_str(), 0) == 0;
        }
        reached = std::move(next);
    }
    return reached[names.size()] != 0;
}

} // namespace quillveil
