#pragma once

#include <wx/window.h>

#include <functional>
#include <string_view>

class wxWebView;
using WebKitNavigationAction = struct _WebKitNavigationAction;

namespace quillveil {

/// Makes the HTML engine as a child of `parent`; null when it cannot.
using WebViewFactory = std::function<wxWebView*(wxWindow& parent)>;
/// Hands a URL to the desktop's default handler (browser, mail client).
using LinkOpener = std::function<void(const wxString& url)>;

/// The preview pane: a child window hosting the system's HTML engine, whose
/// body can be emptied and given HTML. Markup put into it is shown, never
/// acted on: its scripts do not run and its links do not take the pane away
/// from the preview. The parent window owns the pane and destroys it.
class CHtmlView : public wxWindow {
public:
    /// The child id the pane takes in its parent: the customary first-pane
    /// id 0xE900 folded into the toolkit's range of window ids (below 32767).
    static constexpr wxWindowID PaneId = 0xE900 & 0x7FFF;

    /// Creates the pane hidden over `rect` (in the parent's client
    /// coordinates). Returns null, leaving nothing behind, when the engine
    /// cannot be created or cannot be made safe.
    static CHtmlView* Create(wxWindow& parent, const wxRect& rect,
                             const WebViewFactory& factory = NewWebView,
                             LinkOpener opener = OpenWithDesktop);

    /// The default factory: the toolkit's web view on the system engine.
    static wxWebView* NewWebView(wxWindow& parent);
    /// The default opener: the desktop's handler for the URL, silently.
    static void OpenWithDesktop(const wxString& url);

    ~CHtmlView() override;

    /// Starts loading `url`; does not wait for it.
    void Navigate2(const wxString& url);

    /// Empties the document's body and inserts `utf8Html` at its end, parsed
    /// and rendered as HTML. Returns false, with no message, when there is no
    /// body yet or the engine fails; the pane then shows what it had.
    bool PutBodyHtml(std::string_view utf8Html);

    /// The engine inside the pane.
    wxWebView& GetWebView() const { return *m_webView; }

private:
    friend class CHtmlViewEngineSignals; // the engine's callbacks, in the source file

    explicit CHtmlView(LinkOpener opener);

    bool AttachWebView(wxWebView* webView);
    void OnSize(wxSizeEvent& event);
    void ReloadBlankPage();
    /// Answers a navigation the engine is about to make: true to let it
    /// load; hands clicked links to the desktop.
    bool Decide(WebKitNavigationAction* action, bool newWindow);

    LinkOpener m_opener;
    wxWebView* m_webView = nullptr;
};

} // namespace quillveil
