#include "DialogFaceColour.h"

#include <wx/settings.h>
#include <wx/window.h>

#include <gtk/gtk.h>

namespace quillveil {

wxColour DialogFaceColour(const wxWindow& dialog)
{
    const wxColour fallback = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    auto* widget = static_cast<GtkWidget*>(dialog.GetHandle());
    if (widget == nullptr || !GTK_IS_WIDGET(widget)) {
        return fallback;
    }
    GtkStyleContext* context = gtk_widget_get_style_context(widget);
    GdkRGBA* rgba = nullptr;
    gtk_style_context_get(context, gtk_style_context_get_state(context),
                          GTK_STYLE_PROPERTY_BACKGROUND_COLOR, &rgba, nullptr);
    if (rgba == nullptr) {
        return fallback;
    }
    // A translucent background shows what lies beneath: no colour to match.
    const wxColour colour = rgba->alpha < 1.0
                                ? fallback
                                : wxColour(static_cast<unsigned char>(rgba->red * 255.0 + 0.5),
                                           static_cast<unsigned char>(rgba->green * 255.0 + 0.5),
                                           static_cast<unsigned char>(rgba->blue * 255.0 + 0.5));
    gdk_rgba_free(rgba);
    return colour;
}

} // namespace quillveil
