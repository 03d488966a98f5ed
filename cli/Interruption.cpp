#include "Interruption.h"

#include <unistd.h>

namespace quillveil {

namespace {

constexpr int Interruptions[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t g_stopSignal = 0;

extern "C" void RequestStop(int signal)
{
    g_stopSignal = signal;
}

void Handle(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    // File reads and writes go on; only the wait for workers is woken.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : Interruptions)
        sigaction(signal, &action, nullptr);
}

} // namespace

void StopOnInterruption()
{
    Handle(RequestStop);
}

bool StopRequested()
{
    return g_stopSignal != 0;
}

void IgnoreInterruptions()
{
    Handle(SIG_IGN);
}

void EndIfInterrupted()
{
    const int signal = g_stopSignal;
    if (signal == 0)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    raise(signal);
}

} // namespace quillveil
