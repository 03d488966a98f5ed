#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <map>
#include <memory>

class wxMenu;
class wxTopLevelWindow;
class wxWindow;

namespace quillveil {

/// Window-menu command ids; the low four bits are free for the system's use,
/// so commands are compared with them cleared.
inline constexpr int SC_CLOSE = 0xF060;
inline constexpr int SystemCommandMask = 0xFFF0;

/// A window's own window menu. The window manager's menu cannot take
/// entries from a program, so the window pops this one up where a person
/// reaches for a window menu. It starts with the standard commands this
/// desktop lets a program carry out.
class WindowMenu {
public:
    WindowMenu();
    ~WindowMenu();
    WindowMenu(const WindowMenu&) = delete;
    WindowMenu& operator=(const WindowMenu&) = delete;

    /// Appends a separator line.
    void AppendSeparator();
    /// Appends a text entry; '&' marks the access key.
    void AppendEntry(int id, const wxString& text);

    /// The menu's entries, for reading.
    const wxMenu& Menu() const { return *m_menu; }
    /// The command of an entry of Menu(), given the entry's menu item id.
    int CommandOf(int menuItemId) const;

    /// Shows the menu over `window` at `position` (client coordinates; the
    /// default position, as keyboard requests give, puts it at the client
    /// area's top-left corner) and returns the chosen command, or wxID_NONE.
    int Popup(wxWindow& window, const wxPoint& position);

private:
    void Append(int command, const wxString& text);

    std::unique_ptr<wxMenu> m_menu;
    // The toolkit allows menu item ids below 0x7FFF only, while the standard
    // commands lie above 0xF000; entries get ids of the toolkit's choosing.
    std::map<int, int> m_commands;
};

/// Carries out a standard window command: SC_CLOSE closes `window` as its
/// close button would. Returns false for a command it does not know.
bool DoDefaultSystemCommand(wxTopLevelWindow& window, int id);

} // namespace quillveil
