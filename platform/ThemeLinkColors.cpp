#include "ThemeLinkColors.h"

#include <wx/settings.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

namespace quillveil {

namespace {

unsigned ToByte(double component)
{
    return static_cast<unsigned>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0));
}

std::optional<std::string> LinkColorText()
{
    const wxColour colour = wxSystemSettings::GetColour(wxSYS_COLOUR_HOTLIGHT);
    if (!colour.IsOk()) {
        return std::nullopt;
    }
    return FormatColorText(colour.Red(), colour.Green(), colour.Blue());
}

// The theme styles visited links on link buttons, so a link button that is
// never shown, put into the visited state, tells the colour.
std::optional<std::string> VisitedColorText()
{
    if (gdk_screen_get_default() == nullptr) {
        return std::nullopt;
    }
    GtkWidget* button = gtk_link_button_new("");
    g_object_ref_sink(button);
    GtkStyleContext* context = gtk_widget_get_style_context(button);
    gtk_style_context_save(context);
    gtk_style_context_set_state(context, GTK_STATE_FLAG_VISITED);
    GdkRGBA rgba{};
    gtk_style_context_get_color(context, GTK_STATE_FLAG_VISITED, &rgba);
    gtk_style_context_restore(context);
    gtk_widget_destroy(button);
    g_object_unref(button);
    if (rgba.alpha <= 0.0) {
        return std::nullopt;
    }
    return FormatColorText(ToByte(rgba.red), ToByte(rgba.green), ToByte(rgba.blue));
}

} // namespace

std::string FormatColorText(unsigned red, unsigned green, unsigned blue)
{
    return std::to_string(red) + ',' + std::to_string(green) + ',' + std::to_string(blue);
}

ThemeLinkColorTexts ReadThemeLinkColors()
{
    return {LinkColorText(), VisitedColorText()};
}

} // namespace quillveil
