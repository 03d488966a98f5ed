#include "CAboutDlg.h"

#include "AboutDialogTemplate.h"
#include "ProgramInfo.h"
#include "ResourceIds.h"
#include "platform/DialogTemplate.h"

#include <wx/translation.h>

namespace quillveil {

namespace {

constexpr ColorRef TipBackground = MakeColorRef(176, 200, 226);
constexpr ColorRef TipText = 0;

} // namespace

wxBEGIN_EVENT_TABLE(CAboutDlg, wxDialog)
    EVT_INIT_DIALOG(CAboutDlg::OnInitDialog)
wxEND_EVENT_TABLE()

CAboutDlg::CAboutDlg(wxWindow* parent)
{
    const DialogTemplate& dialogTemplate = AboutDialogTemplate();
    Create(parent, IDD_ABOUTBOX, TranslatedText(dialogTemplate.caption), wxDefaultPosition,
           wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    CreateDialogControls(*this, dialogTemplate);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange()
{
    m_linkHomePage.SubclassDlgItem(IDC_HOMEPAGE, *this);
}

void CAboutDlg::OnInitDialog(wxInitDialogEvent& event)
{
    DoDataExchange();

    const wxString url = wxString::FromUTF8(HomePageUrl.data(), HomePageUrl.size());
    m_linkHomePage.SetLinkText(url);
    m_linkHomePage.SetURL(url);
    m_linkHomePage.SetToolTipText(_("Click Here to go Quillveil's site"));
    m_linkHomePage.SetTipBkColor(TipBackground);
    m_linkHomePage.SetTipTextColor(TipText);

    // Shown over the window that owns it, as a dialog placed at (0, 0)
    // without explicit centring is on the system this imitates.
    if (wxWindow* owner = GetParentForModalDialog()) {
        const wxRect area = owner->GetScreenRect();
        const wxSize size = GetSize();
        SetPosition(area.GetPosition() + (area.GetSize() - size) / 2);
    } else {
        CentreOnScreen();
    }

    // The base handler moves validator data into the controls (there is none).
    event.Skip();
}

} // namespace quillveil
