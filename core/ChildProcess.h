#pragma once

#include <functional>
#include <string>

namespace quillveil {

/// What became of work run in a child process.
struct ChildOutcome {
    enum class End {
        /// The work returned; `bytes` is what it returned.
        Finished,
        /// The child was ended by signal `signal` (an abort or a crash inside the work).
        Killed,
        /// The work threw: out of memory, most likely.
        Failed,
    };
    End end = End::Finished;
    std::string bytes;
    int signal = 0;
};

/// Runs `work` in a child process of its own and brings back the bytes it returns, so that
/// a library that aborts or crashes on hostile input takes down nothing but the child. The
/// child only computes, writes to a pipe and ends with _exit: no destructor, atexit handler
/// or stream of the parent runs twice. Its standard error is not the caller's (a library's
/// last words would read as the program's crash), and it leaves no core dump. Usable from a
/// program with threads where fork keeps the allocator usable in the child (glibc's does).
/// Throws std::system_error when no child can be started.
ChildOutcome RunInChildProcess(const std::function<std::string()>& work);

} // namespace quillveil
