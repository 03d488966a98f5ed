// Generate Code on 1 MiB of text in the real dialog: how long until the code
// is in the output box, and how much of that the text control takes.
#include "CEncoderDlg.h"
#include "CodeGenerator.h"
#include "res/ResourceIds.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/init.h>
#include <wx/textctrl.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

double Milliseconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
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

} // namespace

int main(int argc, char** argv)
{
    // The input size in KiB; 1 MiB unless given.
    const std::size_t kib = argc > 1 ? std::stoul(argv[1]) : 1024;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    {
        const std::string text = SampleText(kib * 1024);
        auto* dlg = new quillveil::CEncoderDlg;
        dlg->Show();
        Settle(*dlg);

        auto* mode = dynamic_cast<wxCheckBox*>(dlg->FindWindow(quillveil::IDC_MODE_TEXT));
        mode->SetValue(true);
        wxCommandEvent modeClick(wxEVT_CHECKBOX, quillveil::IDC_MODE_TEXT);
        modeClick.SetEventObject(mode);
        mode->HandleWindowEvent(modeClick);
        auto* field = dynamic_cast<wxTextCtrl*>(dlg->FindWindow(quillveil::IDC_TEXT));
        auto* output = dynamic_cast<wxTextCtrl*>(dlg->FindWindow(quillveil::IDC_CODE));
        const wxString wide = wxString::FromUTF8(text);
        const double fill = Milliseconds([&] { field->ChangeValue(wide); });
        Settle(*dlg);

        quillveil::EncoderForm form;
        form.text = text;
        std::size_t codeBytes = 0;
        const double generator = Milliseconds([&] {
            codeBytes =
                quillveil::GenerateCode(quillveil::EncoderMode::AnyText, form).GetCode().size();
        });
        const double readField = Milliseconds([&] { (void)field->GetValue().utf8_string(); });

        auto* generate = dynamic_cast<wxButton*>(dlg->FindWindow(quillveil::IDC_GENERATE));
        wxCommandEvent press(wxEVT_BUTTON, quillveil::IDC_GENERATE);
        press.SetEventObject(generate);
        const double handler = Milliseconds([&] { generate->HandleWindowEvent(press); });
        const double shown = handler + Milliseconds([&] { Settle(*dlg); });
        // A second round of events after the first paint: is the window
        // answering input again?
        const double responsive = Milliseconds([&] { Settle(*dlg); });

        std::printf("input: %zu bytes, code: %zu bytes (output box holds %zu characters)\n",
                    text.size(), codeBytes, static_cast<std::size_t>(output->GetLastPosition()));
        std::printf("fill the text field (setup):      %8.1f ms\n", fill);
        std::printf("read the field as UTF-8:          %8.1f ms\n", readField);
        std::printf("GenerateCode alone:               %8.1f ms\n", generator);
        std::printf("Generate Code handler:            %8.1f ms\n", handler);
        std::printf("press until painted:              %8.1f ms\n", shown);
        std::printf("next event round after that:      %8.1f ms\n", responsive);
        dlg->Destroy();
    }
    wxEntryCleanup();
    return 0;
}
