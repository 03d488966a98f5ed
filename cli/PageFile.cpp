#include "PageFile.h"

#include "FileDescriptorIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quillveil {

std::string DirectoryOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? "." : std::string(path.substr(0, slash + 1));
}

FileVersion FileVersion::Of(const struct stat& info)
{
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

bool FileVersion::operator==(const FileVersion& other) const
{
    const auto same = [](const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    return device == other.device && inode == other.inode && size == other.size &&
           same(modified, other.modified) && same(changed, other.changed);
}

int ReadPageFile(const std::string& path, PageFile& page)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno;
    int error = fstat(fd, &page.info) == 0 ? 0 : errno;
    if (!error && S_ISDIR(page.info.st_mode))
        error = EISDIR;
    if (!error)
        error = ReadAll(fd, page.contents);
    struct stat after {};
    if (!error && S_ISREG(page.info.st_mode) &&
        (fstat(fd, &after) != 0 || !(FileVersion::Of(after) == FileVersion::Of(page.info))))
        error = EAGAIN;
    close(fd);
    return error;
}

std::string DescribeReadError(int error)
{
    return error == EAGAIN ? "changed while it was read" : std::strerror(error);
}

std::string WhyNotWritable(const std::string& path, const struct stat& info)
{
    if ((info.st_mode & S_IWUSR) == 0 || access(path.c_str(), W_OK) != 0)
        return "read-only file";
    const std::string directory = DirectoryOf(path);
    struct stat directoryInfo {};
    if (stat(directory.c_str(), &directoryInfo) != 0 || (directoryInfo.st_mode & S_IWUSR) == 0 ||
        access(directory.c_str(), W_OK | X_OK) != 0)
        return "read-only directory";
    return {};
}

} // namespace quillveil
