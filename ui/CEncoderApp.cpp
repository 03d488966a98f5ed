#include "CEncoderApp.h"

#include "CEncoderDlg.h"
#include "WindowCatalog.h"

#include <wx/stdpaths.h>

namespace quillveil {

bool CEncoderApp::OnInit()
{
    UseWindowCatalog(CatalogFolderOf(wxStandardPaths::Get().GetExecutablePath()));
    return true;
}

// The dialog runs here rather than in OnInit: the toolkit treats an OnInit
// that returns false as a failed start and exits with a failure status.
int CEncoderApp::OnRun()
{
    CEncoderDlg dlg;
    SetTopWindow(&dlg);
    dlg.ShowModal();
    SetTopWindow(nullptr);
    return 0;
}

} // namespace quillveil
