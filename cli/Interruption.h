#pragma once

#include <signal.h>

namespace quillveil {

/// Turns SIGINT, SIGTERM and SIGHUP into a request to stop: the run finishes the pages under
/// way, reports, and then ends as the signal would have ended it (EndIfInterrupted).
void StopOnInterruption();

/// Whether one of those signals arrived.
bool StopRequested();

/// A worker process finishes its page whatever the terminal sends the process group: the
/// main process decides when to stop.
void IgnoreInterruptions();

/// Ends the process by the signal that asked it to stop, if one did; returns otherwise.
void EndIfInterrupted();

} // namespace quillveil
