#include "PageFile.h"

#include "FileDescriptorIo.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quillveil {

int ReadPageFile(const std::string& path, PageFile& page)
{
    if (path == "-") {
        fstat(STDIN_FILENO, &page.info);
        return ReadAll(STDIN_FILENO, page.contents);
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = fstat(fd, &page.info) == 0 ? 0 : errno;
    if (!error && S_ISDIR(page.info.st_mode))
        error = EISDIR;
    if (!error)
        error = ReadAll(fd, page.contents);
    close(fd);
    return error;
}

std::string WhyNotWritable(const std::string& path, const struct stat& info)
{
    if ((info.st_mode & S_IWUSR) == 0 || access(path.c_str(), W_OK) != 0)
        return "read-only file";
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    struct stat directoryInfo {};
    if (stat(directory.c_str(), &directoryInfo) != 0 || (directoryInfo.st_mode & S_IWUSR) == 0 ||
        access(directory.c_str(), W_OK | X_OK) != 0)
        return "read-only directory";
    return {};
}

} // namespace quillveil
