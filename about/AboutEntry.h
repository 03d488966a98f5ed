#pragma once

#include "ResourceIds.h"
#include "platform/WindowMenu.h"

#include <wx/string.h>

namespace quillveil {

/// Adds the About entry at the end of a window menu: a separator, then
/// `text` with the command IDM_ABOUTBOX. Nothing is added without a menu or
/// with an empty text.
void AddAboutEntry(WindowMenu* menu, const wxString& text);

/// Adds the About entry with the text of the string IDS_ABOUTBOX.
void AddAboutEntry(WindowMenu* menu);

/// Whether a window-menu command opens the About box: the id with its low
/// four bits cleared is IDM_ABOUTBOX.
constexpr bool IsAboutCommand(int id)
{
    return (id & SystemCommandMask) == IDM_ABOUTBOX;
}

} // namespace quillveil
