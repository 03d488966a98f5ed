#pragma once

#include "PreviewEngine.h"

#include <wx/window.h>

#include <memory>
#include <string_view>

namespace quillveil {

/// The preview pane: a child window hosting the system's HTML engine, whose
/// body can be emptied and given HTML. Markup put into it is shown, never
/// acted on: its scripts do not run, it loads nothing from the network and
/// its links do not take the pane away from the preview. The parent window
/// owns the pane and destroys it.
class CHtmlView : public wxWindow {
public:
    /// The child id the pane takes in its parent: the customary first-pane
    /// id 0xE900 folded into the toolkit's range of window ids (below 32767).
    static constexpr wxWindowID PaneId = 0xE900 & 0x7FFF;

    /// Creates the pane hidden over `rect` (in the parent's client
    /// coordinates), its engine made by `engine`. Returns null, leaving
    /// nothing behind, when there is no engine.
    static CHtmlView* Create(wxWindow& parent, const wxRect& rect,
                             const PreviewEngineFactory& engine,
                             LinkOpener opener = OpenWithDesktop);

    /// The default opener: the desktop's handler for the URL, silently.
    static void OpenWithDesktop(const wxString& url);

    /// Starts loading "about:blank", the pane's own empty page; does not wait
    /// for it. Any other URL is refused: the pane shows nothing but previews.
    void Navigate2(const wxString& url);

    /// Empties the document's body and inserts `utf8Html` at its end, parsed
    /// and rendered as HTML. Returns false, with no message, when there is no
    /// body or the engine fails; the pane then shows what it had. While the
    /// blank page is still loading it returns false too, and the HTML goes in
    /// once the page has loaded.
    bool PutBodyHtml(std::string_view utf8Html);

    /// The engine inside the pane, as the toolkit sees it.
    wxWebView& GetWebView() const { return *m_engine->GetWebView(); }

    // The frame around the page is no stop of its own for Tab: focused, it
    // showed nothing and took no key.
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    CHtmlView() = default;

    void OnSize(wxSizeEvent& event);

    /// Destroyed before the window's children, among them the engine's view.
    std::unique_ptr<PreviewEngine> m_engine;
};

} // namespace quillveil
