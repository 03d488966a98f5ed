#include "CEncoderApp.h"

#include "CEncoderDlg.h"

namespace quillveil {

bool CEncoderApp::OnInit()
{
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
