#include "WorkerPool.h"

#include "FileDescriptorIo.h"
#include "Interruption.h"
#include "WorkerMessage.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillveil {

namespace {

/// A message on a worker's socket: its size, then its bytes.
int Send(int socket, std::string_view bytes)
{
    const std::uint64_t size = bytes.size();
    if (const int error =
            WriteAll(socket, std::string_view(reinterpret_cast<const char*>(&size), sizeof size)))
        return error;
    return WriteAll(socket, bytes);
}

/// Reads exactly `size` bytes; false at end of file or on an error.
bool ReceiveExactly(int socket, char* into, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = read(socket, into, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool Receive(int socket, std::string& bytes)
{
    std::uint64_t size = 0;
    if (!ReceiveExactly(socket, reinterpret_cast<char*>(&size), sizeof size))
        return false;
    bytes.resize(size);
    return ReceiveExactly(socket, bytes.data(), bytes.size());
}

} // namespace

WorkerPool::WorkerPool(std::size_t size, Work work, std::function<void(std::string_view)> lost)
    : m_size(std::max<std::size_t>(size, 1)), m_work(std::move(work)), m_lost(std::move(lost))
{
    m_workers.resize(m_size);
}

WorkerPool::~WorkerPool()
{
    // A worker reads the end of its requests and leaves.
    for (Worker& worker : m_workers)
        if (worker.pid > 0)
            Bury(worker);
}

void WorkerPool::Start(Worker& worker)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    const pid_t pid = fork();
    if (pid == 0) {
        close(ends[0]);
        // Another worker's socket held here would keep it from seeing this process end.
        for (const Worker& other : m_workers)
            if (other.socket >= 0)
                close(other.socket);
        Serve(ends[1]);
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return;
    }
    worker.pid = pid;
    worker.socket = ends[0];
    worker.busy = false;
}

void WorkerPool::Serve(int socket)
{
    IgnoreInterruptions();
    std::signal(SIGPIPE, SIG_IGN);
    // The parser's last words on markup it fails on would read as this program's crash.
    prctl(PR_SET_DUMPABLE, 0);
    if (const int null = open("/dev/null", O_WRONLY | O_CLOEXEC); null >= 0)
        dup2(null, STDERR_FILENO);
    std::string request;
    while (Receive(socket, request)) {
        std::string reply;
        try {
            reply = m_work(request);
        } catch (...) {
            _exit(1); // never unwind into the main process's frames, copied here by fork
        }
        if (Send(socket, reply) != 0) {
            if (m_lost)
                m_lost(reply);
            break;
        }
    }
    _exit(0);
}

int WorkerPool::Bury(Worker& worker)
{
    close(worker.socket);
    int status = 0;
    while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
    }
    worker = Worker{};
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

void WorkerPool::Run(std::deque<WorkRequest>& queue, const std::function<void(WorkReply)>& done,
                     const std::function<bool()>& stop)
{
    std::vector<pollfd> waiting;
    std::vector<Worker*> waitingFor;
    for (;;) {
        if (!stop()) {
            for (Worker& worker : m_workers) {
                if (queue.empty() || worker.busy)
                    continue;
                if (worker.pid <= 0)
                    Start(worker);
                if (worker.pid <= 0)
                    break; // no process to be had: the others go on
                if (Send(worker.socket, queue.front().bytes) != 0) {
                    Bury(worker);
                    continue;
                }
                worker.busy = true;
                worker.task = queue.front().task;
                queue.pop_front();
            }
        }
        waiting.clear();
        waitingFor.clear();
        for (Worker& worker : m_workers)
            if (worker.busy) {
                waiting.push_back({worker.socket, POLLIN, 0});
                waitingFor.push_back(&worker);
            }
        if (waiting.empty()) {
            if (queue.empty() || stop())
                return;
            // Not one worker could be started: answer the request as a worker that died.
            WorkReply reply;
            reply.task = queue.front().task;
            queue.pop_front();
            done(std::move(reply));
            continue;
        }
        // An interruption wakes the wait: the workers under way are still waited for.
        if (poll(waiting.data(), waiting.size(), -1) < 0)
            continue;
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            if (waiting[i].revents == 0)
                continue;
            Worker& worker = *waitingFor[i];
            WorkReply reply;
            reply.task = worker.task;
            reply.finished = Receive(worker.socket, reply.bytes);
            if (reply.finished) {
                worker.busy = false;
            } else {
                reply.bytes.clear();
                reply.signal = Bury(worker);
            }
            done(std::move(reply));
        }
    }
}

bool EndedByCrash(const WorkReply& reply)
{
    switch (reply.signal) {
    case SIGABRT:
    case SIGSEGV:
    case SIGBUS:
    case SIGILL:
    case SIGFPE:
    case SIGTRAP:
        return true;
    default:
        return false;
    }
}

std::string WhyWorkerEnded(const WorkReply& reply)
{
    if (reply.signal == 0)
        return "its worker process ended without an answer";
    return "its worker process was ended by signal " + std::to_string(reply.signal) + " (" +
           strsignal(reply.signal) + ")";
}

std::size_t ParseJobs(std::string_view value)
{
    std::size_t jobs = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
    return error == std::errc() && end == value.data() + value.size() && jobs >= 1 && jobs <= 1024
               ? jobs
               : 0;
}

std::size_t UsableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    std::size_t count = sched_getaffinity(0, sizeof set, &set) == 0
                            ? static_cast<std::size_t>(CPU_COUNT(&set))
                            : static_cast<std::size_t>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
    // Each control group from this process's up to the root may set a quota: in the unified
    // hierarchy ("0::/PATH"), cpu.max holds "QUOTA PERIOD" (or "max QUOTA"); in the older
    // one ("N:cpu,cpuacct:/PATH"), two files hold them (-1 for none).
    const auto bound = [&count](const std::string& quotaFile, const std::string& periodFile) {
        std::ifstream quotaIn(quotaFile);
        std::ifstream periodIn(periodFile);
        std::string quota;
        double period = 0;
        if (quotaIn >> quota && (quotaFile == periodFile ? quotaIn : periodIn) >> period &&
            quota != "max" && quota != "-1" && period > 0) {
            const auto cpus = static_cast<std::size_t>(std::stod(quota) / period + 0.999);
            count = std::min(count, std::max<std::size_t>(cpus, 1));
        }
    };
    std::ifstream groups("/proc/self/cgroup");
    for (std::string line; std::getline(groups, line);) {
        const std::size_t colon = line.find(':');
        const std::size_t pathAt = line.find(":/");
        if (colon == std::string::npos || pathAt == std::string::npos)
            continue;
        std::string controllers(1, ',');
        controllers.append(line, colon + 1, pathAt - colon - 1).push_back(',');
        const bool unified = controllers == ",,";
        if (!unified && controllers.find(",cpu,") == std::string::npos)
            continue;
        for (std::string group = line.substr(pathAt + 1);;) {
            if (unified)
                bound("/sys/fs/cgroup" + group + "/cpu.max", "/sys/fs/cgroup" + group + "/cpu.max");
            else
                bound("/sys/fs/cgroup/cpu" + group + "/cpu.cfs_quota_us",
                      "/sys/fs/cgroup/cpu" + group + "/cpu.cfs_period_us");
            if (group.size() <= 1)
                break;
            group.erase(std::max<std::size_t>(group.rfind('/'), 1));
        }
    }
    return std::max<std::size_t>(count, 1);
}

} // namespace quillveil
