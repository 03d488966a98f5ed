#include "SiteFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillveil {

namespace fs = std::filesystem;

namespace {

bool IsPageName(const fs::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension == ".html" || extension == ".htm";
}

void Walk(const fs::path& directory, SiteFiles& found)
{
    // An explicit stack: a site's depth is not ours to bound by the call stack.
    std::vector<fs::path> pending{directory};
    while (!pending.empty()) {
        const fs::path current = std::move(pending.back());
        pending.pop_back();
        std::error_code error;
        fs::directory_iterator entries(current, error);
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            const fs::directory_entry& entry = *entries;
            std::error_code statusError;
            const fs::file_status status = entry.symlink_status(statusError);
            if (statusError || fs::is_symlink(status))
                continue;
            if (fs::is_directory(status))
                pending.push_back(entry.path());
            else if (fs::is_regular_file(status) && IsPageName(entry.path()))
                found.pages.push_back(entry.path().string());
        }
        if (error)
            found.errors.push_back(current.string() +
                                   ": cannot read directory: " + error.message());
    }
}

} // namespace

SiteFiles FindPages(const std::vector<std::string>& paths)
{
    SiteFiles found;
    for (const std::string& path : paths) {
        std::error_code error;
        // A path named on the command line is followed: the author asked for it.
        const fs::file_status status = fs::status(path, error);
        if (error) {
            found.errors.push_back(path + ": " + error.message());
        } else if (fs::is_directory(status)) {
            Walk(path, found);
        } else if (fs::is_symlink(fs::symlink_status(path, error))) {
            // Replace the file the link points to, never the link.
            found.pages.push_back(fs::canonical(path, error).string());
        } else {
            found.pages.push_back(path);
        }
    }
    std::sort(found.pages.begin(), found.pages.end());
    found.pages.erase(std::unique(found.pages.begin(), found.pages.end()), found.pages.end());
    return found;
}

} // namespace quillveil
