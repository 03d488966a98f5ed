#pragma once

#include "CHyperLink.h"

#include <wx/dialog.h>

namespace quillveil {

/// The About box: icon, name and version, description, copyright line and
/// the home page as a working link. Run it modally and let it go out of
/// scope: each opening starts afresh, with the link unvisited.
class CAboutDlg : public wxDialog {
public:
    /// Builds the window from IDD_ABOUTBOX; with no parent the box is owned
    /// by the application's main window when it runs.
    explicit CAboutDlg(wxWindow* parent = nullptr);
    ~CAboutDlg() override;

    /// The home-page link.
    CHyperLink& GetHomePageLink() { return m_linkHomePage; }

private:
    void DoDataExchange();
    void OnInitDialog(wxInitDialogEvent& event);

    CHyperLink m_linkHomePage;

    wxDECLARE_EVENT_TABLE();
};

} // namespace quillveil
