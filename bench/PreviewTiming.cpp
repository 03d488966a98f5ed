// Times what the preview pane costs a user, on the real engine (run it under
// a display, e.g. tests/with-xvfb.sh; bench/preview-timing.sh does both parts):
//   quillveil_preview_timing startup pane|none   one cold start, in milliseconds
//   quillveil_preview_timing first-preview       in a cold process: the pane's
//       module loaded and its page ready after the first paint, then the first
//       preview of the preset e-mail code, in milliseconds
//   quillveil_preview_timing early-preview       in a cold process: Preview of the
//       preset e-mail code pressed as the window first paints, in milliseconds
//   quillveil_preview_timing                      warm rounds of everything
// Startup is from constructing the dialog to its first paint. A preview is
// from the click to the second animation frame after the code went in, i.e.
// until a frame with the code in it has been drawn.

#include "CEncoderDlg.h"
#include "CodeGenerator.h"
#include "platform/CHtmlView.h"
#include "platform/PreviewModule.h"
#include "res/ResourceIds.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace quillveil;
using Clock = std::chrono::steady_clock;

namespace {

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <class Done> bool Pump(Done done, double timeoutMs = 20000)
{
    const auto start = Clock::now();
    while (!done()) {
        if (MillisecondsSince(start) > timeoutMs) {
            return false;
        }
        wxYield();
        wxMilliSleep(1);
    }
    return true;
}

void Settle()
{
    const auto start = Clock::now();
    Pump([&] { return MillisecondsSince(start) > 100; });
}

std::unique_ptr<PreviewEngine> NoEngine(wxWindow&, const LinkOpener&)
{
    return nullptr;
}

/// Constructs and shows the dialog; returns the milliseconds until its first
/// paint and leaves it open in `dialog`.
double OpenDialog(bool withPane, CEncoderDlg*& dialog)
{
    // Shared with the handler, which outlives this call. Taken in the handler:
    // the pane is made from the same round of events, right after the paint.
    auto painted = std::make_shared<double>(-1);
    const auto start = Clock::now();
    dialog = new CEncoderDlg(nullptr, withPane ? LoadPreviewModule(QUILLVEIL_BENCH_PREVIEW_MODULE)
                                               : PreviewEngineFactory(NoEngine));
    dialog->Bind(wxEVT_PAINT, [painted, start](wxPaintEvent& event) {
        if (*painted < 0) {
            *painted = MillisecondsSince(start);
        }
        event.Skip();
    });
    dialog->Show();
    Pump([&] { return *painted >= 0; });
    return *painted;
}

void CloseDialog(CEncoderDlg* dialog)
{
    dialog->Destroy();
    Pump([] { return wxTopLevelWindows.IsEmpty(); });
}

wxString Eval(CHtmlView& pane, const wxString& script)
{
    wxString result;
    wxLogNull quiet;
    pane.GetWebView().RunScript(script, &result);
    return result;
}

void Press(CEncoderDlg& dialog, int id)
{
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(dialog.FindWindow(id));
    dialog.FindWindow(id)->GetEventHandler()->ProcessEvent(event);
}

/// Waits until a frame drawn after this call has been presented.
void WaitForDrawnFrame(CHtmlView& pane)
{
    Eval(pane, "window.qvFrames=0;requestAnimationFrame(function(){"
               "requestAnimationFrame(function(){window.qvFrames=2;});});");
    Pump([&] { return Eval(pane, "window.qvFrames") == "2"; });
}

/// Clicks Preview with `code` in the output box; milliseconds until a frame
/// with the code has been drawn. Leaves the dialog in the code view again.
double TimePreviewClick(CEncoderDlg& dialog, CHtmlView& pane, const wxString& code)
{
    auto* box = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(IDC_CODE));
    box->ChangeValue(code);
    Settle();
    const auto start = Clock::now();
    Press(dialog, IDC_PREVIEW);
    WaitForDrawnFrame(pane);
    const double elapsed = MillisecondsSince(start);
    Press(dialog, IDC_PREVIEW);
    Settle();
    return elapsed;
}

