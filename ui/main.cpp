// The program's entry point, apart from the dialog so tests can link that alone.
// It answers the command line before the toolkit starts, because starting it
// needs a display that --help and --version must not.
#include "CEncoderApp.h"
#include "CommandLine.h"

#include <wx/init.h>
#include <wx/log.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

wxIMPLEMENT_APP_NO_MAIN(quillveil::CEncoderApp);

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitMisuse = 2;

/// Writes `text` to `stream` and says whether all of it arrived.
bool WriteOut(std::FILE* stream, const wxString& text)
{
    const wxScopedCharBuffer bytes = text.utf8_str();
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.length(), stream) == bytes.length();
    return std::fflush(stream) == 0 && written && std::ferror(stream) == 0;
}

/// Prints an answer on standard output; one that does not arrive (a full disk,
/// a closed output) is a failure, not a success.
int Answer(const wxString& text)
{
    if (WriteOut(stdout, text)) {
        return EXIT_SUCCESS;
    }
    const int error = errno;
    std::fprintf(stderr, "quillveil: cannot write standard output: %s\n",
                 error != 0 ? std::strerror(error) : "write error");
    return ExitFailure;
}

wxString DisplayName(const wxString& option)
{
    if (!option.empty()) {
        return option;
    }
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

// What wxEntry does, except that a display that cannot be opened gets one
// line of our own instead of the toolkit's log message and status 255.
int RunWindow(int argc, char** argv, const wxString& displayOption)
{
    // The toolkit takes --display from the arguments, but the processes the
    // program starts (the web engine's, the browser's) know only the
    // environment, and the engine's die on a display they cannot find.
    if (!displayOption.empty()) {
        setenv("DISPLAY", displayOption.utf8_str(), 1);
    }
    bool started = false;
    {
        wxLogNull quiet;
        started = wxEntryStart(argc, argv);
    }
    if (!started) {
        const wxString display = DisplayName(displayOption);
        const wxString line =
            display.empty()
                ? wxString("quillveil: no display to open the window on (DISPLAY is not set)\n")
                : "quillveil: cannot open the display '" + display + "'\n";
        WriteOut(stderr, line);
        return ExitFailure;
    }
    int status = ExitFailure;
    if (wxTheApp->CallOnInit()) {
        status = wxTheApp->OnRun();
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    using Action = quillveil::CommandLineRequest::Action;
    const quillveil::CommandLineRequest request = quillveil::ReadCommandLine(argc, argv);
    switch (request.action) {
    case Action::Help:
    case Action::Version:
        return Answer(request.text);
    case Action::Misuse:
        WriteOut(stderr, request.text);
        return ExitMisuse;
    case Action::Run:
        break;
    }
    return RunWindow(argc, argv, request.display);
}
