#pragma once

#include "GuiTestSupport.h"
#include "platform/UrlOpener.h"

#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include <vector>

/// Records the URLs it is asked to open and answers as told.
class FakeOpener final : public quillveil::UrlOpener {
public:
    bool Open(const wxString& url) override
    {
        opened.push_back(url);
        return succeeds;
    }

    bool succeeds = true;
    std::vector<wxString> opened;
};

/// Shows a window without a modal loop (tests cannot run one) and waits for
/// it. Without a window manager the keyboard goes to the window under the
/// pointer, so the pointer rests on the window's bottom-left background.
inline void ShowAndSettle(wxTopLevelWindow& window)
{
    window.Show();
    PumpUntil([&] { return window.IsShownOnScreen(); });
    wxUIActionSimulator().MouseMove(
        window.ClientToScreen(wxPoint(2, window.GetClientSize().y - 2)));
    PumpEvents(150);
}
