#pragma once

#include <wx/string.h>

#include <functional>
#include <memory>
#include <string_view>

class wxWebView;
class wxWindow;

namespace quillveil {

/// Hands a URL to the desktop's default handler (browser, mail client).
using LinkOpener = std::function<void(const wxString& url)>;

/// The HTML engine inside the preview pane. It lives in a module of its own,
/// so the program starts without the engine's libraries and loads them only
/// when it makes the pane.
class PreviewEngine {
public:
    virtual ~PreviewEngine() = default;

    /// Starts loading the pane's own empty page; does not wait for it.
    virtual void LoadBlankPage() = 0;
    /// Empties the document's body and inserts `utf8Html` at its end, parsed
    /// and rendered as HTML. False, with no message, when there is no body or
    /// the engine fails; while the page is loading, false, and the HTML goes
    /// in once it has loaded.
    virtual bool PutBodyHtml(std::string_view utf8Html) = 0;
    /// The toolkit's view of the engine, for tests and benchmarks.
    virtual wxWebView* GetWebView() = 0;
};

/// Makes the engine as the one child of `pane`; null when it cannot.
using PreviewEngineFactory =
    std::function<std::unique_ptr<PreviewEngine>(wxWindow& pane, const LinkOpener& opener)>;

/// The module's one entry point, looked up by this name. The version in the
/// name keeps a module of another build from being called with the wrong
/// interface.
using PreviewEngineEntryPoint = PreviewEngine* (*)(wxWindow* pane, const LinkOpener* opener);
inline constexpr const char* PreviewEngineEntryPointName = "quillveil_preview_engine_v1";

} // namespace quillveil
