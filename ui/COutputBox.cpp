#include "COutputBox.h"

#include "CLargeCodeView.h"
#include "platform/Accessibility.h"
#include "platform/TextClipboard.h"

#include <wx/textctrl.h>

namespace quillveil {

void COutputBox::Attach(wxTextCtrl& edit, const wxString& name)
{
    m_edit = &edit;
    SetAccessibleName(edit, name);
    m_view = new CLargeCodeView(*edit.GetParent(), edit.GetRect(), name);
    m_view->Hide();
    m_view->MoveAfterInTabOrder(&edit);
    m_large = false;
    m_shown = edit.IsShown();
}

void COutputBox::SetCode(std::string code)
{
    wxWindow* const focus = wxWindow::FindFocus();
    const bool hadFocus = focus == m_edit || focus == m_view;
    m_large = code.size() > EditableLimit;
    if (m_large) {
        // The code moves into the view whole; the text box lets go of what
        // it held, and the view of its previous code.
        m_view->SetCode(std::make_shared<const std::string>(std::move(code)));
        m_edit->ChangeValue(wxString());
    } else {
        m_edit->ChangeValue(wxString::FromUTF8(code.data(), code.size()));
        m_view->SetCode(nullptr);
    }
    Show(m_shown);
    if (hadFocus && m_shown) {
        GetActiveWindow().SetFocus();
    }
}

std::shared_ptr<const std::string> COutputBox::GetCode() const
{
    if (m_large) {
        return m_view->GetCode();
    }
    return std::make_shared<const std::string>(m_edit->GetValue().utf8_string());
}

void COutputBox::Show(bool show)
{
    m_shown = show;
    m_edit->Show(show && !m_large);
    m_view->Show(show && m_large);
}

wxWindow& COutputBox::GetActiveWindow() const
{
    if (m_large) {
        return *m_view;
    }
    return *m_edit;
}

void COutputBox::CopyToClipboard()
{
    std::shared_ptr<const std::string> code = GetCode();
    if (code->empty()) {
        return;
    }
    const std::size_t size = code->size();
    PutTextOnSelection(TextSelection::Clipboard, std::move(code), 0, size);
}

} // namespace quillveil
