#include "WindowMenu.h"

#include <wx/menu.h>
#include <wx/toplevel.h>
#include <wx/translation.h>
#include <wx/window.h>

namespace quillveil {

WindowMenu::WindowMenu() : m_menu(std::make_unique<wxMenu>())
{
    // Restore, move, size, minimise and maximise belong to the window
    // manager here (and a fixed-size dialog has no use for most of them).
    Append(SC_CLOSE, _("&Close") + "\tAlt+F4");
}

WindowMenu::~WindowMenu() = default;

void WindowMenu::AppendSeparator()
{
    m_menu->AppendSeparator();
}

void WindowMenu::AppendEntry(int id, const wxString& text)
{
    Append(id, text);
}

void WindowMenu::Append(int command, const wxString& text)
{
    const wxMenuItem* item = m_menu->Append(wxID_ANY, text);
    m_commands[item->GetId()] = command;
}

int WindowMenu::CommandOf(int menuItemId) const
{
    const auto found = m_commands.find(menuItemId);
    return found == m_commands.end() ? wxID_NONE : found->second;
}

int WindowMenu::Popup(wxWindow& window, const wxPoint& position)
{
    const wxPoint where = position == wxDefaultPosition ? wxPoint(0, 0) : position;
    return CommandOf(window.GetPopupMenuSelectionFromUser(*m_menu, where));
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
