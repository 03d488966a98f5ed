#include "FileDescriptorIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quillveil {

int ReadAll(int fd, std::string& contents)
{
    constexpr std::size_t chunk = 1024 * 1024;
    // A regular file tells its size: one allocation, no copy while growing.
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        contents.reserve(static_cast<std::size_t>(info.st_size) + chunk);

    for (;;) {
        const std::size_t filled = contents.size();
        // Doubling keeps the copies of a pipe's input few.
        if (contents.capacity() - filled < chunk)
            contents.reserve(std::max(2 * contents.capacity(), filled + chunk));
        ssize_t got = 0;
        // Read straight into the string, without zero-filling the room first.
        contents.resize_and_overwrite(filled + chunk, [&](char* data, std::size_t) {
            got = read(fd, data + filled, chunk);
            return filled + (got > 0 ? static_cast<std::size_t>(got) : 0);
        });
        if (got == 0)
            return 0;
        if (got < 0 && errno != EINTR)
            return errno;
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

bool ReportOutput::Write(std::string_view text)
{
    if (m_error == 0)
        m_error = WriteAll(STDOUT_FILENO, text);
    return m_error == 0;
}

int ReportOutput::Finish(int status) const
{
    if (m_error == 0)
        return status;
    static_cast<void>(WriteAll(STDERR_FILENO, std::string("quillveil-encode: cannot write standard output: ") +
                                                  std::strerror(m_error) + "\n"));
    return 2;
}

} // namespace quillveil
