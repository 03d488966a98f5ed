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
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillveil {

namespace {

/// Names of temporary files that exist, for the signal handler; a fixed table, since a
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

/// Not an errno: the filesystem, or the lack of /proc and of privilege, allows no unnamed
/// file here, and a named temporary file must do.
constexpr int NoUnnamedFile = -1;

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

/// ".NAME.quillveil-" beside NAME, to which six characters are added.
std::string TemporaryPrefix(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameAt) + "." + path.substr(nameAt) + ".quillveil-";
}

/// Fills `into` by `query(buffer, size)`, one of the extended attribute calls, which answers
/// ERANGE when the list or value grew since its size was asked.
template <typename Query> int ReadGrowing(Query query, std::string& into)
{
    for (;;) {
        const ssize_t size = query(nullptr, 0);
        if (size < 0)
            return errno;
        into.resize(static_cast<std::size_t>(size));
        const ssize_t got = query(into.data(), into.size());
        if (got >= 0) {
            into.resize(static_cast<std::size_t>(got));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
}

/// The filesystem has no extended attributes, or refuses this one to us (a namespace only
/// the privileged may write): the new file is then as close to the page as it can be.
bool CannotCarry(int error)
{
    return error == ENOTSUP || error == EPERM;
}

/// Gives `fd` the extended attributes of the file at `page` (POSIX ACLs among them), if
/// there is one.
int CopyExtendedAttributes(const std::string& page, int fd)
{
    std::string names;
    if (const int error = ReadGrowing(
            [&](char* buffer, std::size_t size) { return listxattr(page.c_str(), buffer, size); },
            names))
        return error == ENOENT || CannotCarry(error) ? 0 : error;
    std::string value;
    // The list is names each ended by a NUL.
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        int error = ReadGrowing(
            [&](char* buffer, std::size_t size) {
                return getxattr(page.c_str(), name, buffer, size);
            },
            value);
        if (!error && fsetxattr(fd, name, value.data(), value.size(), 0) != 0)
            error = errno;
        // An attribute, or the page, removed meanwhile has nothing left to keep.
        if (error && error != ENODATA && error != ENOENT && !CannotCarry(error))
            return error;
    }
    return 0;
}

/// Writes `contents` into the new file `fd`, gives it what the page at `path` has besides
/// its bytes, and syncs it. The order matters: a write clears set-ID bits and file
/// capabilities, a change of owner clears set-ID bits, and a file without write permission
/// takes no new attributes; setting the permission bits last also leaves an ACL copied
/// from the page as the page has it.
int FillFile(int fd, const std::string& path, std::string_view contents, mode_t mode, uid_t owner,
             gid_t group)
{
    if (const int error = WriteAll(fd, contents))
        return error;
    // Keeping the owner needs privileges that a user replacing their own files lacks; the
    // file is theirs then anyway.
    if (fchown(fd, owner, group) != 0 && errno != EPERM)
        return errno;
    if (const int error = CopyExtendedAttributes(path, fd))
        return error;
    if (fchmod(fd, mode & 07777) != 0)
        return errno;
    return fsync(fd) == 0 ? 0 : errno;
}

/// Links the unnamed file `fd` under a new temporary name beside `path`, returned in
/// `temporary`.
int LinkUnderTemporaryName(int fd, const std::string& path, std::string& temporary)
{
    static constexpr std::string_view letters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    // A name is taken only by another run's leftover or a rare clash: a few tries do.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::array<unsigned char, 6> random{};
        if (getrandom(random.data(), random.size(), GRND_NONBLOCK) !=
            static_cast<ssize_t>(random.size()))
            return NoUnnamedFile;
        std::string name = TemporaryPrefix(path);
        for (const unsigned char byte : random)
            name += letters[byte % letters.size()];
        int error = 0;
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
            error = errno;
        // Without /proc, the privileged may name the file through its descriptor.
        if (error == ENOENT)
            error = linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
        if (!error) {
            temporary = std::move(name);
            return 0;
        }
        if (error == ENOENT)
            return NoUnnamedFile;
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

/// The new file has no name until it is whole and synced; then it is linked under a
/// temporary name and at once renamed over the page.
int ReplaceThroughUnnamedFile(const std::string& path, std::string_view contents, mode_t mode,
                              uid_t owner, gid_t group)
{
    const int fd =
        open(DirectoryOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        // EISDIR and EINVAL are how kernels and filesystems without O_TMPFILE refuse it.
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? NoUnnamedFile : errno;
    int error = FillFile(fd, path, contents, mode, owner, group);
    std::string temporary;
    if (!error)
        error = LinkUnderTemporaryName(fd, path, temporary);
    if (close(fd) != 0 && !error)
        error = errno;
    if (error) {
        if (!temporary.empty())
            unlink(temporary.c_str());
        return error;
    }
    const TemporaryName registered(temporary);
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        unlink(temporary.c_str());
    }
    return error;
}

/// The new file is written under a temporary name, which a SIGKILL can leave behind
/// half-written.
int ReplaceThroughNamedFile(const std::string& path, std::string_view contents, mode_t mode,
                            uid_t owner, gid_t group)
{
    std::string temporary = TemporaryPrefix(path) + "XXXXXX";
    // Known to the signal handler from just after it exists until it is renamed or removed.
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    const TemporaryName registered(temporary);
    int error = FillFile(fd, path, contents, mode, owner, group);
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error && rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error)
        unlink(temporary.c_str());
    return error;
}

} // namespace

int ReplaceFile(const std::string& path, std::string_view contents, mode_t mode, uid_t owner,
                gid_t group)
{
    const int error = ReplaceThroughUnnamedFile(path, contents, mode, owner, group);
    return error == NoUnnamedFile ? ReplaceThroughNamedFile(path, contents, mode, owner, group)
                                  : error;
}

int SyncDirectoryOf(const std::string& path)
{
    const int fd = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
