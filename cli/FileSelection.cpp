#include "FileSelection.h"

#include "FileDescriptorIo.h"
#include "SiteFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quillveil {

namespace {

/// The value of option `name` at args[i], given as "NAME VALUE" or "NAME=VALUE"; moves `i`
/// past it. False when args[i] is not that option.
bool TakeValue(const std::vector<std::string_view>& args, std::size_t& i, std::string_view name,
               std::string_view& value, bool& missing)
{
    const std::string_view arg = args[i];
    if (arg == name) {
        missing = i + 1 == args.size();
        value = missing ? std::string_view() : args[++i];
        return true;
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        missing = false;
        return true;
    }
    return false;
}

} // namespace

bool FileSelection::Excludes(std::string_view path) const
{
    return std::any_of(excludes.begin(), excludes.end(),
                       [&](const PathGlob& glob) { return glob.Matches(path); });
}

bool TakeSelectionOption(const std::vector<std::string_view>& args, std::size_t& i,
                         FileSelection& selection, std::string& problem)
{
    std::string_view value;
    bool missing = false;
    if (args[i] == "-0" || args[i] == "--null") {
        selection.nulSeparated = true;
    } else if (TakeValue(args, i, "--files-from", value, missing)) {
        if (missing || value.empty())
            problem = "--files-from takes a FILE of names, or - for standard input";
        else
            selection.lists.emplace_back(value);
    } else if (TakeValue(args, i, "--exclude", value, missing)) {
        if (missing || value.empty())
            problem = "--exclude takes a GLOB";
        else
            selection.excludes.emplace_back(value);
    } else {
        return false;
    }
    return true;
}

std::string SelectionProblem(const FileSelection& selection)
{
    if (selection.paths.empty() && selection.lists.empty())
        return "no PATH given";
    if (selection.nulSeparated && selection.lists.empty())
        return "-0 tells how the names of --files-from end; no --files-from given";
    const bool pageFromStandardInput =
        std::find(selection.paths.begin(), selection.paths.end(), "-") != selection.paths.end();
    if (pageFromStandardInput && !selection.lists.empty())
        return "standard input is read alone, without --files-from";
    return {};
}

std::string ReadNameList(const std::string& list, bool nulSeparated,
                         std::vector<std::string>& names)
{
    const std::string name = list == "-" ? "standard input" : PrintableName(list);
    std::string contents;
    const int fd = list == "-" ? STDIN_FILENO : open(list.c_str(), O_RDONLY | O_CLOEXEC);
    int error = fd < 0 ? errno : ReadAll(fd, contents);
    if (fd >= 0 && fd != STDIN_FILENO)
        close(fd);
    if (error)
        return name + ": cannot read the list of names: " + std::strerror(error);
    const char separator = nulSeparated ? '\0' : '\n';
    // No file name holds a NUL byte: one in a list of lines would cut a name short.
    if (!nulSeparated && contents.find('\0') != std::string::npos)
        return name + ": the list of names holds a NUL byte; -0 reads NUL-separated names";
    for (std::size_t start = 0; start < contents.size();) {
        const std::size_t end = std::min(contents.find(separator, start), contents.size());
        if (end > start)
            names.push_back(contents.substr(start, end - start));
        start = end + 1;
    }
    return {};
}

} // namespace quillveil
