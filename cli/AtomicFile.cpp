#include "AtomicFile.h"

#include "FileDescriptorIo.h"
#include "PageFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillveil {

namespace {

constexpr std::string_view TemporaryMark = ".quillveil-";
/// The letters mkostemp puts in place of "XXXXXX".
constexpr std::string_view RandomLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t RandomSize = 6;

/// ".NAME.quillveil-XXXXXX" beside NAME, NAME shortened where the whole would be longer
/// than a file name may be.
std::string TemporaryTemplate(const std::string& path)
{
    const std::string directory = DirectoryOf(path);
    const std::size_t nameAt = directory == "." && path.find('/') == std::string::npos
                                   ? 0
                                   : directory.size();
    constexpr std::size_t longestName = 255 - 1 - TemporaryMark.size() - RandomSize;
    return path.substr(0, nameAt) + "." + path.substr(nameAt, longestName) +
           std::string(TemporaryMark) + std::string(RandomSize, 'X');
}

void Add(std::string& list, const std::string& item)
{
    list += (list.empty() ? "" : ", ") + item;
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
/// the privileged may read or write).
bool Refused(int error)
{
    return error == ENOTSUP || error == EPERM || error == EACCES;
}

/// Gives `fd` the extended attributes of the file at `page` (POSIX ACLs among them).
int CopyExtendedAttributes(const std::string& page, int fd, std::string& notKept)
{
    std::string names;
    if (const int error = ReadGrowing(
            [&](char* buffer, std::size_t size) { return listxattr(page.c_str(), buffer, size); },
            names))
        return error == ENOENT || Refused(error) ? 0 : error;
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
        if (Refused(error))
            Add(notKept, std::string("extended attribute ") + name);
        // An attribute, or the page, removed meanwhile has nothing left to keep.
        else if (error && error != ENODATA && error != ENOENT)
            return error;
    }
    return 0;
}

/// Gives the new file `fd` what the page has besides its bytes. The order matters: a change
/// of owner clears set-ID bits, a file without write permission takes no new attributes, and
/// setting the permission bits last leaves an ACL copied from the page as the page has it.
int CarryOver(int fd, const std::string& path, const struct stat* original, std::string& notKept)
{
    mode_t mode = 0;
    if (original) {
        // Each on its own: a member of the page's group may give it the group, not the owner.
        if (fchown(fd, original->st_uid, static_cast<gid_t>(-1)) != 0) {
            if (errno != EPERM)
                return errno;
            Add(notKept, "owner " + std::to_string(original->st_uid));
        }
        if (fchown(fd, static_cast<uid_t>(-1), original->st_gid) != 0) {
            if (errno != EPERM)
                return errno;
            Add(notKept, "group " + std::to_string(original->st_gid));
        }
        if (const int error = CopyExtendedAttributes(path, fd, notKept))
            return error;
        mode = original->st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0)
        return errno;
    // The system drops a set-group-ID bit for a group not the user's own.
    struct stat now {};
    if (fstat(fd, &now) != 0)
        return errno;
    if ((now.st_mode & 07777) != mode) {
        char octal[8];
        std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode));
        Add(notKept, std::string("permission bits ") + octal);
    }
    return 0;
}

/// Not an errno: the filesystem, or the lack of /proc and of privilege, allows no unnamed
/// file here, and a named temporary file must do.
constexpr int NoUnnamedFile = -1;

/// Links the unnamed file `fd` under a new temporary name beside `path` (TemporaryTemplate's
/// with random letters), returned in `temporary`.
int LinkUnderTemporaryName(int fd, const std::string& path, std::string& temporary)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::string pattern = TemporaryTemplate(path);
    // A name is taken only by another run's leftover or a rare clash: a few tries do.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::array<unsigned char, RandomSize> random{};
        if (getrandom(random.data(), random.size(), GRND_NONBLOCK) !=
            static_cast<ssize_t>(random.size()))
            return NoUnnamedFile;
        std::string name = pattern;
        for (std::size_t i = 0; i < RandomSize; ++i)
            name[name.size() - RandomSize + i] = RandomLetters[random[i] % RandomLetters.size()];
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

/// The new file is written without a name and named only once it is whole, so that a run
/// killed outright leaves no part of a page under a temporary name.
int OpenUnnamedFile(const std::string& path, std::string_view contents, const struct stat* original,
                    NewFile& file, int& error)
{
    // The tests' way to take the other road, which filesystems without unnamed files take.
    static const bool namedOnly = std::getenv("QUILLVEIL_TEST_NAMED_TEMPORARY_FILES") != nullptr;
    const int fd = namedOnly ? -1
                             : open(DirectoryOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC,
                                    S_IRUSR | S_IWUSR);
    if (fd < 0) {
        // EISDIR and EINVAL are how kernels and filesystems without O_TMPFILE refuse it.
        error = namedOnly || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL
                    ? NoUnnamedFile
                    : errno;
        return -1;
    }
    error = WriteAll(fd, contents);
    if (!error)
        error = CarryOver(fd, path, original, file.notKept);
    if (!error)
        error = LinkUnderTemporaryName(fd, path, file.temporary);
    if (error) {
        close(fd);
        file.notKept.clear();
        return -1;
    }
    return fd;
}

/// WriteNewFile, with the new file still open: its descriptor, or -1 and `error`.
int OpenNewFile(const std::string& path, std::string_view contents, const struct stat* original,
                NewFile& file, int& error)
{
    if (const int fd = OpenUnnamedFile(path, contents, original, file, error); error != NoUnnamedFile)
        return fd;
    // A run killed outright can leave part of a page under this name.
    std::string temporary = TemporaryTemplate(path);
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    error = WriteAll(fd, contents);
    if (!error)
        error = CarryOver(fd, path, original, file.notKept);
    if (error) {
        close(fd);
        unlink(temporary.c_str());
        return -1;
    }
    file.temporary = std::move(temporary);
    return fd;
}

} // namespace

bool IsTemporaryName(std::string_view name)
{
    if (name.size() < 2 + TemporaryMark.size() + RandomSize || name.front() != '.')
        return false;
    const std::string_view random = name.substr(name.size() - RandomSize);
    return name.substr(name.size() - RandomSize - TemporaryMark.size(), TemporaryMark.size()) ==
               TemporaryMark &&
           std::all_of(random.begin(), random.end(), [](char c) {
               return RandomLetters.find(c) != std::string_view::npos;
           });
}

int WriteNewFile(const std::string& path, std::string_view contents, const struct stat* original,
                 NewFile& file)
{
    int error = 0;
    const int fd = OpenNewFile(path, contents, original, file, error);
    if (fd >= 0 && close(fd) != 0) {
        error = errno;
        unlink(file.temporary.c_str());
    }
    return error;
}

int SyncFileSystemOf(const std::string& path)
{
    const int fd = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = syncfs(fd) == 0 ? 0 : errno;
    close(fd);
    return error;
}

int ReplaceFile(const std::string& path, std::string_view contents, const struct stat* original,
                std::string& notKept)
{
    NewFile file;
    int error = 0;
    const int fd = OpenNewFile(path, contents, original, file, error);
    if (fd < 0)
        return error;
    if (fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error && rename(file.temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error) {
        unlink(file.temporary.c_str());
        return error;
    }
    notKept = std::move(file.notKept);
    const int directory = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return errno;
    error = fsync(directory) == 0 ? 0 : errno;
    close(directory);
    return error;
}

} // namespace quillveil
