#include "AtomicFile.h"

#include "FileDescriptorIo.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillveil {

namespace {

/// Names of temporary files being written, for the signal handler; a fixed table, since a
/// handler may not allocate or lock.
struct TemporarySlot {
    /// Taken by a thread, which may be writing the path.
    std::atomic<bool> taken{false};
    /// The path is whole.
    std::atomic<bool> ready{false};
    char path[PATH_MAX]{};
};
std::array<TemporarySlot, 256> g_temporaries;

/// Holds a slot of the table while a temporary file exists.
class TemporaryName {
public:
    explicit TemporaryName(const std::string& path)
    {
        if (path.size() >= PATH_MAX)
            return;
        for (TemporarySlot& slot : g_temporaries) {
            bool expected = false;
            if (slot.taken.compare_exchange_strong(expected, true)) {
                std::memcpy(slot.path, path.c_str(), path.size() + 1);
                slot.ready = true;
                m_slot = &slot;
                return;
            }
        }
    }
    ~TemporaryName()
    {
        if (m_slot) {
            m_slot->ready = false;
            m_slot->taken = false;
        }
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

private:
    TemporarySlot* m_slot = nullptr;
};

extern "C" void RemoveTemporariesAndDie(int signal)
{
    for (TemporarySlot& slot : g_temporaries)
        if (slot.ready)
            unlink(slot.path);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

int ReplaceFile(const std::string& path, std::string_view contents, mode_t mode, uid_t owner,
                gid_t group)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    std::string temporary =
        path.substr(0, nameAt) + "." + path.substr(nameAt) + ".quillveil-XXXXXX";
    // Known to the signal handler from just after it exists until it is renamed or removed.
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    const TemporaryName registered(temporary);
    int error = 0;
    if (fchmod(fd, mode & 07777) != 0)
        error = errno;
    // Keeping the owner needs privileges that a user replacing their own files lacks; the
    // file is theirs then anyway.
    if (!error && fchown(fd, owner, group) != 0 && errno != EPERM)
        error = errno;
    if (!error)
        error = WriteAll(fd, contents);
    if (!error && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error && rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error)
        unlink(temporary.c_str());
    return error;
}

int SyncDirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return error;
}

void RemoveTemporaryFilesOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, RemoveTemporariesAndDie);
}

} // namespace quillveil
