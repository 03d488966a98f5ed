#include "CHtmlView.h"

#include "JsStringLiteral.h"
#include "PreviewNavigation.h"

#include <webkit2/webkit2.h>
#include <wx/log.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <string>

namespace quillveil {
namespace {

constexpr const char* BlankPage = "about:blank";

} // namespace

CHtmlView* CHtmlView::Create(wxWindow& parent, const wxRect& rect, const WebViewFactory& factory,
                             UrlOpener opener)
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
    // No handler installed is not worth a message box over the dialog.
    wxLogNull quiet;
    wxLaunchDefaultBrowser(url);
}

CHtmlView::CHtmlView(UrlOpener opener) : m_opener(std::move(opener))
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
                             G_CALLBACK(+[](CHtmlView* pane) { pane->ReloadBlankPage(); }), this);

    m_webView = webView;
    m_webView->SetSize(GetClientSize());
    Bind(wxEVT_SIZE, &CHtmlView::OnSize, this);
    m_webView->Bind(wxEVT_WEBVIEW_NAVIGATING, &CHtmlView::OnNavigating, this);
    m_webView->Bind(wxEVT_WEBVIEW_NEWWINDOW, &CHtmlView::OnNewWindow, this);
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

void CHtmlView::OnNavigating(wxWebViewEvent& event)
{
    const bool byUser = event.GetNavigationAction() == wxWEBVIEW_NAV_ACTION_USER;
    if (ClassifyPreviewNavigation(event.GetURL().utf8_string(), byUser) ==
        PreviewNavigation::Allow) {
        return;
    }
    event.Veto();
    OpenIfClicked(event);
}

void CHtmlView::OnNewWindow(wxWebViewEvent& event)
{
    // No window is opened for a new-window request unless we open one.
    OpenIfClicked(event);
}

void CHtmlView::OpenIfClicked(const wxWebViewEvent& event)
{
    const bool byUser = event.GetNavigationAction() == wxWEBVIEW_NAV_ACTION_USER;
    if (m_opener && ClassifyPreviewNavigation(event.GetURL().utf8_string(), byUser) ==
                        PreviewNavigation::HandToDesktop) {
        m_opener(event.GetURL());
    }
}

void CHtmlView::ReloadBlankPage()
{
    m_webView->LoadURL(BlankPage);
}

} // namespace quillveil
