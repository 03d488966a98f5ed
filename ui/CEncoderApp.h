#pragma once

#include <wx/app.h>

namespace quillveil {

/// The program: runs the main dialog modally and ends when it closes.
class CEncoderApp : public wxApp {
public:
    /// Creates nothing yet; main() has already read the command line.
    bool OnInit() override;
    /// Runs the main dialog; a normal close is a successful end.
    int OnRun() override;
};

} // namespace quillveil
