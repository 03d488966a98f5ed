#pragma once

#include <wx/app.h>

namespace quillveil {

/// The program: runs the main dialog modally and ends when it closes.
class CEncoderApp : public wxApp {
public:
    /// Reads no command line and creates nothing yet.
    bool OnInit() override;
    /// Runs the main dialog; a normal close is a successful end.
    int OnRun() override;
};

} // namespace quillveil
