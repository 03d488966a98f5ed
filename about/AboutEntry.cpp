#include "AboutEntry.h"

#include "StringTable.h"
#include "platform/DialogTemplate.h"

namespace quillveil {

void AddAboutEntry(WindowMenu* menu, const wxString& text)
{
    if (menu == nullptr || text.empty()) {
        return;
    }
    menu->AppendSeparator();
    menu->AppendEntry(IDM_ABOUTBOX, text);
}

void AddAboutEntry(WindowMenu* menu)
{
    const std::string_view text = LoadResourceString(IDS_ABOUTBOX);
    AddAboutEntry(menu, TranslatedText(text));
}

} // namespace quillveil
