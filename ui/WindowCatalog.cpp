#include "WindowCatalog.h"

#include "ProgramInfo.h"

#include <wx/filename.h>
#include <wx/translation.h>

#include <clocale>

#ifndef QUILLVEIL_LOCALE_DIR
#error "QUILLVEIL_LOCALE_DIR: the catalogs' folder relative to the program's, from the build"
#endif

namespace quillveil {

wxString CatalogFolderOf(const wxString& executable)
{
    wxFileName folder(wxFileName(executable).GetPath() + wxFILE_SEP_PATH + QUILLVEIL_LOCALE_DIR,
                      wxString());
    folder.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return folder.GetPath();
}

void UseWindowCatalog(const wxString& folder)
{
    // The toolkit leaves the C library's locale at "C", where gettext ignores LANGUAGE: GTK's
    // own texts (a text field's menu, the message box's button) would stay English. Only the
    // messages follow the user; numbers and character classes stay as they were.
    std::setlocale(LC_MESSAGES, "");
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(folder);
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations); // owns it from here on
    translations->AddCatalog(wxString::FromUTF8(CatalogDomain.data(), CatalogDomain.size()),
                             wxLANGUAGE_ENGLISH_US);
}

} // namespace quillveil
