#include "DialogTestHook.h"

#include <glib.h>
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

namespace {

// A warning or a failed assertion of the toolkit or a library below it means
// a fault of ours as often as not, and would reach users' terminals: each
// one fails the test it comes in.
void FailOnWarning(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0) {
        ADD_FAILURE() << (domain != nullptr ? domain : "") << ": " << message;
    }
    g_log_default_handler(domain, level, message, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    g_log_set_default_handler(FailOnWarning, nullptr);

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
