#pragma once

#include <wx/string.h>

namespace quillveil {

/// The folder of the program's catalogs (LANG/LC_MESSAGES/quillveil.mo) for the program at
/// `executable`: the same relative path leads there under the install prefix and in the build.
wxString CatalogFolderOf(const wxString& executable);

/// Makes every text the window shows come from the catalog under `folder` for the user's
/// language (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG); English, as written, where there is
/// none, in the C locale and for English.
void UseWindowCatalog(const wxString& folder);

} // namespace quillveil
