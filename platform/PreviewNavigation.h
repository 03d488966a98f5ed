#pragma once

#include <string_view>

namespace quillveil {

/// What the preview pane does with a navigation its engine is about to make.
enum class PreviewNavigation {
    Allow,         ///< let the pane load it (its own blank page, a jump within it)
    Block,         ///< stay on the preview and do nothing else
    HandToDesktop, ///< stay on the preview and open the URL with the desktop
};

/// Who started a navigation of the preview pane.
enum class NavigationCause {
    Pane,      ///< the pane itself, loading its own page
    LinkClick, ///< the user, clicking a link
    Markup,    ///< the previewed markup: frames, refreshes, forms, redirects
};

/// Decides a navigation of the preview pane. Only the pane's own load of its
/// blank page, and jumps within the page, load: a page loaded any other way
/// would lack the rules that keep the preview from running script or reaching
/// the network. A link the user clicked is handed to the desktop when its
/// scheme is one a desktop handler should get (web, mail, telephone), never
/// script, data or local files; whatever the markup starts goes nowhere.
PreviewNavigation ClassifyPreviewNavigation(std::string_view url, NavigationCause cause);

} // namespace quillveil
