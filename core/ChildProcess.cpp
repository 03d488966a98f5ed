#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace quillveil {

namespace {

/// Written after the work's bytes: a child that ends without it did not finish, whatever
/// its status says (a status taken by someone else's wait reads as success).
constexpr char Finished = '\n';

[[noreturn]] void RunChild(int pipe, const std::function<std::string()>& work)
{
    // A crash here is the expected end of hostile input: nothing to debug, no core to keep.
    prctl(PR_SET_DUMPABLE, 0);
    if (const int null = open("/dev/null", O_WRONLY | O_CLOEXEC); null >= 0)
        dup2(null, STDERR_FILENO);
    std::string bytes;
    try {
        bytes = work();
    } catch (...) {
        _exit(1);
    }
    bytes += Finished;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = write(pipe, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno != EINTR)
            _exit(2);
        done += written > 0 ? static_cast<std::size_t>(written) : 0;
    }
    _exit(0);
}

} // namespace

ChildOutcome RunInChildProcess(const std::function<std::string()>& work)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot make a pipe");
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(ends[0]);
        close(ends[1]);
        throw std::system_error(error, std::generic_category(), "cannot start a process");
    }
    if (child == 0) {
        close(ends[0]);
        RunChild(ends[1], work);
    }
    close(ends[1]);
    ChildOutcome outcome;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = read(ends[0], buffer, sizeof buffer);
        if (got > 0)
            outcome.bytes.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    close(ends[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        outcome.end = ChildOutcome::End::Killed;
        outcome.signal = WTERMSIG(status);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 1) {
        outcome.end = ChildOutcome::End::Failed;
    } else if (outcome.bytes.empty() || outcome.bytes.back() != Finished) {
        outcome.end = ChildOutcome::End::Killed;
    }
    if (outcome.end == ChildOutcome::End::Finished)
        outcome.bytes.pop_back();
    else
        outcome.bytes.clear();
    return outcome;
}

} // namespace quillveil
