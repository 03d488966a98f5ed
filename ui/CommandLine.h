#pragma once

#include <wx/string.h>

namespace quillveil {

/// What the command line asks of the program, decided before the toolkit
/// opens a display, so that --help and --version work without one.
struct CommandLineRequest {
    /// What to do.
    enum class Action {
        Run,     ///< open the window
        Help,    ///< print `text` (the usage) on standard output
        Version, ///< print `text` (the version line) on standard output
        Misuse,  ///< print `text` (the error and the usage) on standard error
    };
    Action action = Action::Run;
    wxString text;
    /// The display named with --display; empty when none was.
    wxString display;
};

/// Reads the program's options with the toolkit's parser. Options of the
/// toolkit that are passed on to it (--display) are accepted here too.
CommandLineRequest ReadCommandLine(int argc, char** argv);

} // namespace quillveil
