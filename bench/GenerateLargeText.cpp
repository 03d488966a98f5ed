// Generate Code on a large Any Text in the real dialog: how long until the
// code is in the output box, how long the window then takes to answer a key,
// a click and a wheel turn sent through the X server, and how much memory the
// press costs; and before that, a paste of the text into the empty Any Text
// field and a letter typed after it. The reference, in the same run, is the
// same dialog doing the same with a small text, whose code the editable box
// holds.
//   quillveil-generate-large-text [KIB] [--shots DIR]
#include "AsciiText.h"
#include "CEncoderDlg.h"
#include "CodeGenerator.h"
#include "platform/CHtmlView.h"
#include "res/ResourceIds.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/eventfilter.h>
#include <wx/init.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

/// Runs the toolkit until it is idle and the window has been painted.
void Settle(wxWindow& window)
{
    window.Update();
    while (wxTheApp->Pending()) {
        wxTheApp->Dispatch();
    }
    wxYield();
}

std::string SampleText(std::size_t size)
{
    const std::string line = "The quick brown fox <b>jumps</b> over the lazy dog & co.\n";
    std::string text;
    while (text.size() < size) {
        text += line;
    }
    text.resize(size);
    return text;
}

/// A field of /proc/self/status in KiB.
long StatusKib(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

/// Starts a new peak: the kernel's high-water mark drops to the present size.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

/// Notices when an event of one type reaches one window.
class ArrivalFilter : public wxEventFilter {
public:
    ArrivalFilter(wxWindow& target, wxEventType type) : m_target(target), m_type(type)
    {
        wxEvtHandler::AddFilter(this);
    }
    ~ArrivalFilter() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override
    {
        if (event.GetEventType() == m_type && event.GetEventObject() == &m_target) {
            m_arrived = true;
        }
        return Event_Skip;
    }
    bool Arrived() const { return m_arrived; }

private:
    wxWindow& m_target;
    wxEventType m_type;
    bool m_arrived = false;
};

/// Runs the toolkit until the window's next frame has been laid out and
/// painted, as the toolkit does it: a painting forced at once would skip the
/// layout that comes with a frame.
void WaitForFrame(wxWindow& window)
{
    GdkFrameClock* clock = gtk_widget_get_frame_clock(static_cast<GtkWidget*>(window.GetHandle()));
    if (clock == nullptr) {
        window.Update();
        return;
    }
    bool painted = false;
    const gulong handler = g_signal_connect_swapped(
        clock, "after-paint", G_CALLBACK(+[](bool* done) { *done = true; }), &painted);
    gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_PAINT);
    while (!painted) {
        g_main_context_iteration(nullptr, TRUE);
    }
    g_signal_handler_disconnect(clock, handler);
}

/// How long an input is timed: until the window is idle again, or only until
/// it has handled the input and painted (work the toolkit leaves for idle
/// time then goes on between the inputs that follow).
enum class Until { Idle, Painted };

/// Sends one input through the X server and times it until the window has
/// handled it and painted the result.
double TimeInput(wxWindow& dlg, wxWindow& target, wxEventType seen,
                 const std::function<void()>& send, Until until = Until::Idle)
{
    if (until == Until::Idle) {
        Settle(dlg);
    }
    ArrivalFilter filter(target, seen);
    const Clock::time_point start = Clock::now();
    send();
    // The toolkit's own loop, waiting for the next event rather than
    // sleeping: a pasted text arrives in many small parts, each an event.
    const guint wake = g_timeout_add(
        50, [](gpointer) { return G_SOURCE_CONTINUE; }, nullptr);
    while (!filter.Arrived() && MillisecondsSince(start) < 30000) {
        g_main_context_iteration(nullptr, TRUE);
    }
    g_source_remove(wake);
    if (until == Until::Idle) {
        Settle(dlg);
    } else {
        WaitForFrame(dlg);
    }
    return MillisecondsSince(start);
}

void TurnWheelDown()
{
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XTestFakeButtonEvent(display, 5, True, CurrentTime);
    XTestFakeButtonEvent(display, 5, False, CurrentTime);
    XFlush(display);
}

/// A picture of the screen, taken without running the toolkit meanwhile (a
/// nested loop would disable the window and take its focus).
void Shoot(const std::string& path)
{
    const std::string command = "import -window root '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not take %s\n", path.c_str());
    }
}

/// Makes `text` the clipboard's content, served by another program as a
/// person's copy would be, and waits until it is.
void OfferOnClipboard(const std::string& text)
{
    std::FILE* xclip = popen("xclip -i -selection clipboard", "w");
    if (xclip == nullptr || std::fwrite(text.data(), 1, text.size(), xclip) != text.size() ||
        pclose(xclip) != 0) {
        std::fprintf(stderr, "could not put the text on the clipboard with xclip\n");
        std::exit(1);
    }
}

struct PasteFigures {
    double pasted = 0;
    double typed = 0;
    double settled = 0;
    bool whole = false;
};

