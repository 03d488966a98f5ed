#include "CHtmlView.h"

#include "JsStringLiteral.h"
#include "PreviewNavigation.h"
#include "UrlOpener.h"

#include <webkit2/webkit2.h>
#include <wx/log.h>
#include <wx/webview.h>

#include <string>

namespace quillveil {
namespace {

constexpr const char* BlankPage = "about:blank";

/// Blocks every handler connected so far to `signal` of `instance`.
void BlockHandlers(gpointer instance, const char* signal)
{
    const guint id = g_signal_lookup(signal, G_OBJECT_TYPE(instance));
    const auto unblocked =
        static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_UNBLOCKED);
    while (const gulong handler =
               g_signal_handler_find(instance, unblocked, id, 0, nullptr, nullptr, nullptr)) {
        g_signal_handler_block(instance, handler);
    }
}

} // namespace

/// The engine's signals that the pane answers.
class CHtmlViewEngineSignals {
public:
    static gboolean DecidePolicy(WebKitWebView* /*engine*/, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, CHtmlView* pane)
    {
        if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
            type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
            return FALSE; // the response to a load the pane allowed: the default
        }
        const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
        if (pane->Decide(webkit_navigation_policy_decision_get_navigation_action(
                             WEBKIT_NAVIGATION_POLICY_DECISION(decision)),
                         newWindow)) {
            webkit_policy_decision_use(decision);
        } else {
            webkit_policy_decision_ignore(decision);
        }
        return TRUE;
    }

    /// A link with a target asks for a new window; the pane never makes one.
    static GtkWidget* Create(WebKitWebView* /*engine*/, WebKitNavigationAction* action,
                             CHtmlView* pane)
    {
        pane->Decide(action, true);
        return nullptr;
    }

    static void WebProcessTerminated(CHtmlView* pane) { pane->ReloadBlankPage(); }
};

CHtmlView* CHtmlView::Create(wxWindow& parent, const wxRect& rect, const WebViewFactory& factory,
                             LinkOpener opener)
{
    auto* pane = new CHtmlView(std::move(opener));
    pane->Hide(); // before the window exists, so it is never shown by creation
    if (!pane->wxWindow::Create(&parent, PaneId, rect.GetPosition(), rect.GetSize(), 0)) {
        delete pane;
        return nullptr;
    }
    wxWebView* webView = nullptr;
    {
        wxLogNull quiet;
        webView = factory ? factory(*pane) : nullptr;
    }
    if (!pane->AttachWebView(webView)) {
        pane->Destroy();
        return nullptr;
    }
    return pane;
}

wxWebView* CHtmlView::NewWebView(wxWindow& parent)
{
    if (!wxWebView::IsBackendAvailable(wxWebViewBackendWebKit)) {
        return nullptr;
    }
    // No URL: the pane loads its blank page when asked to.
    return wxWebView::New(&parent, wxID_ANY, wxString(), wxDefaultPosition, parent.GetClientSize(),
                          wxWebViewBackendWebKit, wxBORDER_NONE);
}

void CHtmlView::OpenWithDesktop(const wxString& url)
{
    DesktopUrlOpener().Open(url);
}

CHtmlView::CHtmlView(LinkOpener opener) : m_opener(std::move(opener))
{}

CHtmlView::~CHtmlView()
{
    if (m_webView != nullptr) {
        g_signal_handlers_disconnect_by_data(m_webView->GetNativeBackend(), this);
    }
}

bool CHtmlView::AttachWebView(wxWebView* webView)
{
    if (webView == nullptr) {
        return false;
    }
    auto* native = static_cast<GObject*>(webView->GetNativeBackend());
    if (native == nullptr || !WEBKIT_IS_WEB_VIEW(native)) {
        // Without the engine's own switch, script in previewed markup would run.
        webView->Destroy();
        return false;
    }
    auto* engine = WEBKIT_WEB_VIEW(native);
    // Script in the markup stays inert; the program's own RunScript calls
    // are not markup and keep working.
    webkit_settings_set_enable_javascript_markup(webkit_web_view_get_settings(engine), FALSE);

    // A web process that dies leaves a dead pane; a fresh blank page starts a
    // new one, so the next preview works again.
    g_signal_connect_swapped(engine, "web-process-terminated",
                             G_CALLBACK(CHtmlViewEngineSignals::WebProcessTerminated), this);

    // The toolkit reports no difference between a clicked link and a frame
    // or refresh the markup loads by itself, and the difference decides
    // whether a URL goes to the desktop: the pane answers the engine's
    // navigation and new-window requests itself, in place of the toolkit.
    for (const char* signal : {"decide-policy", "create"}) {
        BlockHandlers(engine, signal);
    }
    g_signal_connect(engine, "decide-policy", G_CALLBACK(CHtmlViewEngineSignals::DecidePolicy),
                     this);
    g_signal_connect(engine, "create", G_CALLBACK(CHtmlViewEngineSignals::Create), this);

    m_webView = webView;
    m_webView->SetSize(GetClientSize());
    Bind(wxEVT_SIZE, &CHtmlView::OnSize, this);
    return true;
}

void CHtmlView::Navigate2(const wxString& url)
{
    m_webView->LoadURL(url);
}

bool CHtmlView::PutBodyHtml(std::string_view utf8Html)
{
    // The HTML goes in as a literal of printable ASCII, so neither the
    // toolkit's script wrapper nor any character of the code can alter the
    // script around it.
    std::string script = "(function(){var b=document.body;if(!b)return false;"
                         "b.innerHTML='';b.insertAdjacentHTML('beforeend',";
    script += QuoteJsString(utf8Html);
    script += ");return true;})()";

    wxString result;
    wxLogNull quiet; // a failed script is reported as a warning box otherwise
    return m_webView->RunScript(wxString::FromAscii(script.c_str()), &result) && result == "true";
}

void CHtmlView::OnSize(wxSizeEvent& event)
{
    m_webView->SetSize(GetClientSize());
    event.Skip();
}

bool CHtmlView::Decide(WebKitNavigationAction* action, bool newWindow)
{
    const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string_view url = uri != nullptr ? uri : "";
    // Scripts the program runs count as user gestures, so markup inserted
    // by them loads its frames "by the user": only a link click is a click.
    const bool linkClicked = webkit_navigation_action_get_navigation_type(action) ==
                                 WEBKIT_NAVIGATION_TYPE_LINK_CLICKED &&
                             webkit_navigation_action_is_user_gesture(action) != FALSE;
    const PreviewNavigation verdict = ClassifyPreviewNavigation(url, linkClicked);
    if (verdict == PreviewNavigation::HandToDesktop && m_opener) {
        // Outside the engine's callback, so the opener may take its time.
        CallAfter(
            [this, target = wxString::FromUTF8(url.data(), url.size())] { m_opener(target); });
    }
    // The pane never opens a second window.
    return verdict == PreviewNavigation::Allow && !newWindow;
}

void CHtmlView::ReloadBlankPage()
{
    m_webView->LoadURL(BlankPage);
}

} // namespace quillveil
