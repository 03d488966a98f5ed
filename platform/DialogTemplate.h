#pragma once

#include <wx/debug.h>
#include <wx/window.h>

#include <span>
#include <string_view>

namespace quillveil {

/// The kinds of control a dialog template can hold.
enum class ControlKind {
    PushButton,    ///< a push button
    DefPushButton, ///< the dialog's default push button (Enter presses it)
    GroupBox,      ///< a frame with a caption
    CheckBox,      ///< a two-state check box
    Edit,          ///< a text field
    Label,         ///< static text
    Icon,          ///< a picture; `resource` names the icon
    EtchedLine,    ///< a horizontal separator
};

/// Style flags; only what changes behaviour on this toolkit.
enum ControlStyle : unsigned {
    NoStyle = 0,
    Multiline = 1u << 0,      ///< edit: several lines, wraps at the right edge
    WantReturn = 1u << 1,     ///< edit: Enter starts a new line
    VerticalScroll = 1u << 2, ///< edit: a vertical scroll bar
    AutoHScroll = 1u << 3,    ///< edit: one line that scrolls sideways
    NoPrefix = 1u << 4,       ///< label: '&' is shown, not an access key
    RealSizeImage = 1u << 5,  ///< icon: shown at the image's own size, not the rectangle's
};

/// A rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

/// One control of a template, as a resource script would list it.
struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string_view text; ///< UTF-8
    DialogRect rect;
    unsigned style = NoStyle;
    int resource = 0; ///< icon resource id for ControlKind::Icon
    /// Group box: the control its caption's access key ('&' in the text)
    /// activates, such as a check box on the frame's corner; 0 for none.
    /// The caption names it for assistive technology too.
    int keyTarget = 0;
    /// Label or group box: the control its text names for assistive
    /// technology, the field it stands over or frames; 0 for none.
    int labelFor = 0;
};

/// A dialog template: caption, client size in dialog units and the
/// controls in template order, which is also creation and tab order.
struct DialogTemplate {
    int id;
    std::string_view caption; ///< UTF-8
    int width;
    int height;
    std::span<const ControlTemplate> controls;
};

/// An English text marked for translation (UTF-8: a template's, a warning of core's) as the
/// window shows it: in the user's language where the program's catalog has it.
wxString TranslatedText(std::string_view text);

/// Sizes `dialog`'s client area and creates every control of the template as
/// a child of it, in order, converting dialog units with the dialog's font.
void CreateDialogControls(wxWindow& dialog, const DialogTemplate& dialogTemplate);

/// Attaches `member` to the template control `id` of `dialog`, which must exist
/// and be of the member's type: the binding of a control to its wrapper.
template <class Control> void BindControl(wxWindow& dialog, int id, Control*& member)
{
    member = dynamic_cast<Control*>(dialog.FindWindow(id));
    wxASSERT_MSG(member != nullptr, "the template has no control of this id and kind");
}

} // namespace quillveil