/// Pastes `text` from the clipboard into the empty Any Text field with Ctrl+V
/// and times it until the field has it and the window is idle and painted,
/// then a letter typed after it.
PasteFigures MeasurePaste(quillveil::CEncoderDlg& dlg, const std::string& text)
{
    PasteFigures figures;
    auto* field = dynamic_cast<wxTextCtrl*>(dlg.FindWindow(quillveil::IDC_TEXT));
    field->ChangeValue(wxString());
    OfferOnClipboard(text);
    field->SetFocus();
    Settle(dlg);
    wxUIActionSimulator input;
    figures.pasted = TimeInput(
        dlg, *field, wxEVT_TEXT, [&] { input.Char('V', wxMOD_CONTROL); }, Until::Painted);
    figures.typed = TimeInput(
        dlg, *field, wxEVT_KEY_UP, [&] { input.Char('x'); }, Until::Painted);
    const Clock::time_point laying = Clock::now();
    Settle(dlg);
    figures.settled = MillisecondsSince(laying);
    figures.whole = field->GetValue().utf8_string() == text + "x";
    return figures;
}

void ReportPaste(std::size_t kib, const PasteFigures& subject, const PasteFigures& reference)
{
    std::printf("Paste of %zu KiB into the empty Any Text field; reference: 1 KiB\n", kib);
    std::printf("  Ctrl+V until the text is in and painted: %8.1f ms  (reference %6.1f ms, ratio "
                "%.2f)%s\n",
                subject.pasted, reference.pasted, subject.pasted / reference.pasted,
                subject.whole && reference.whole ? "" : "  THE FIELD DOES NOT HOLD THE WHOLE TEXT");
    std::printf("  then a typed letter answered:          %8.1f ms  (reference %6.1f ms, ratio "
                "%.2f)\n",
                subject.typed, reference.typed, subject.typed / reference.typed);
    std::printf("  the field laid out whole, in idle time: %8.1f ms after the letter\n",
                subject.settled);
}

/// The dialog's preview pane once it has its first page; null without one.
quillveil::CHtmlView* WaitForPreviewPane(quillveil::CEncoderDlg& dlg)
{
    const Clock::time_point waiting = Clock::now();
    quillveil::CHtmlView* pane = nullptr;
    wxString state;
    while (MillisecondsSince(waiting) < 10000 &&
           ((pane = dynamic_cast<quillveil::CHtmlView*>(
                 dlg.FindWindow(quillveil::CHtmlView::PaneId))) == nullptr ||
            !pane->GetWebView().RunScript("document.readyState", &state) || state != "complete")) {
        wxYield();
        wxMilliSleep(5);
    }
    return pane;
}

struct Figures {
    std::size_t codeBytes = 0;
    double shown = 0;
    double click = 0;
    double key = 0;
    double wheel = 0;
    double typed = 0;
    double preview = 0;
    bool previewWhole = false;
    long previewPeakKib = 0;
    long peakKib = 0;
    long beforeKib = 0;
};

/// Generates the code of `text` in the dialog and times the inputs after it;
/// with `shots`, saves pictures of the start and the end of the box there.
Figures Measure(quillveil::CEncoderDlg& dlg, const std::string& text, const std::string& shots)
{
    Figures figures;
    auto* field = dynamic_cast<wxTextCtrl*>(dlg.FindWindow(quillveil::IDC_TEXT));
    field->ChangeValue(wxString::FromUTF8(text));
    Settle(dlg);

    auto* generate = dynamic_cast<wxButton*>(dlg.FindWindow(quillveil::IDC_GENERATE));
    wxCommandEvent press(wxEVT_BUTTON, quillveil::IDC_GENERATE);
    press.SetEventObject(generate);
    figures.beforeKib = StatusKib("VmRSS");
    ResetPeak();
    const Clock::time_point start = Clock::now();
    generate->HandleWindowEvent(press);
    Settle(dlg);
    figures.shown = MillisecondsSince(start);
    figures.peakKib = StatusKib("VmHWM");

    // Whichever form the box took is the window in sight over its rectangle.
    const wxRect boxRect = dlg.FindWindow(quillveil::IDC_CODE)->GetScreenRect();
    wxWindow* box = nullptr;
    for (wxWindow* child : dlg.GetChildren()) {
        if (child->IsShown() && child->GetScreenRect() == boxRect &&
            child->GetId() != quillveil::IDC_TEXT) {
            box = child;
        }
    }
    figures.codeBytes = quillveil::GenerateCode(quillveil::EncoderMode::AnyText,
                                                quillveil::EncoderForm{{}, {}, {}, {}, {}, text})
                            .GetCode()
                            .size();

    wxUIActionSimulator input;
    const wxPoint middle(boxRect.x + boxRect.width / 2, boxRect.y + boxRect.height / 2);
    input.MouseMove(middle);
    Settle(dlg);
    figures.click = TimeInput(dlg, *box, wxEVT_LEFT_UP, [&] { input.MouseClick(); });
    if (!shots.empty()) {
        Shoot(shots + "/start.png");
    }
    figures.key = TimeInput(dlg, *box, wxEVT_KEY_UP, [&] { input.Char(WXK_PAGEDOWN); });
    figures.wheel = TimeInput(dlg, *box, wxEVT_MOUSEWHEEL, TurnWheelDown);
    // What editing costs the editable box (the read-only view ignores it).
    figures.typed = TimeInput(dlg, *box, wxEVT_KEY_UP, [&] { input.Char('x'); });
    if (!shots.empty()) {
        TimeInput(dlg, *box, wxEVT_KEY_UP, [&] { input.Char(WXK_END, wxMOD_CONTROL); });
        Shoot(shots + "/end.png");
    }

    // Preview, once the pane has its first page: until the page is painted.
    if (quillveil::CHtmlView* pane = WaitForPreviewPane(dlg)) {
        auto* previewButton = dlg.FindWindow(quillveil::IDC_PREVIEW);
        wxCommandEvent previewPress(wxEVT_BUTTON, quillveil::IDC_PREVIEW);
        previewPress.SetEventObject(previewButton);
        ResetPeak();
        const Clock::time_point pressed = Clock::now();
        previewButton->HandleWindowEvent(previewPress);
        Settle(dlg);
        figures.preview = MillisecondsSince(pressed);
        figures.previewPeakKib = StatusKib("VmHWM");
        wxString length;
        figures.previewWhole =
            pane->GetWebView().RunScript("document.body.textContent.length", &length) &&
            length ==
                wxString::Format(
                    "%zu",
                    wxString::FromUTF8(std::string(quillveil::TrimAsciiSpace(text))).length());
        previewButton->HandleWindowEvent(previewPress);
        Settle(dlg);
    }
    return figures;
}

