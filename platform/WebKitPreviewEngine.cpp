// The preview pane's engine on WebKitGTK, built as the module the program
// loads when it makes the pane: only this file needs the web engine's
// libraries.
#include "JsStringLiteral.h"
#include "PreviewEngine.h"
#include "PreviewNavigation.h"

#include <webkit2/webkit2.h>
#include <wx/webview.h>

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace quillveil {
namespace {

/// The pane's own page. Its policy is what keeps previewed markup inert
/// whatever the engine's other settings: no script (javascript: URLs
/// included) and no load from anywhere but data: URLs, which stay within the
/// page. Scripts run through the toolkit's RunScript are wrapped in eval, so
/// the policy allows eval; no script of the markup ever runs to use it.
constexpr const char* PanePage =
    "<html><head><meta http-equiv=\"Content-Security-Policy\" content=\""
    "default-src 'none'; script-src 'unsafe-eval'; style-src 'unsafe-inline'; "
    "img-src data:; font-src data:; form-action 'none'; base-uri 'none'\">"
    "</head><body></body></html>";
constexpr const char* BlankPage = "about:blank";
/// How long the engine takes to draw a frame of a page just changed, with
/// room to spare: a few frames at sixty a second.
constexpr guint NewFrameMilliseconds = 100;

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

/// Whether a context-menu entry stays within the program: copying text or a
/// URL, selecting. Opening, saving, reloading, searching and inspecting may
/// all reach the network or the file system.
bool StaysWithinTheProgram(WebKitContextMenuAction action)
{
    switch (action) {
    case WEBKIT_CONTEXT_MENU_ACTION_NO_ACTION: // separators
    case WEBKIT_CONTEXT_MENU_ACTION_COPY:
    case WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL:
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD:
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_URL_TO_CLIPBOARD:
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_VIDEO_LINK_TO_CLIPBOARD:
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_AUDIO_LINK_TO_CLIPBOARD:
        return true;
    default:
        return false;
    }
}

/// Takes out of `menu` every entry that leaves the program, and the
/// separators left with nothing to separate.
void KeepEntriesWithinTheProgram(WebKitContextMenu* menu)
{
    std::vector<WebKitContextMenuItem*> dropped;
    bool lastKeptIsSeparator = true; // none at the top
    for (GList* node = webkit_context_menu_get_items(menu); node != nullptr; node = node->next) {
        auto* item = static_cast<WebKitContextMenuItem*>(node->data);
        const bool separator = webkit_context_menu_item_is_separator(item) != FALSE;
        if (!StaysWithinTheProgram(webkit_context_menu_item_get_stock_action(item)) ||
            (separator && lastKeptIsSeparator)) {
            dropped.push_back(item);
        } else {
            lastKeptIsSeparator = separator;
        }
    }
    for (WebKitContextMenuItem* item : dropped) {
        webkit_context_menu_remove(menu, item);
    }
    const guint count = webkit_context_menu_get_n_items(menu);
    if (count > 0 && lastKeptIsSeparator) {
        webkit_context_menu_remove(menu, webkit_context_menu_get_item_at_position(menu, count - 1));
    }
}

/// The pane's engine: the toolkit's web view on WebKit, answering the
/// engine's navigation, new-window and context-menu requests itself.
class WebKitPreviewEngine final : public PreviewEngine {
public:
    WebKitPreviewEngine(wxWebView& view, WebKitWebView& engine, LinkOpener opener)
        : m_view(view), m_engine(engine), m_opener(std::move(opener))
    {
        WebKitSettings* settings = webkit_web_view_get_settings(&m_engine);
        // Script in the markup stays inert even before the page's policy
        // applies; the program's own RunScript calls are not markup.
        webkit_settings_set_enable_javascript_markup(settings, FALSE);
        // Audio and video would start the media framework, with loaders of
        // its own.
        webkit_settings_set_enable_media(settings, FALSE);

        // A web process that dies leaves a dead pane; a fresh blank page
        // starts a new one, so the next preview works again.
        g_signal_connect_swapped(&m_engine, "web-process-terminated",
                                 G_CALLBACK(&WebKitPreviewEngine::WebProcessTerminated), this);
        g_signal_connect(&m_engine, "load-changed", G_CALLBACK(&WebKitPreviewEngine::LoadChanged),
                         this);

        // The toolkit reports no difference between a clicked link and a
        // frame or refresh the markup loads by itself, and the difference
        // decides whether a URL goes to the desktop: the pane answers these
        // requests itself, in place of the toolkit.
        for (const char* signal : {"decide-policy", "create", "context-menu"}) {
            BlockHandlers(&m_engine, signal);
        }
        g_signal_connect(&m_engine, "decide-policy", G_CALLBACK(&WebKitPreviewEngine::DecidePolicy),
                         this);
        g_signal_connect(&m_engine, "create", G_CALLBACK(&WebKitPreviewEngine::Create), this);
        g_signal_connect(&m_engine, "context-menu", G_CALLBACK(&WebKitPreviewEngine::ContextMenu),
                         this);
    }

    ~WebKitPreviewEngine() override
    {
        g_signal_handlers_disconnect_by_data(&m_engine, this);
        // The frames still awaited after insertions.
        while (g_source_remove_by_user_data(this)) {
        }
    }

    WebKitPreviewEngine(const WebKitPreviewEngine&) = delete;
    WebKitPreviewEngine& operator=(const WebKitPreviewEngine&) = delete;

    void LoadBlankPage() override
    {
        m_ownLoadPending = true;
        m_pageLoading = true;
        m_view.SetPage(PanePage, BlankPage);
    }

    bool PutBodyHtml(std::string_view utf8Html) override
    {
        if (m_pageLoading) {
            // Loading the module and starting the engine take a while after
            // the window shows: a preview asked for meanwhile shows once the
            // page is there, not never.
            m_waitingHtml = std::string(utf8Html);
            return false;
        }
        m_waitingHtml.reset(); // this one replaces it
        // The HTML goes in as a literal of printable ASCII, so no character
        // of the code can alter the script around it. A new preview opens at
        // its top.
        std::string script = "(function(){var b=document.body;if(!b)return false;"
                             "b.innerHTML='';b.insertAdjacentHTML('beforeend',";
        script += QuoteJsString(utf8Html);
        script += ");window.scrollTo(0,0);return true;})()";

        // Meanwhile the view is transparent: inserting a large code takes
        // seconds, and the previous preview must not show; it stays so a
        // few frames longer, until the engine has drawn the new one.
        GtkWidget* const widget = GTK_WIDGET(&m_engine);
        ++m_insertions;
        gtk_widget_set_opacity(widget, 0);
        const bool inserted = EvaluatesToTrue(script);
        g_timeout_add(
            NewFrameMilliseconds,
            [](gpointer data) {
                auto* self = static_cast<WebKitPreviewEngine*>(data);
                if (--self->m_insertions == 0) {
                    gtk_widget_set_opacity(GTK_WIDGET(&self->m_engine), 1);
                }
                return G_SOURCE_REMOVE;
            },
            this);
        return inserted;
    }

    wxWebView* GetWebView() override { return &m_view; }

private:
    /// Runs `script` in the pane's page and waits for its value, as the toolkit's RunScript
    /// does, but hands the engine the script's bytes as they are: the toolkit widens a script
    /// to four bytes a character and escapes it once more, which made the preview of a large
    /// code cost seconds and many times the code's size in memory. A script that fails, or a
    /// web process that dies meanwhile, gives false.
    bool EvaluatesToTrue(const std::string& script)
    {
        struct Outcome {
            bool done = false;
            bool isTrue = false;
        } outcome;
        const GAsyncReadyCallback finished = [](GObject* engine, GAsyncResult* result,
                                                gpointer data) {
            auto* waiting = static_cast<Outcome*>(data);
            GError* error = nullptr;
            if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(
                    WEBKIT_WEB_VIEW(engine), result, &error)) {
                waiting->isTrue = jsc_value_is_boolean(value) && jsc_value_to_boolean(value);
                g_object_unref(value);
            }
            g_clear_error(&error);
            waiting->done = true;
        };
        webkit_web_view_evaluate_javascript(&m_engine, script.data(),
                                            static_cast<gssize>(script.size()), nullptr, nullptr,
                                            nullptr, finished, &outcome);
        // The engine answers through the main loop; `outcome` lives until it has.
        while (!outcome.done) {
            g_main_context_iteration(nullptr, TRUE);
        }
        return outcome.isTrue;
    }

    static gboolean DecidePolicy(WebKitWebView* /*engine*/, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, WebKitPreviewEngine* self)
    {
        if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
            type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
            return FALSE; // the response to a load the pane allowed: the default
        }
        const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
        if (self->Decide(webkit_navigation_policy_decision_get_navigation_action(
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
                             WebKitPreviewEngine* self)
    {
        self->Decide(action, true);
        return nullptr;
    }

    static gboolean ContextMenu(WebKitWebView* /*engine*/, WebKitContextMenu* menu,
                                GdkEvent* /*event*/, WebKitHitTestResult* /*hit*/,
                                WebKitPreviewEngine* /*self*/)
    {
        KeepEntriesWithinTheProgram(menu);
        // TRUE shows no menu at all, rather than an empty one.
        return webkit_context_menu_get_n_items(menu) == 0 ? TRUE : FALSE;
    }

    static void WebProcessTerminated(WebKitPreviewEngine* self) { self->LoadBlankPage(); }

    static void LoadChanged(WebKitWebView* /*engine*/, WebKitLoadEvent event,
                            WebKitPreviewEngine* self)
    {
        // The pane's own page is the only load it lets through, once it has
        // been allowed; a load the engine made by itself before may end first.
        if (event != WEBKIT_LOAD_FINISHED || !self->m_pageLoading || self->m_ownLoadPending) {
            return;
        }
        self->m_pageLoading = false;
        if (self->m_waitingHtml) {
            // Outside the engine's callback: the insertion runs a nested loop.
            self->m_view.CallAfter([self] {
                if (self->m_waitingHtml && !self->m_pageLoading) {
                    const std::string html = std::move(*self->m_waitingHtml);
                    self->m_waitingHtml.reset();
                    self->PutBodyHtml(html);
                }
            });
        }
    }

    /// Answers a navigation the engine is about to make: true to let it
    /// load; hands clicked links to the desktop.
    bool Decide(WebKitNavigationAction* action, bool newWindow)
    {
        const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        const std::string_view url = uri != nullptr ? uri : "";
        // Scripts the program runs count as user gestures, so markup inserted
        // by them loads its frames "by the user": only a link click is a click.
        const bool linkClicked = webkit_navigation_action_get_navigation_type(action) ==
                                     WEBKIT_NAVIGATION_TYPE_LINK_CLICKED &&
                                 webkit_navigation_action_is_user_gesture(action) != FALSE;
        const NavigationCause cause = linkClicked                      ? NavigationCause::LinkClick
                                      : m_ownLoadPending && !newWindow ? NavigationCause::Pane
                                                                       : NavigationCause::Markup;
        const PreviewNavigation verdict = ClassifyPreviewNavigation(url, cause);
        if (cause == NavigationCause::Pane && verdict == PreviewNavigation::Allow) {
            m_ownLoadPending = false;
        }
        if (verdict == PreviewNavigation::HandToDesktop && m_opener) {
            // Outside the engine's callback, so the opener may take its time.
            m_view.CallAfter([opener = m_opener, target = wxString::FromUTF8(
                                                     url.data(), url.size())] { opener(target); });
        }
        // The pane never opens a second window.
        return verdict == PreviewNavigation::Allow && !newWindow;
    }

    wxWebView& m_view;
    WebKitWebView& m_engine;
    LinkOpener m_opener;
    /// Set from asking for the pane's own page until its navigation is allowed.
    bool m_ownLoadPending = false;
    /// Set from asking for the pane's own page until it has loaded.
    bool m_pageLoading = false;
    /// Insertions under way, one inside another when the user previews again meanwhile.
    int m_insertions = 0;
    /// The last HTML put while the page was loading, to go in once it has.
    std::optional<std::string> m_waitingHtml;
};

} // namespace
} // namespace quillveil

/// Makes the toolkit's web view on WebKit as the one child of `pane`, sealed
/// as the preview needs; null when the engine is not there.
extern "C" __attribute__((visibility("default"))) quillveil::PreviewEngine*
quillveil_preview_engine_v1(wxWindow* pane, const quillveil::LinkOpener* opener)
{
    if (pane == nullptr || opener == nullptr ||
        !wxWebView::IsBackendAvailable(wxWebViewBackendWebKit)) {
        return nullptr;
    }
    // No URL: the pane loads its page when asked to.
    wxWebView* view = wxWebView::New(pane, wxID_ANY, wxString(), wxDefaultPosition,
                                     pane->GetClientSize(), wxWebViewBackendWebKit, wxBORDER_NONE);
    if (view == nullptr) {
        return nullptr;
    }
    auto* native = static_cast<GObject*>(view->GetNativeBackend());
    if (native == nullptr || !WEBKIT_IS_WEB_VIEW(native)) {
        // Without the engine's own switches, previewed markup would act.
        view->Destroy();
        return nullptr;
    }
    return new quillveil::WebKitPreviewEngine(*view, *WEBKIT_WEB_VIEW(native), *opener);
}

static_assert(
    std::is_same_v<decltype(&quillveil_preview_engine_v1), quillveil::PreviewEngineEntryPoint>,
    "the entry point must have the type the program calls it with");
