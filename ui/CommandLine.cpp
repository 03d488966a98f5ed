#include "CommandLine.h"

#include "ProgramInfo.h"

#include <wx/cmdline.h>
#include <wx/msgout.h>

namespace quillveil {

namespace {

// The parser reports its errors through the message output, which before the
// toolkit starts may not exist at all: collect them to print with the usage.
class CollectedMessages : public wxMessageOutput {
public:
    CollectedMessages() : m_previous(wxMessageOutput::Set(this)) {}
    ~CollectedMessages() override { wxMessageOutput::Set(m_previous); }
    CollectedMessages(const CollectedMessages&) = delete;
    CollectedMessages& operator=(const CollectedMessages&) = delete;

    void Output(const wxString& text) override { m_text += text; }
    const wxString& Text() const { return m_text; }

private:
    wxMessageOutput* m_previous;
    wxString m_text;
};

wxString FromUtf8(std::string_view text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

} // namespace

CommandLineRequest ReadCommandLine(int argc, char** argv)
{
    wxCmdLineParser parser(argc, argv);
    parser.AddSwitch("h", "help", "show this help and exit", wxCMD_LINE_OPTION_HELP);
    parser.AddLongSwitch("version", "show the version and exit");
    parser.AddLongOption("display", "the X display to open the window on", wxCMD_LINE_VAL_STRING);

    CommandLineRequest request;
    int result = 0;
    {
        CollectedMessages errors;
        result = parser.Parse(false);
        request.text = errors.Text();
    }
    if (result == -1) {
        request.action = CommandLineRequest::Action::Help;
        parser.SetLogo(FromUtf8(ProgramName) + " - " + FromUtf8(ProgramDescription) + "\n");
        request.text = parser.GetUsageString();
    } else if (result != 0) {
        request.action = CommandLineRequest::Action::Misuse;
        request.text = "quillveil: " + request.text + parser.GetUsageString();
    } else if (parser.Found("version")) {
        request.action = CommandLineRequest::Action::Version;
        request.text = FromUtf8(ProgramName) + " " + FromUtf8(ProgramVersion) + "\n";
    } else {
        parser.Found("display", &request.display);
    }
    return request;
}

} // namespace quillveil
