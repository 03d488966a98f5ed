#include "DialogTestHook.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

int UnexpectedDialogGuard::Enter(wxDialog* dialog)
{
    ADD_FAILURE() << "unexpected modal dialog \"" << dialog->GetTitle().utf8_string() << "\"";
    return wxID_CANCEL;
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);

    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "cannot start the toolkit: is there an X display?\n");
        return 1;
    }
    // Errors go to the test log, never into a message box nobody answers.
    delete wxLog::SetActiveTarget(new wxLogStderr);

    int result = 0;
    {
        UnexpectedDialogGuard guard;
        result = RUN_ALL_TESTS();
    }
    wxEntryCleanup();
    return result;
}
