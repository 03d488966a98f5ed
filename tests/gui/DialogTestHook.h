#pragma once

// Include this instead of <wx/testing.h>: wxTEST_DIALOG then reports to
// GoogleTest and cancels a dialog it did not expect instead of blocking.

#include <gtest/gtest.h>
#include <wx/modalhook.h>

class GTestDialogHook;
#define wxTEST_DIALOG_HOOK_CLASS GTestDialogHook
#include <wx/testing.h>

class GTestDialogHook : public wxTestingModalHook {
public:
    GTestDialogHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func)
    {}

protected:
    int Enter(wxDialog* dialog) override
    {
        const int result = wxTestingModalHook::Enter(dialog);
        return result == wxID_NONE ? wxID_CANCEL : result;
    }

    void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

/// Registered for the whole test run: any modal dialog that no wxTEST_DIALOG
/// expects is a failure and is cancelled at once, so no test can hang on it.
class UnexpectedDialogGuard : public wxModalDialogHook {
public:
    UnexpectedDialogGuard() { Register(); }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}
};
