#pragma once

#include <wx/string.h>

class wxWindow;

namespace quillveil {

/// The roles a control may take for assistive technology beyond the one its
/// kind gives it.
enum class AccessibleRole { Link };

/// The GTK widget that stands for `window` to assistive technology: the one
/// that takes the keyboard focus.
void* AccessibleWidgetOf(wxWindow& window);

/// Names `control` for assistive technology as `label` names it on screen,
/// and relates the two, so a screen reader reads the label with the control.
/// `label` is a static text, a group box (its caption) or null.
void SetAccessibleName(wxWindow& control, const wxString& name, wxWindow* label = nullptr);
/// The longer text assistive technology reads after the name.
void SetAccessibleDescription(wxWindow& control, const wxString& description);
/// Gives `control` a role other than its kind's.
void SetAccessibleRole(wxWindow& control, AccessibleRole role);

} // namespace quillveil
