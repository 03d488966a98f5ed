#pragma once

#include <wx/colour.h>

#include <optional>
#include <string>

typedef struct _GtkCssProvider GtkCssProvider;

namespace quillveil {

/// The style sheet that asks for these tooltip colours; empty when neither
/// is given.
std::string TooltipCss(const std::optional<wxColour>& background,
                       const std::optional<wxColour>& text);

/// Asks for colours of the program's tooltips for as long as it lives. The
/// toolkit has no per-tooltip colours, so this styles every tooltip of the
/// screen; a theme may still draw parts of its own.
class TooltipColors {
public:
    TooltipColors() = default;
    ~TooltipColors();
    TooltipColors(const TooltipColors&) = delete;
    TooltipColors& operator=(const TooltipColors&) = delete;

    /// The tooltip's background colour.
    void SetBackground(const wxColour& colour);
    /// The tooltip's text colour.
    void SetText(const wxColour& colour);

private:
    void Apply();

    std::optional<wxColour> m_background;
    std::optional<wxColour> m_text;
    GtkCssProvider* m_provider = nullptr;
};

} // namespace quillveil
