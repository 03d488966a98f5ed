#pragma once

#include <string_view>

namespace quillveil {

/// What the preview pane does with a navigation its engine is about to make.
enum class PreviewNavigation {
    Allow,         ///< let the pane load it (its own blank page, a jump within it)
    Block,         ///< stay on the preview and do nothing else
    HandToDesktop, ///< stay on the preview and open the URL with the desktop
};

/// Decides a navigation of the preview pane. Only the pane's own blank page
/// (not by a click on a link to it) and jumps within it load; every other
/// navigation keeps the preview. A link the user clicked is handed to the
/// desktop when its scheme is one a desktop handler should get (web, mail,
/// telephone), never script, data or local files; frames and refreshes the
/// markup starts by itself go nowhere.
PreviewNavigation ClassifyPreviewNavigation(std::string_view url, bool linkClicked);

} // namespace quillveil
