#include "Accessibility.h"

#include <gtk/gtk.h>
#include <wx/window.h>

namespace quillveil {

namespace {

AtkObject* AccessibleOf(wxWindow& window)
{
    auto* widget = static_cast<GtkWidget*>(AccessibleWidgetOf(window));
    return widget != nullptr ? gtk_widget_get_accessible(widget) : nullptr;
}

/// The text widget a label window shows: a frame's caption, or the label itself.
GtkLabel* LabelWidgetOf(wxWindow& label)
{
    auto* widget = static_cast<GtkWidget*>(label.GetHandle());
    if (widget != nullptr && GTK_IS_FRAME(widget)) {
        widget = gtk_frame_get_label_widget(GTK_FRAME(widget));
    }
    return widget != nullptr && GTK_IS_LABEL(widget) ? GTK_LABEL(widget) : nullptr;
}

} // namespace

void* AccessibleWidgetOf(wxWindow& window)
{
    return window.GetConnectWidget();
}

void SetAccessibleName(wxWindow& control, const wxString& name, wxWindow* label)
{
    AtkObject* accessible = AccessibleOf(control);
    if (accessible == nullptr) {
        return;
    }
    atk_object_set_name(accessible, name.utf8_str());
    // The toolkit relates a label to whatever control follows it; the
    // relations set here take the place of that guess.
    GtkLabel* text = label != nullptr ? LabelWidgetOf(*label) : nullptr;
    if (text != nullptr) {
        AtkObject* labelAccessible = gtk_widget_get_accessible(GTK_WIDGET(text));
        atk_object_add_relationship(accessible, ATK_RELATION_LABELLED_BY, labelAccessible);
        atk_object_add_relationship(labelAccessible, ATK_RELATION_LABEL_FOR, accessible);
    }
}

void SetAccessibleDescription(wxWindow& control, const wxString& description)
{
    if (AtkObject* accessible = AccessibleOf(control)) {
        atk_object_set_description(accessible, description.utf8_str());
    }
}

void SetAccessibleRole(wxWindow& control, AccessibleRole role)
{
    if (AtkObject* accessible = AccessibleOf(control)) {
        switch (role) {
        case AccessibleRole::Link:
            atk_object_set_role(accessible, ATK_ROLE_LINK);
            break;
        }
    }
}

} // namespace quillveil
