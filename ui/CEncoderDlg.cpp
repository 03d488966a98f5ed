#include "CEncoderDlg.h"

#include "AboutEntry.h"
#include "CAboutDlg.h"
#include "ContainedGeneration.h"
#include "ProgramInfo.h"
#include "platform/DialogTemplate.h"
#include "res/AppIcons.h"
#include "res/MainDialogTemplate.h"
#include "res/ResourceIds.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include <string>

namespace quillveil {

namespace {

// The Preview button's two captions with their access keys: "Co&de" so as
// not to clash with "&Copy" and "Cl&ose". Looked up each time, as the
// catalog is chosen after static initialisation.
wxString PreviewCaption()
{
    return _("&Preview");
}

wxString CodeCaption()
{
    // TRANSLATORS: the Preview button's caption while the preview shows; its access key
    // must differ from those of the main window's other buttons and group captions.
    return _("Co&de");
}

/// Whether the button reads "Preview", whatever its access key: the source
/// view is the one with that caption.
bool ReadsPreview(const wxButton& button)
{
    return button.GetLabelText() == wxControl::RemoveMnemonics(PreviewCaption());
}

std::string TextOf(const wxTextCtrl& field)
{
    return field.GetValue().utf8_string();
}

wxString FromUtf8(std::string_view text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

} // namespace

wxBEGIN_EVENT_TABLE(CEncoderDlg, wxDialog)
    // Where a person reaches for the window menu: the right button on the
    // background, Shift+F10 or the Menu key, and Alt+Space where no window
    // manager takes it.
    EVT_CONTEXT_MENU(CEncoderDlg::OnContextMenu)
    EVT_CHAR_HOOK(CEncoderDlg::OnCharHook)
    EVT_CHECKBOX(IDC_MODE_EMAIL, CEncoderDlg::OnModeEmail)
    EVT_CHECKBOX(IDC_MODE_LINK, CEncoderDlg::OnModeLink)
    EVT_BUTTON(IDC_GENERATE, CEncoderDlg::OnGenerate)
    EVT_CHECKBOX(IDC_MODE_TEXT, CEncoderDlg::OnModeText)
    EVT_BUTTON(IDC_PREVIEW, CEncoderDlg::OnPreview)
    EVT_BUTTON(IDC_COPY, CEncoderDlg::OnCopy)
    // The base dialog would end on OK; this dialog is ended only by Cancel.
    EVT_BUTTON(wxID_OK, CEncoderDlg::OnOK)
wxEND_EVENT_TABLE()

CEncoderDlg::CEncoderDlg(wxWindow* parent, PreviewEngineFactory previewEngine)
    : m_hIcon(LoadIconGroup(IDR_MAINFRAME)), m_previewEngine(std::move(previewEngine))
{
    const DialogTemplate& form = MainDialogTemplate();
    Create(parent, wxID_ANY, TranslatedText(form.caption), wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxDIALOG_NO_PARENT);
    CreateDialogControls(*this, form);
    CentreOnScreen();
    OnInitDialog();
}

void CEncoderDlg::DoDataExchange()
{
    BindControl(*this, IDC_PREVIEW, m_btnPreview);
    BindControl(*this, IDC_TEXT, m_editText);
    BindControl(*this, IDC_MODE_TEXT, m_chkModeText);
    BindControl(*this, IDC_EMAIL_USER, m_editUser);
    BindControl(*this, IDC_EMAIL_SUBJECT, m_editSubject);
    BindControl(*this, IDC_CODE, m_editCode);
    BindControl(*this, IDC_EMAIL_NAME, m_editDisplayName);
    BindControl(*this, IDC_LINK, m_editLink);
    BindControl(*this, IDC_EMAIL_DOMAIN, m_editDomain);
    BindControl(*this, IDC_MODE_LINK, m_chkModeLink);
    BindControl(*this, IDC_MODE_EMAIL, m_chkModeEmail);
}

bool CEncoderDlg::OnInitDialog()
{
    DoDataExchange();
    m_codeBox.Attach(*m_editCode, wxControl::RemoveMnemonics(CodeCaption()));
    m_pHtmlView = nullptr;

    AddAboutEntry(GetSystemMenu());

    SetIcons(m_hIcon);

    m_chkModeEmail->SetValue(true);
    m_chkModeLink->SetValue(false);

    m_editUser->ChangeValue("User");
    m_editDomain->ChangeValue("example.com");
    m_editDisplayName->ChangeValue("Support");
    m_editSubject->ChangeValue("Test Subject");
    m_editLink->ChangeValue("<a href=\"" + FromUtf8(HomePageUrl) +
                            "\" target=\"blank\">Home Page</a>");

    m_editLink->Disable();
    m_editText->Disable();

    // The first tab stop starts with the focus, so Enter generates at once;
    // GTK would otherwise pick the control nearest the top-left corner.
    FindWindow(IDC_GENERATE)->SetFocus();

    // Loading the web engine's module and starting the engine take as long as
    // all the rest of the start-up: the pane is made right after the window's
    // first paint, so the window shows first. Until then the commands take their path for no
    // pane.
    Bind(wxEVT_PAINT, &CEncoderDlg::OnFirstPaint, this);
    return true;
}

void CEncoderDlg::OnFirstPaint(wxPaintEvent& event)
{
    Unbind(wxEVT_PAINT, &CEncoderDlg::OnFirstPaint, this);
    CallAfter(&CEncoderDlg::CreatePreviewPane);
    event.Skip();
}

// Without an engine the dialog goes on without a pane, silently: every
// command then takes its path for no pane.
void CEncoderDlg::CreatePreviewPane()
{
    // The output box is a direct child of the dialog, so its rectangle is
    // already in the dialog's client coordinates; the pane covers it exactly
    // and is never moved again (the dialog cannot be resized).
    wxWindow* const focused = FindFocus();
    m_pHtmlView = CHtmlView::Create(*this, m_editCode->GetRect(), m_previewEngine);
    if (focused != nullptr && FindFocus() != focused) {
        focused->SetFocus(); // keys typed meanwhile belong where they were aimed
    }
    if (m_pHtmlView == nullptr) {
        return;
    }
    // Nothing waits for the blank page: a preview asked for before it has
    // loaded goes in once it has.
    m_pHtmlView->Navigate2("about:blank");
    // A Preview pressed before the pane existed has already left the code view,
    // and the code it asked for is still to be shown.
    if (!ReadsPreview(*m_btnPreview)) {
        m_pHtmlView->Show();
        const std::shared_ptr<const std::string> code = m_codeBox.GetCode();
        if (!code->empty()) {
            m_pHtmlView->PutBodyHtml(*code);
        }
    }
}

void CEncoderDlg::OnOK(wxCommandEvent&)
{}

void CEncoderDlg::OnSysCommand(int id)
{
    if (IsAboutCommand(id)) {
        CAboutDlg dlgAbout;
        dlgAbout.ShowModal();
    } else {
        DoDefaultSystemCommand(*this, id);
    }
}

void CEncoderDlg::OnContextMenu(wxContextMenuEvent& event)
{
    const bool fromKeyboard = event.GetPosition() == wxDefaultPosition;
    // Text fields keep their own menus; a right click on another control is
    // not a click on the window's background.
    if (dynamic_cast<wxTextCtrl*>(event.GetEventObject()) != nullptr ||
        (!fromKeyboard && event.GetEventObject() != this)) {
        event.Skip();
        return;
    }
    ShowSystemMenu(fromKeyboard ? wxDefaultPosition : ScreenToClient(event.GetPosition()));
}

void CEncoderDlg::OnCharHook(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_SPACE && event.GetModifiers() == wxMOD_ALT) {
        ShowSystemMenu(wxDefaultPosition);
        return;
    }
    event.Skip();
}

void CEncoderDlg::ShowSystemMenu(const wxPoint& position)
{
    const int id = m_sysMenu.Popup(*this, position);
    if (id != wxID_NONE) {
        OnSysCommand(id);
    }
}

EncoderMode CEncoderDlg::GetMode() const
{
    if (m_chkModeEmail->GetValue()) {
        return EncoderMode::Email;
    }
    if (m_chkModeLink->GetValue()) {
        return EncoderMode::Link;
    }
    return EncoderMode::AnyText;
}

void CEncoderDlg::OnModeEmail(wxCommandEvent&)
{
    SelectMode(*m_chkModeEmail, EncoderMode::Email);
}

void CEncoderDlg::OnModeLink(wxCommandEvent&)
{
    SelectMode(*m_chkModeLink, EncoderMode::Link);
}

void CEncoderDlg::OnModeText(wxCommandEvent&)
{
    SelectMode(*m_chkModeText, EncoderMode::AnyText);
}

// The box has already toggled itself when this runs: cleared means the user
// clicked the mode in force, which must stay chosen and change nothing.
void CEncoderDlg::SelectMode(wxCheckBox& ownBox, EncoderMode mode)
{
    if (!ownBox.GetValue()) {
        ownBox.SetValue(true);
        return;
    }
    m_chkModeEmail->SetValue(mode == EncoderMode::Email);
    m_chkModeLink->SetValue(mode == EncoderMode::Link);
    m_chkModeText->SetValue(mode == EncoderMode::AnyText);

    const bool email = mode == EncoderMode::Email;
    m_editUser->Enable(email);
    m_editDomain->Enable(email);
    m_editDisplayName->Enable(email);
    m_editSubject->Enable(email);
    m_editLink->Enable(mode == EncoderMode::Link);
    m_editText->Enable(mode == EncoderMode::AnyText);
}

void CEncoderDlg::OnGenerate(wxCommandEvent&)
{
    ShowView(View::Code, *FindWindow(IDC_GENERATE));

    const EncoderMode mode = GetMode();
    const EncoderForm form{TextOf(*m_editUser),        TextOf(*m_editDomain),
                           TextOf(*m_editDisplayName), TextOf(*m_editSubject),
                           TextOf(*m_editLink),        TextOf(*m_editText)};
    GenerateResult result = GenerateCodeContained(mode, form);
    if (result.IsCode()) {
        m_codeBox.SetCode(result.TakeCode());
        return;
    }

    const GenerateWarning& warning = result.GetWarning();
    // Core words its warnings in English; they are shown in the user's language.
    wxMessageDialog box(this, TranslatedText(warning.message), FromUtf8(WarningCaption),
                        wxOK | wxICON_EXCLAMATION);
    box.ShowModal();
    FieldControl(warning.field)->SetFocus();
}

void CEncoderDlg::OnPreview(wxCommandEvent&)
{
    if (!ReadsPreview(*m_btnPreview)) {
        ShowView(View::Code, *m_btnPreview);
        return;
    }
    ShowView(View::Preview, *m_btnPreview);
    // The view is already the one the caption names: putting a large code
    // into the pane runs the event loop, and whatever the user does meanwhile
    // (Code, Generate, another Preview) sets the view in its turn.
    const std::shared_ptr<const std::string> code = m_codeBox.GetCode();
    // An empty box leaves the pane showing what it showed before.
    if (m_pHtmlView != nullptr && !code->empty()) {
        m_pHtmlView->PutBodyHtml(*code);
    }
}

// Also without a pane the preview view hides the output box, so it never
// shows the source. A focused control that this hides would leave the window
// without a focus, deaf to Escape and to the access keys: the focus goes to
// the button the user just used.
void CEncoderDlg::ShowView(View view, wxWindow& used)
{
    const bool preview = view == View::Preview;
    if (m_pHtmlView != nullptr) {
        m_pHtmlView->Show(preview);
    }
    m_codeBox.Show(!preview);
    m_btnPreview->SetLabel(preview ? CodeCaption() : PreviewCaption());

    const wxWindow* focus = FindFocus();
    if (focus == nullptr || !focus->IsShownOnScreen() || !focus->IsEnabled()) {
        used.SetFocus();
    }
}

void CEncoderDlg::OnCopy(wxCommandEvent&)
{
    // An empty box leaves the clipboard alone; a clipboard that cannot be
    // had means no effect and no message.
    m_codeBox.CopyToClipboard();
}

wxTextCtrl* CEncoderDlg::FieldControl(EncoderField field) const
{
    switch (field) {
    case EncoderField::User:
        return m_editUser;
    case EncoderField::Domain:
        return m_editDomain;
    case EncoderField::DisplayName:
        return m_editDisplayName;
    case EncoderField::Subject:
        return m_editSubject;
    case EncoderField::Link:
        return m_editLink;
    case EncoderField::Text:
        return m_editText;
    }
    return m_editUser;
}

} // namespace quillveil
