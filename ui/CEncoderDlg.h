#pragma once

#include "COutputBox.h"
#include "EncoderTypes.h"
#include "platform/CHtmlView.h"
#include "platform/PreviewModule.h"
#include "platform/WindowMenu.h"

#include <wx/dialog.h>
#include <wx/iconbndl.h>

class wxButton;
class wxCheckBox;
class wxTextCtrl;

namespace quillveil {

/// The main window: three input groups chosen by their mode boxes, the
/// output box and the commands that fill, preview and copy it.
class CEncoderDlg : public wxDialog {
public:
    /// Builds the window from IDD_MAIN and initialises it; not yet shown.
    /// `previewEngine` makes the preview pane's HTML engine, by default from
    /// the program's module; when it yields none, the dialog works without a
    /// pane.
    explicit CEncoderDlg(wxWindow* parent = nullptr,
                         PreviewEngineFactory previewEngine = LoadPreviewModule());

    /// The mode that the mode boxes express.
    EncoderMode GetMode() const;

    /// Carries out a window-menu command: the About entry (compared with
    /// the id's low four bits cleared) opens the About box modally; the
    /// standard commands do what they always do.
    void OnSysCommand(int id);
    /// The window menu in use.
    WindowMenu* GetSystemMenu() { return &m_sysMenu; }

private:
    void DoDataExchange();
    bool OnInitDialog();
    void OnOK(wxCommandEvent& event);

    void OnContextMenu(wxContextMenuEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void ShowSystemMenu(const wxPoint& position);

    void OnModeEmail(wxCommandEvent& event);
    void OnModeLink(wxCommandEvent& event);
    void OnModeText(wxCommandEvent& event);
    void SelectMode(wxCheckBox& ownBox, EncoderMode mode);

    void OnGenerate(wxCommandEvent& event);
    void OnPreview(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);
    enum class View { Code, Preview };
    void ShowView(View view, wxWindow& used);
    wxTextCtrl* FieldControl(EncoderField field) const;

    void OnFirstPaint(wxPaintEvent& event);
    void CreatePreviewPane();

    wxButton* m_btnPreview = nullptr;
    wxTextCtrl* m_editText = nullptr;
    wxCheckBox* m_chkModeText = nullptr;
    wxTextCtrl* m_editUser = nullptr;
    wxTextCtrl* m_editSubject = nullptr;
    wxTextCtrl* m_editCode = nullptr;
    wxTextCtrl* m_editDisplayName = nullptr;
    wxTextCtrl* m_editLink = nullptr;
    wxTextCtrl* m_editDomain = nullptr;
    wxCheckBox* m_chkModeLink = nullptr;
    wxCheckBox* m_chkModeEmail = nullptr;
    wxIconBundle m_hIcon;
    /// The output box as a whole: m_editCode, or a read-only view in its
    /// place for a code too large for it.
    COutputBox m_codeBox;
    /// The preview pane, a child window the dialog does not own; empty when
    /// there is none.
    CHtmlView* m_pHtmlView = nullptr;
    /// Stands in for the window manager's menu, which takes no entries.
    WindowMenu m_sysMenu;
    /// Makes the pane's engine; used once, when the pane is created.
    PreviewEngineFactory m_previewEngine;

    wxDECLARE_EVENT_TABLE();
};

} // namespace quillveil
