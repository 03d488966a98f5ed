#pragma once

#include <wx/colour.h>

class wxWindow;

namespace quillveil {

/// The colour the theme paints a dialog's background with: what a control
/// drawing its own background must fill with to blend in. Themes give
/// buttons a face of their own, so the system's button-face colour does not
/// serve here.
wxColour DialogFaceColour(const wxWindow& dialog);

} // namespace quillveil
