#include "WindowMenu.h"

#include <wx/menu.h>
#include <wx/toplevel.h>
#include <wx/window.h>

namespace quillveil {

WindowMenu::WindowMenu() : m_menu(std::make_unique<wxMenu>())
{
    // Restore, move, size, minimise and maximise belong to the window
    // manager here (and a fixed-size dialog has no use for most of them).
    m_menu->Append(SC_CLOSE, "&Close\tAlt+F4");
}

WindowMenu::~WindowMenu() = default;

void WindowMenu::AppendSeparator()
{
    m_menu->AppendSeparator();
}

void WindowMenu::AppendEntry(int id, const wxString& text)
{
    m_menu->Append(id, text);
}

int WindowMenu::Popup(wxWindow& window, const wxPoint& position)
{
    const wxPoint where = position == wxDefaultPosition ? wxPoint(0, 0) : position;
    return window.GetPopupMenuSelectionFromUser(*m_menu, where);
}

bool DoDefaultSystemCommand(wxTopLevelWindow& window, int id)
{
    if ((id & SystemCommandMask) == SC_CLOSE) {
        window.Close();
        return true;
    }
    return false;
}

} // namespace quillveil
