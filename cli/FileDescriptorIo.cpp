#include "FileDescriptorIo.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace quillveil {

int ReadAll(int fd, std::string& contents)
{
    // A regular file tells its size: one allocation, no copy while growing.
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        contents.reserve(static_cast<std::size_t>(info.st_size) + 1);

    constexpr std::size_t chunk = 64 * 1024;
    for (;;) {
        const std::size_t filled = contents.size();
        // Growing doubles the capacity, so a pipe's input is copied a bounded number of times.
        contents.resize(filled + chunk);
        const ssize_t got = read(fd, contents.data() + filled, chunk);
        if (got < 0) {
            contents.resize(filled);
            if (errno == EINTR)
                continue;
            return errno;
        }
        contents.resize(filled + static_cast<std::size_t>(got));
        if (got == 0)
            return 0;
    }
}

int WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace quillveil