void Report(const char* name, const Figures& subject, const Figures& reference)
{
    std::printf("%s\n", name);
    std::printf("  press until the code is painted: %8.1f ms  (reference %6.1f ms)\n",
                subject.shown, reference.shown);
    std::printf("  then a click answered:           %8.1f ms  (reference %6.1f ms, ratio %.2f)\n",
                subject.click, reference.click, subject.click / reference.click);
    std::printf("  then Page Down answered:         %8.1f ms  (reference %6.1f ms, ratio %.2f)\n",
                subject.key, reference.key, subject.key / reference.key);
    std::printf("  then a wheel turn answered:      %8.1f ms  (reference %6.1f ms, ratio %.2f)\n",
                subject.wheel, reference.wheel, subject.wheel / reference.wheel);
    std::printf("  then a typed letter answered:    %8.1f ms  (reference %6.1f ms, ratio %.2f)\n",
                subject.typed, reference.typed, subject.typed / reference.typed);
    std::printf("  Preview until painted:           %8.1f ms  (reference %6.1f ms)%s\n",
                subject.preview, reference.preview,
                subject.previewWhole ? "" : "  THE PAGE DOES NOT HOLD THE WHOLE TEXT");
    const double code = static_cast<double>(subject.codeBytes) / 1024.0;
    std::printf("  memory the press added at its peak: %.1f MiB = %.2f times the code (%.1f MiB)\n",
                static_cast<double>(subject.peakKib - subject.beforeKib) / 1024.0,
                static_cast<double>(subject.peakKib - subject.beforeKib) / code, code / 1024.0);
    std::printf("  process peak during the press: %.1f MiB; during Preview: %.1f MiB\n",
                static_cast<double>(subject.peakKib) / 1024.0,
                static_cast<double>(subject.previewPeakKib) / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t kib = 1024;
    std::string shots;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--shots" && i + 1 < argc) {
            shots = argv[++i];
        } else {
            kib = std::stoul(arg);
        }
    }
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    {
        auto* dlg = new quillveil::CEncoderDlg;
        dlg->Show();
        Settle(*dlg);
        auto* mode = dynamic_cast<wxCheckBox*>(dlg->FindWindow(quillveil::IDC_MODE_TEXT));
        mode->SetValue(true);
        wxCommandEvent modeClick(wxEVT_CHECKBOX, quillveil::IDC_MODE_TEXT);
        modeClick.SetEventObject(mode);
        mode->HandleWindowEvent(modeClick);

        // The web engine starts its processes once the window shows; a
        // person pastes later.
        WaitForPreviewPane(*dlg);
        const PasteFigures pasteReference = MeasurePaste(*dlg, SampleText(1024));
        const PasteFigures paste = MeasurePaste(*dlg, SampleText(kib * 1024));
        ReportPaste(kib, paste, pasteReference);

        const Figures reference = Measure(*dlg, SampleText(1024), "");
        const Figures subject = Measure(*dlg, SampleText(kib * 1024), shots);
        char name[128];
        std::snprintf(name, sizeof name,
                      "Generate Code on %zu KiB of Any Text (%zu bytes of code); reference: 1 KiB "
                      "(%zu bytes of code, the editable box)",
                      kib, subject.codeBytes, reference.codeBytes);
        Report(name, subject, reference);
        dlg->Destroy();
    }
    wxEntryCleanup();
    return 0;
}
