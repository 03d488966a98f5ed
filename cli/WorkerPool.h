#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace quillveil {

/// One piece of work for a worker: the task it belongs to and what to do.
struct WorkRequest {
    std::size_t task = 0;
    std::string bytes;
};

/// What came back for a request.
struct WorkReply {
    std::size_t task = 0;
    /// False when the worker died on it; `signal` is then the signal that ended it, or 0.
    bool finished = false;
    std::string bytes;
    int signal = 0;
};

/// Worker processes, forked from this one, that answer requests with `work`. The HTML parser
/// may abort or crash on hostile markup: in a worker that ends one request, which the main
/// process answers itself, and a new worker takes the next. Workers ignore the terminal's
/// interruptions (the main process stops handing out work instead), leave no core dump, and
/// their standard error is not the user's. Fork one before this process starts any thread.
class WorkerPool {
public:
    using Work = std::function<std::string(std::string_view request)>;

    /// Up to `size` workers, started as work comes. `lost` runs in a worker whose reply
    /// cannot be delivered (the main process is gone), to undo what the reply announced.
    WorkerPool(std::size_t size, Work work, std::function<void(std::string_view reply)> lost = {});
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    /// Hands the requests of `queue` out in order and calls `done` in this process for each
    /// reply as it comes; `done` may add requests. Once `stop` says so (an interruption wakes
    /// the wait to ask), hands out no more and returns when the requests under way are
    /// answered, the rest left in `queue`.
    void Run(std::deque<WorkRequest>& queue, const std::function<void(WorkReply)>& done,
             const std::function<bool()>& stop);

private:
    struct Worker {
        pid_t pid = -1;
        int socket = -1;
        bool busy = false;
        std::size_t task = 0;
    };

    void Start(Worker& worker);
    [[noreturn]] void Serve(int socket);
    /// Ends a worker that died or misbehaved; returns the signal that ended it, or 0.
    int Bury(Worker& worker);

    std::size_t m_size;
    Work m_work;
    std::function<void(std::string_view)> m_lost;
    std::vector<Worker> m_workers;
};

/// Whether the worker died of a crash (an abort, a bad memory access): what the HTML parser
/// does on markup it fails on.
bool EndedByCrash(const WorkReply& reply);

/// Why a worker ended without an answer, in words.
std::string WhyWorkerEnded(const WorkReply& reply);

/// The number of `--jobs N`, or 0 when it is not a number from 1 to 1024.
std::size_t ParseJobs(std::string_view value);

/// The processors this process may run on: its CPU affinity, bounded by its control groups'
/// CPU quota (a container's limit), at least 1.
std::size_t UsableProcessors();

} // namespace quillveil
