#include "SiteFiles.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace quillveil {

namespace fs = std::filesystem;

namespace {

bool IsPageName(const fs::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension == ".html" || extension == ".htm" || extension == ".xhtml" ||
           extension == ".shtml";
}

bool ByPath(const SitePage& a, const SitePage& b)
{
    return a.path < b.path;
}

void AddPage(const std::string& path, const struct stat& info, SiteFiles& found)
{
    found.pages.push_back({path, info.st_dev, info.st_ino});
}

/// The pages under `directory`; `matchedAs` is what the excludes see of it, followed by "/"
/// or empty.
void Walk(const fs::path& directory, const std::string& matchedAs, const FileSelection& selection,
          SiteFiles& found)
{
    // An explicit stack: a site's depth is not ours to bound by the call stack.
    std::vector<std::pair<fs::path, std::string>> pending{{directory, matchedAs}};
    while (!pending.empty()) {
        const auto [current, currentMatchedAs] = std::move(pending.back());
        pending.pop_back();
        std::error_code error;
        fs::directory_iterator entries(current, error);
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            const std::string path = entries->path().string();
            std::string entryMatchedAs;
            if (!selection.excludes.empty()) {
                entryMatchedAs = currentMatchedAs + entries->path().filename().string();
                if (selection.Excludes(entryMatchedAs))
                    continue; // and an excluded folder is not even entered
            }
            struct stat info {};
            if (lstat(path.c_str(), &info) != 0) {
                found.errors.push_back(PrintableName(path) +
                                       ": cannot examine: " + std::strerror(errno));
                continue;
            }
            if (S_ISDIR(info.st_mode))
                pending.emplace_back(entries->path(), entryMatchedAs + "/");
            else if (!S_ISREG(info.st_mode))
                continue; // symbolic links are not followed, and nothing else is a page
            else if (IsTemporaryName(entries->path().filename().string()))
                found.leftovers.push_back(path);
            else if (IsPageName(entries->path()))
                AddPage(path, info, found);
        }
        if (error)
            found.errors.push_back(PrintableName(current.string()) +
                                   ": cannot read directory: " + error.message());
    }
}

/// A path named on the command line or in a list, and what lies under it; `matchedAs` as
/// Walk's.
void AddNamed(const std::string& path, const std::string& matchedAs, const FileSelection& selection,
              SiteFiles& found)
{
    // Each path's pages in order, so that a file found under several names is named as
    // the first path given names it.
    const auto from = static_cast<std::ptrdiff_t>(found.pages.size());
    struct stat info {};
    // A path named is followed: the author asked for it.
    if (stat(path.c_str(), &info) != 0) {
        found.errors.push_back(PrintableName(path) + ": " + std::strerror(errno));
    } else if (S_ISDIR(info.st_mode)) {
        Walk(path, matchedAs, selection, found);
    } else if (!S_ISREG(info.st_mode)) {
        found.errors.push_back(PrintableName(path) + ": not a regular file");
    } else {
        std::error_code error;
        // Replace the file a link points to, never the link.
        const bool link = fs::is_symlink(fs::symlink_status(path, error));
        const fs::path canonical = link ? fs::canonical(path, error) : fs::path(path);
        AddPage(error ? path : canonical.string(), info, found);
    }
    std::sort(found.pages.begin() + from, found.pages.end(), ByPath);
}

/// A name of a list, as the excludes see it: "./public/a.html" is "public/a.html", as the
/// same list from git would spell it.
std::string ListedName(std::string_view name)
{
    while (name.starts_with("./"))
        name.remove_prefix(2);
    return name == "." ? std::string() : std::string(name);
}

} // namespace

SiteFiles FindPages(const FileSelection& selection)
{
    SiteFiles found;
    for (const std::string& path : selection.paths)
        AddNamed(path, "", selection, found);
    for (const std::string& list : selection.lists) {
        std::vector<std::string> names;
        if (std::string problem = ReadNameList(list, selection.nulSeparated, names);
            !problem.empty())
            found.errors.push_back(std::move(problem));
        for (const std::string& name : names) {
            std::string matchedAs = ListedName(name);
            if (!matchedAs.empty() && selection.Excludes(matchedAs))
                continue;
            while (matchedAs.ends_with('/'))
                matchedAs.pop_back();
            // A file named "-" is a file, never standard input.
            AddNamed(name == "-" ? "./-" : name, matchedAs.empty() ? "" : matchedAs + "/",
                     selection, found);
        }
    }
    // One file under several names ("site", "./site", "site//a.html") is one page.
    std::set<std::pair<dev_t, ino_t>> seen;
    std::erase_if(found.pages, [&](const SitePage& page) {
        return !seen.emplace(page.device, page.inode).second;
    });
    std::sort(found.pages.begin(), found.pages.end(), ByPath);
    std::sort(found.leftovers.begin(), found.leftovers.end());
    found.leftovers.erase(std::unique(found.leftovers.begin(), found.leftovers.end()),
                          found.leftovers.end());
    return found;
}

std::string RemoveLeftovers(SiteFiles& site)
{
    std::string removed;
    for (const std::string& leftover : site.leftovers) {
        if (unlink(leftover.c_str()) == 0 || errno == ENOENT)
            removed += PrintableName(leftover) +
                       ": removed: a temporary file that an interrupted run left\n";
        else
            site.errors.push_back(PrintableName(leftover) +
                                  ": cannot remove a temporary file that an interrupted run "
                                  "left: " +
                                  std::strerror(errno));
    }
    site.leftovers.clear();
    return removed;
}

std::string PrintableName(std::string_view path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string printable;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        // C1 controls are U+0080 to U+009F: 0xC2 and a byte 0x80 to 0x9F in UTF-8.
        const bool c1 = byte == 0xC2 && i + 1 < path.size() &&
                        (static_cast<unsigned char>(path[i + 1]) & 0xE0) == 0x80;
        if (byte == '\\') {
            printable += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F || c1) {
            for (std::size_t k = 0; k < (c1 ? 2u : 1u); ++k) {
                const auto b = static_cast<unsigned char>(path[i + k]);
                printable += {'\\', 'x', hex[b >> 4], hex[b & 15]};
            }
            i += c1 ? 1 : 0;
        } else {
            printable += path[i];
        }
    }
    return printable;
}

} // namespace quillveil
