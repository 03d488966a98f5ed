#pragma once

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/time.h>
#include <wx/utils.h>

#include <functional>

/// Lets the toolkit deliver pending events for a while.
inline void PumpEvents(long milliseconds = 50)
{
    const wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
    do {
        wxYield();
        wxMilliSleep(5);
    } while (wxGetLocalTimeMillis() < end);
}

/// Pumps events until `done` holds or `timeoutMs` passes; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, long timeoutMs = 3000)
{
    const wxLongLong end = wxGetLocalTimeMillis() + timeoutMs;
    while (!done() && wxGetLocalTimeMillis() < end) {
        wxYield();
        wxMilliSleep(5);
    }
    return done();
}