/// The pane's part of a preview alone: the code put into the shown pane until
/// a frame with it has been drawn.
double TimePutIntoPane(CHtmlView& pane, const std::string& code)
{
    pane.Show();
    Settle();
    const auto start = Clock::now();
    pane.PutBodyHtml(code);
    WaitForDrawnFrame(pane);
    const double elapsed = MillisecondsSince(start);
    pane.PutBodyHtml("");
    pane.Hide();
    Settle();
    return elapsed;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/// The pane, once it has come after the first paint and loaded its page;
/// null when it does not come.
CHtmlView* WaitForPane(CEncoderDlg& dialog)
{
    Pump([&] { return dialog.FindWindow(CHtmlView::PaneId) != nullptr; });
    auto* pane = dynamic_cast<CHtmlView*>(dialog.FindWindow(CHtmlView::PaneId));
    if (pane != nullptr) {
        // Its own page has loaded once it takes HTML at once.
        Pump([pane] { return pane->PutBodyHtml(""); });
    }
    return pane;
}

GenerateResult PresetEmailCode()
{
    return GenerateCode(EncoderMode::Email,
                        EncoderForm{"User", "example.com", "Support", "Test Subject", {}, {}});
}

/// A cold process as a user meets it: milliseconds from the first paint until
/// the pane is ready, then those of the first preview of the preset code.
bool FirstPreview()
{
    CEncoderDlg* dialog = nullptr;
    OpenDialog(true, dialog);
    const auto painted = Clock::now();
    CHtmlView* pane = WaitForPane(*dialog);
    const double ready = MillisecondsSince(painted);
    if (pane != nullptr) {
        const double preview =
            TimePreviewClick(*dialog, *pane, wxString::FromUTF8(PresetEmailCode().GetCode()));
        std::printf("%.1f %.1f\n", ready, preview);
    }
    CloseDialog(dialog);
    return pane != nullptr;
}

/// A cold process with a quick user: Preview pressed as soon as the window
/// has painted, while the pane is still being made. Milliseconds from the
/// press until a frame with the code has been drawn.
bool EarlyPreview()
{
    CEncoderDlg* dialog = nullptr;
    OpenDialog(true, dialog);
    dynamic_cast<wxTextCtrl*>(dialog->FindWindow(IDC_CODE))
        ->ChangeValue(wxString::FromUTF8(PresetEmailCode().GetCode()));
    const auto start = Clock::now();
    Press(*dialog, IDC_PREVIEW);
    CHtmlView* pane = nullptr;
    Pump([&] {
        pane = dynamic_cast<CHtmlView*>(dialog->FindWindow(CHtmlView::PaneId));
        return pane != nullptr;
    });
    const bool shown =
        pane != nullptr && Pump([pane] {
            return Eval(*pane, "document.body?document.body.textContent:''") == "Support";
        });
    if (shown) {
        WaitForDrawnFrame(*pane);
        std::printf("%.1f\n", MillisecondsSince(start));
    }
    CloseDialog(dialog);
    return shown;
}

void WarmRounds()
{
    constexpr int rounds = 10;
    std::vector<double> withPane;
    std::vector<double> without;
    for (int i = 0; i < rounds; ++i) {
        for (const bool pane : {i % 2 == 0, i % 2 != 0}) {
            CEncoderDlg* dialog = nullptr;
            (pane ? withPane : without).push_back(OpenDialog(pane, dialog));
            CloseDialog(dialog);
        }
    }
    const double a = Median(withPane);
    const double b = Median(without);
    std::printf("startup, warm process (median of %d): with pane %.1f ms, without %.1f ms, "
                "pane adds %.1f ms (ratio %.2f)\n",
                rounds, a, b, a - b, a / b);

    CEncoderDlg* dialog = nullptr;
    OpenDialog(true, dialog);
    CHtmlView* pane = WaitForPane(*dialog);
    if (pane == nullptr) {
        std::printf("no preview pane: is the module at %s?\n", QUILLVEIL_BENCH_PREVIEW_MODULE);
        CloseDialog(dialog);
        return;
    }

    const GenerateResult email = PresetEmailCode();
    const wxString emailCode = wxString::FromUTF8(email.GetCode());
    std::string text;
    while (text.size() * 5 < 1024 * 1024) {
        text += "Contact the webmaster at our office, or write to sales for prices.\n";
    }
    EncoderForm anyText;
    anyText.text = text;
    const GenerateResult large = GenerateCode(EncoderMode::AnyText, anyText);

    std::vector<double> emailTimes;
    std::vector<double> largeTimes;
    for (int i = 0; i < rounds; ++i) {
        emailTimes.push_back(TimePreviewClick(*dialog, *pane, emailCode));
    }
    // A megabyte of code on one line takes the output box itself minutes to
    // lay out, so the large preview is timed from the pane's side: what the
    // click does once it has read the box.
    for (int i = 0; i < 5; ++i) {
        largeTimes.push_back(TimePutIntoPane(*pane, large.GetCode()));
    }
    const double e = Median(emailTimes);
    const double l = Median(largeTimes);
    std::printf("preview click of the preset e-mail code (%zu bytes, median of %d): %.1f ms "
                "(goal 300 ms: %.2f of it)\n",
                email.GetCode().size(), rounds, e, e / 300);
    std::printf("pane's part of previewing any-text code (%.2f MiB, median of 5): %.1f ms "
                "(goal 2000 ms: %.2f of it; %.0f times the e-mail preview)\n",
                double(large.GetCode().size()) / (1024 * 1024), l, l / 2000, l / e);
    CloseDialog(dialog);
}

} // namespace

int main(int argc, char** argv)
{
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "cannot start the toolkit: is there a display?\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr);

    int status = 0;
    if (argc == 3 && std::strcmp(argv[1], "startup") == 0) {
        CEncoderDlg* dialog = nullptr;
        std::printf("%.1f\n", OpenDialog(std::strcmp(argv[2], "pane") == 0, dialog));
        CloseDialog(dialog);
    } else if (argc == 2 && std::strcmp(argv[1], "first-preview") == 0) {
        status = FirstPreview() ? 0 : 1;
    } else if (argc == 2 && std::strcmp(argv[1], "early-preview") == 0) {
        status = EarlyPreview() ? 0 : 1;
    } else if (argc == 1) {
        WarmRounds();
    } else {
        std::fprintf(stderr, "usage: %s [startup pane|none | first-preview | early-preview]\n",
                     argv[0]);
        status = 2;
    }
    wxEntryCleanup();
    return status;
}
