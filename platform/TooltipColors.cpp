#include "TooltipColors.h"

#include <gtk/gtk.h>

namespace quillveil {

namespace {

std::string CssColor(const wxColour& colour)
{
    return "rgb(" + std::to_string(colour.Red()) + "," + std::to_string(colour.Green()) + "," +
           std::to_string(colour.Blue()) + ")";
}

} // namespace

std::string TooltipCss(const std::optional<wxColour>& background,
                       const std::optional<wxColour>& text)
{
    std::string css;
    if (background) {
        // Themes paint tooltips with an image or a translucent colour too.
        css += "tooltip, tooltip.background { background-color: " + CssColor(*background) +
               "; background-image: none; }\n";
    }
    if (text) {
        css += "tooltip, tooltip * { color: " + CssColor(*text) + "; }\n";
    }
    return css;
}

TooltipColors::~TooltipColors()
{
    if (m_provider != nullptr) {
        if (GdkScreen* screen = gdk_screen_get_default()) {
            gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(m_provider));
        }
        g_object_unref(m_provider);
    }
}

void TooltipColors::SetBackground(const wxColour& colour)
{
    m_background = colour;
    Apply();
}

void TooltipColors::SetText(const wxColour& colour)
{
    m_text = colour;
    Apply();
}

void TooltipColors::Apply()
{
    GdkScreen* screen = gdk_screen_get_default();
    if (screen == nullptr) {
        return;
    }
    if (m_provider == nullptr) {
        m_provider = gtk_css_provider_new();
        gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(m_provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    const std::string css = TooltipCss(m_background, m_text);
    gtk_css_provider_load_from_data(m_provider, css.c_str(), -1, nullptr);
}

} // namespace quillveil
