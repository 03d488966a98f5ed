#pragma once

#include <wx/iconbndl.h>

namespace quillveil {

/// The icon group of a resource id (IDR_MAINFRAME or IDI_ABOUT), decoded from
/// PNGs compiled into the program, so nothing is looked up at run time.
wxIconBundle LoadIconGroup(int resourceId);

} // namespace quillveil
