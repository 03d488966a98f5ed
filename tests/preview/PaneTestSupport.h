#pragma once

#include "platform/CHtmlView.h"
#include "platform/PreviewModule.h"

#include "GuiTestSupport.h"

#include <gtest/gtest.h>
#include <wx/log.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

/// The engine from the pane's module as this build made it.
inline quillveil::PreviewEngineFactory BuiltPreviewModule()
{
    return quillveil::LoadPreviewModule(QUILLVEIL_TEST_PREVIEW_MODULE);
}

/// Waits until the pane takes HTML at once: its own page has loaded. Leaves
/// the body empty.
inline bool WaitUntilReady(quillveil::CHtmlView& pane)
{
    return PumpUntil([&pane] { return pane.PutBodyHtml(""); }, 10000);
}

/// Runs `script` in the pane's page and returns its result as text.
inline wxString Eval(quillveil::CHtmlView& pane, const wxString& script)
{
    wxString result;
    wxLogNull quiet;
    if (!pane.GetWebView().RunScript(script, &result)) {
        return "<script failed>";
    }
    return result;
}

/// Clicks the centre of the element `selector` in the pane with the mouse.
inline void ClickElement(quillveil::CHtmlView& pane, const wxString& selector)
{
    const wxString centre =
        Eval(pane, "var r=document.querySelector('" + selector +
                       "').getBoundingClientRect();"
                       "Math.round(r.left+r.width/2)+','+Math.round(r.top+r.height/2)");
    long x = 0;
    long y = 0;
    ASSERT_TRUE(centre.BeforeFirst(',').ToLong(&x) && centre.AfterFirst(',').ToLong(&y)) << centre;
    wxUIActionSimulator mouse;
    mouse.MouseMove(pane.GetWebView().ClientToScreen(wxPoint(int(x), int(y))));
    PumpEvents(100);
    mouse.MouseClick();
    PumpEvents(300);
}
