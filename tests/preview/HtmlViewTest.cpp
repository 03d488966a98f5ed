#include "platform/CHtmlView.h"

#include "CountingHttpServer.h"
#include "FakeDesktopOpener.h"
#include "PaneTestSupport.h"

#include <gtest/gtest.h>
#include <webkit2/webkit2.h>
#include <wx/frame.h>
#include <wx/webview.h>

#include <algorithm>
#include <string>
#include <vector>

using quillveil::CHtmlView;

namespace {

/// A shown frame to hold panes. Everything the engine's events touch lives
/// in the fixture, which outlives the frame.
class HtmlViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "pane", wxPoint(40, 40), wxSize(640, 480));
        m_frame->Show();
        PumpEvents();
    }

    void TearDown() override
    {
        m_frame->Destroy();
        PumpUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }

    /// Creates a pane over `rect` that counts its finished loads.
    CHtmlView* MakePane(const wxRect& rect = wxRect(10, 20, 400, 300))
    {
        CHtmlView* pane =
            CHtmlView::Create(*m_frame, rect, BuiltPreviewModule(),
                              [this](const wxString& url) { m_opened.push_back(url); });
        if (pane != nullptr) {
            pane->GetWebView().Bind(wxEVT_WEBVIEW_LOADED, [this](wxWebViewEvent& event) {
                ++m_loads;
                m_loadedUrl = event.GetURL();
            });
        }
        return pane;
    }

    /// Pumps until one more load than `before` has finished.
    bool WaitForLoad(int before)
    {
        return PumpUntil([&] { return m_loads > before; }, 10000);
    }

    /// A shown pane that has loaded its blank page.
    CHtmlView* MakeLoadedPane()
    {
        CHtmlView* pane = MakePane();
        if (pane == nullptr) {
            return nullptr;
        }
        pane->Navigate2("about:blank");
        EXPECT_TRUE(WaitUntilReady(*pane)) << "blank page never loaded";
        pane->Show();
        PumpEvents(100);
        return pane;
    }

    wxFrame* m_frame = nullptr;
    std::vector<wxString> m_opened;
    int m_loads = 0;
    wxString m_loadedUrl;
};

TEST_F(HtmlViewTest, IsCreatedHiddenOverItsRectangleAndLoadsTheBlankPage)
{
    CHtmlView* pane = MakePane(wxRect(12, 34, 300, 200));
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->IsShown());
    EXPECT_EQ(pane->GetParent(), m_frame);
    EXPECT_EQ(pane->GetId(), CHtmlView::PaneId);
    EXPECT_EQ(pane->GetRect(), wxRect(12, 34, 300, 200));
    EXPECT_EQ(pane->GetWebView().GetSize(), wxSize(300, 200));

    pane->Navigate2("about:blank");
    EXPECT_TRUE(WaitForLoad(0));
    EXPECT_EQ(m_loadedUrl, "about:blank");
    EXPECT_FALSE(pane->IsShown());
}

TEST_F(HtmlViewTest, BodyHoldsTheCodeAloneEveryTime)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);

    EXPECT_TRUE(pane->PutBodyHtml("<b>first</b> preview"));
    EXPECT_EQ(Eval(*pane, "document.body.innerHTML"), "<b>first</b> preview");

    EXPECT_TRUE(pane->PutBodyHtml("<a href=\"&#104;ttp://x.example/\">&#72;i</a>"));
    EXPECT_EQ(Eval(*pane, "document.body.innerHTML"), "<a href=\"http://x.example/\">Hi</a>");
    EXPECT_EQ(Eval(*pane, "document.body.textContent"), "Hi");

    // Quotes, backslashes, line breaks and the JavaScript line terminators
    // are text like any other.
    const std::string awkward = "<p id=\"p\">'\"\\ a\nb\xE2\x80\xA8"
                                "c\xE2\x80\xA9</p>";
    EXPECT_TRUE(pane->PutBodyHtml(awkward));
    EXPECT_EQ(Eval(*pane, "document.getElementById('p').textContent"),
              wxString::FromUTF8("'\"\\ a\nb\xE2\x80\xA8"
                                 "c\xE2\x80\xA9"));
    EXPECT_EQ(Eval(*pane, "document.body.childNodes.length"), "1");
}

TEST_F(HtmlViewTest, NonAsciiTextArrivesWithoutLoss)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);
    const std::string text = "Caf\xC3\xA9 \xC3\x85ngstr\xC3\xB6m \xE6\xBC\xA2\xE5\xAD\x97 "
                             "\xF0\x9F\x98\x80 \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";
    EXPECT_TRUE(pane->PutBodyHtml("<span>" + text + "</span>"));
    EXPECT_EQ(Eval(*pane, "document.body.textContent"), wxString::FromUTF8(text));
    // Counted by the engine in UTF-16 units: nothing merged or split.
    EXPECT_EQ(Eval(*pane, "document.body.textContent.length"), "24");

    // A byte that is not UTF-8 shows as a replacement character and a NUL
    // is dropped, as a browser shows such a page; the text around is intact.
    EXPECT_TRUE(pane->PutBodyHtml(std::string("a\xFF"
                                              "b\0c",
                                              5)));
    EXPECT_EQ(Eval(*pane, "encodeURIComponent(document.body.textContent)"), "a%EF%BF%BDbc");
}

// Every way markup has to run script: handlers, script elements, and
// javascript: URLs clicked, submitted, framed, refreshed to or embedded.
TEST_F(HtmlViewTest, ScriptInPreviewedMarkupNeverRuns)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);
    Eval(*pane, "document.title='untouched'");

    const std::string block = " style=\"display:block;width:200px;height:30px\"";
    const std::string pixel = "data:image/gif;base64,R0lGODlhAQABAAAAACwAAAAAAQABAAA=";
    ASSERT_TRUE(pane->PutBodyHtml(
        "<a id=\"plain\"" + block + " href=\"javascript:document.title='plain'\">plain</a>" +
        "<a id=\"refs\"" + block + " href=\"&#106;avascript:document.title='refs'\">refs</a>" +
        "<a id=\"spaced\"" + block + " href=\" java&#9;script:document.title='spaced'\">sp</a>" +
        "<a id=\"blank\"" + block + " target=\"_blank\" href=\"javascript:document.title='new'\">" +
        "new</a><a id=\"named\"" + block + " target=\"blank\" " +
        "href=\"javascript:document.title='named'\">named</a>" + "<a id=\"data\"" + block +
        " href=\"data:text/html,<script>top.document.title='data'</script>\">data</a>"
        "<svg width=\"200\" height=\"30\"><a id=\"svg\" href=\"javascript:document.title='svg'\">"
        "<rect width=\"200\" height=\"30\"/></a></svg>"
        "<map name=\"m\"><area shape=\"rect\" coords=\"0,0,200,30\" "
        "href=\"javascript:document.title='area'\"></map>"
        "<img id=\"mapped\" usemap=\"#m\" width=\"200\" height=\"30\" src=\"" +
        pixel + "\"><form action=\"javascript:document.title='form'\">" +
        "<input id=\"submit\" type=\"submit\"" + block + "></form>" + "<a id=\"handlers\"" + block +
        " href=\"#x\" onmouseover=\"document.title='hover'\" "
        "onclick=\"document.body.innerHTML='click'\">handlers</a>"
        "<img src=\"missing.png\" onerror=\"document.title='onerror'\">"
        "<svg onload=\"document.title='onload'\"></svg>"
        "<script>document.title='script'</script>"
        "<iframe src=\"javascript:parent.document.title='frame'\"></iframe>"
        "<iframe srcdoc=\"<script>parent.document.title='srcdoc'</script>\"></iframe>"
        "<object data=\"javascript:parent.document.title='object'\"></object>"
        "<embed src=\"javascript:parent.document.title='embed'\">"
        "<meta http-equiv=\"refresh\" content=\"0;url=javascript:document.title='refresh'\">"));
    for (const char* element : {"#plain", "#refs", "#spaced", "#blank", "#named", "#data", "#svg",
                                "#mapped", "#submit", "#handlers"}) {
        ClickElement(*pane, element);
    }
    PumpEvents(500);

    EXPECT_EQ(Eval(*pane, "document.title"), "untouched");
    EXPECT_EQ(Eval(*pane, "document.getElementById('handlers').textContent"), "handlers");
    EXPECT_EQ(pane->GetWebView().GetCurrentURL(), "about:blank");
    EXPECT_TRUE(m_opened.empty()) << (m_opened.empty() ? wxString() : m_opened.front());
}

// The preview makes no request at all: a tracker in pasted markup learns
// nothing. The links are clicked too: the desktop gets them, the pane loads
// nothing, not even a ping.
TEST_F(HtmlViewTest, NothingInPreviewedMarkupReachesTheNetwork)
{
    CountingHttpServer server;
    ASSERT_TRUE(server.Listening());
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);

    // A refresh to a blank page must not leave the preview on a page with
    // weaker rules.
    ASSERT_TRUE(pane->PutBodyHtml("<meta http-equiv=\"refresh\" content=\"0;url=about:blank\">"));
    PumpEvents(500);

    std::string markup =
        "<a id=\"link\" style=\"display:block;height:30px\" href=\"@/link-clicked\" "
        "ping=\"@/ping\">link</a><form action=\"@/form\" method=\"post\">"
        "<input id=\"send\" type=\"submit\"></form>"
        "<base href=\"@/base/\"><img id=\"img\" alt=\"remote image\" src=\"@/img\">"
        "<img alt=\"relative\" src=\"relative\"><img alt=\"set\" srcset=\"@/srcset 1x\">"
        "<img alt=\"lazy\" loading=\"lazy\" src=\"@/lazy\">"
        "<picture><source srcset=\"@/picture\"><img alt=\"picture\"></picture>"
        "<input type=\"image\" alt=\"input\" src=\"@/input\">"
        "<video src=\"@/video\" poster=\"@/poster\"></video><audio src=\"@/audio\" autoplay>"
        "</audio><video><source src=\"@/source\"><track src=\"@/track\"></video>"
        "<div style=\"width:20px;height:20px;background:url(@/css-url);cursor:url(@/cursor),"
        "auto;list-style-image:url(@/list)\"></div>"
        "<style>@import url(@/import);@font-face{font-family:Remote;src:url(@/font)}"
        ".f{font-family:Remote}body{background-image:url(@/body)}</style><p class=\"f\">font</p>"
        "<link rel=\"stylesheet\" href=\"@/link\"><link rel=\"prefetch\" href=\"@/prefetch\">"
        "<link rel=\"preload\" as=\"image\" href=\"@/preload\"><link rel=\"preconnect\" "
        "href=\"@/\"><link rel=\"icon\" href=\"@/icon\">"
        "<table background=\"@/table\"><tr><td background=\"@/td\">cell</td></tr></table>"
        "<svg width=\"20\" height=\"20\"><image href=\"@/svg-image\" width=\"20\" height=\"20\"/>"
        "<use href=\"@/use#u\"/></svg><object data=\"@/object\"></object><embed src=\"@/embed\">"
        "<iframe src=\"@/iframe\"></iframe><meta http-equiv=\"refresh\" "
        "content=\"1;url=@/refresh\">";
    for (std::size_t at = markup.find('@'); at != std::string::npos; at = markup.find('@', at)) {
        markup.replace(at, 1, server.Url(""));
    }
    ASSERT_TRUE(pane->PutBodyHtml(markup));
    ClickElement(*pane, "#send");
    ClickElement(*pane, "#link");
    EXPECT_TRUE(PumpUntil([pane] {
        return Eval(*pane, "Array.from(document.images).every(function(i){return i.complete})") ==
               "true";
    }));
    PumpEvents(1500); // past the refresh's second

    EXPECT_EQ(server.Connections(), 0) << server.Requests();
    EXPECT_EQ(m_opened, std::vector<wxString>{server.Url("/link-clicked")});
    EXPECT_EQ(pane->GetWebView().GetCurrentURL(), "about:blank");
    EXPECT_EQ(Eval(*pane, "document.getElementById('link').textContent"), "link");
}

// The engine's menu offers only copying and selecting: nothing that opens,
// downloads, saves, reloads or inspects. Where nothing is left, as on the bare
// page, there is no menu at all.
TEST_F(HtmlViewTest, ContextMenuOffersNothingThatLeavesTheProgram)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(pane->PutBodyHtml(
        "<a href=\"https://quillveil.example/\"><img id=\"img\" width=\"200\" height=\"40\" "
        "src=\"data:image/gif;base64,R0lGODlhAQABAAAAACwAAAAAAQABAAA=\"></a>"
        "<p>some text</p>"));

    // Connected after the pane's own handler, it sees the menu as it would
    // show, and shows none.
    std::vector<std::vector<WebKitContextMenuAction>> menus;
    auto* engine = static_cast<WebKitWebView*>(pane->GetWebView().GetNativeBackend());
    const auto record = +[](WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                            WebKitHitTestResult*, gpointer data) -> gboolean {
        auto& all = *static_cast<std::vector<std::vector<WebKitContextMenuAction>>*>(data);
        all.emplace_back();
        for (GList* node = webkit_context_menu_get_items(menu); node; node = node->next) {
            all.back().push_back(webkit_context_menu_item_get_stock_action(
                static_cast<WebKitContextMenuItem*>(node->data)));
        }
        return TRUE;
    };
    const gulong handler = g_signal_connect(engine, "context-menu", G_CALLBACK(record), &menus);
    // One right click, on what offers the most: a linked image within a
    // selection. (A second right click in one test never reached the engine.)
    Eval(*pane, "document.getSelection().selectAllChildren(document.body)");
    const wxString corner = Eval(*pane, "var r=document.getElementById('img')"
                                        ".getBoundingClientRect();r.left+5+','+(r.top+5)");
    long x = 0;
    long y = 0;
    ASSERT_TRUE(corner.BeforeFirst(',').ToLong(&x) && corner.AfterFirst(',').ToLong(&y));
    wxUIActionSimulator mouse;
    mouse.MouseMove(pane->GetWebView().ClientToScreen(wxPoint(int(x), int(y))));
    PumpEvents(100);
    mouse.MouseClick(wxMOUSE_BTN_RIGHT);
    PumpUntil([&menus] { return !menus.empty(); });
    g_signal_handler_disconnect(engine, handler);

    ASSERT_EQ(menus.size(), 1u);
    const std::vector<WebKitContextMenuAction>& menu = menus.front();
    const std::vector<WebKitContextMenuAction> allowed = {
        WEBKIT_CONTEXT_MENU_ACTION_NO_ACTION,
        WEBKIT_CONTEXT_MENU_ACTION_COPY,
        WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL,
        WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD,
        WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_URL_TO_CLIPBOARD,
        WEBKIT_CONTEXT_MENU_ACTION_COPY_VIDEO_LINK_TO_CLIPBOARD,
        WEBKIT_CONTEXT_MENU_ACTION_COPY_AUDIO_LINK_TO_CLIPBOARD};
    for (const WebKitContextMenuAction action : menu) {
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), action), allowed.end())
            << "the menu offers action " << action;
    }
    ASSERT_FALSE(menu.empty());
    EXPECT_NE(menu.front(), WEBKIT_CONTEXT_MENU_ACTION_NO_ACTION);
    EXPECT_NE(menu.back(), WEBKIT_CONTEXT_MENU_ACTION_NO_ACTION);
    // What stays within the program is still offered.
    for (const WebKitContextMenuAction kept :
         {WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD,
          WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_URL_TO_CLIPBOARD}) {
        EXPECT_NE(std::find(menu.begin(), menu.end(), kept), menu.end()) << kept;
    }
}

TEST_F(HtmlViewTest, ClickedLinksGoToTheDesktopAndThePaneKeepsThePreview)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);
    const std::string style = " style=\"display:block;height:40px\"";
    ASSERT_TRUE(
        pane->PutBodyHtml("<a id=\"mail\"" + style +
                          " href=\"mailto:User@example.com?subject=Test%20Subject\">Support</a>"
                          "<a id=\"web\"" +
                          style +
                          " href=\"https://quillveil.example/\" target=\"_blank\">Home</a>"
                          "<a id=\"self\"" +
                          style +
                          " href=\"http://x.example/\" target=\"blank\">Self</a>"
                          "<a id=\"file\"" +
                          style + " href=\"file:///etc/hostname\">File</a>"));

    ClickElement(*pane, "#mail");
    ClickElement(*pane, "#web");
    ClickElement(*pane, "#self");
    ClickElement(*pane, "#file");
    PumpEvents(300);

    EXPECT_EQ(m_opened, (std::vector<wxString>{"mailto:User@example.com?subject=Test%20Subject",
                                               "https://quillveil.example/", "http://x.example/"}));
    EXPECT_EQ(pane->GetWebView().GetCurrentURL(), "about:blank");
    EXPECT_EQ(Eval(*pane, "document.body.textContent"), "SupportHomeSelfFile");
}

TEST(HtmlViewDesktop, DefaultOpenerHandsTheUrlToTheDesktopHandler)
{
    FakeDesktopOpener desktop;
    CHtmlView::OpenWithDesktop("mailto:User@example.com?subject=a%20b");
    EXPECT_EQ(desktop.WaitForUrl(), "mailto:User@example.com?subject=a%20b");
}

TEST_F(HtmlViewTest, EngineThatCannotBeHadLeavesNoPane)
{
    int asked = 0;
    CHtmlView* pane = CHtmlView::Create(*m_frame, wxRect(0, 0, 100, 100),
                                        [&](wxWindow&, const quillveil::LinkOpener&) {
                                            ++asked;
                                            return std::unique_ptr<quillveil::PreviewEngine>();
                                        });
    EXPECT_EQ(pane, nullptr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(CHtmlView::Create(*m_frame, wxRect(0, 0, 100, 100), nullptr), nullptr);

    // A module that is missing, or is no module of ours, is the same: no pane.
    const wxString notAModule = QUILLVEIL_TEST_NOT_A_PREVIEW_MODULE;
    for (const wxString& file :
         {wxString(QUILLVEIL_TEST_PREVIEW_MODULE) + ".missing", notAModule}) {
        EXPECT_EQ(
            CHtmlView::Create(*m_frame, wxRect(0, 0, 100, 100), quillveil::LoadPreviewModule(file)),
            nullptr)
            << file;
    }
    EXPECT_EQ(m_frame->FindWindow(CHtmlView::PaneId), nullptr);
    EXPECT_EQ(m_frame->GetChildren().size(), 0u);
}

TEST_F(HtmlViewTest, PutBeforeTheBlankPageOrWithoutABodyIsHarmless)
{
    CHtmlView* pane = MakePane();
    ASSERT_NE(pane, nullptr);
    pane->Navigate2("about:blank");
    pane->Show();
    pane->PutBodyHtml("<b>early</b>"); // whatever it gives, it returns
    ASSERT_TRUE(WaitUntilReady(*pane));

    Eval(*pane, "document.documentElement.removeChild(document.body)");
    EXPECT_FALSE(pane->PutBodyHtml("<b>no body</b>"));
    PumpEvents(300);
    EXPECT_EQ(Eval(*pane, "String(document.body)"), "null");
}

TEST_F(HtmlViewTest, DeadEngineFailsQuietlyAndThePaneRecovers)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(pane->PutBodyHtml("<b>before</b>"));

    webkit_web_view_terminate_web_process(
        static_cast<WebKitWebView*>(pane->GetWebView().GetNativeBackend()));
    pane->PutBodyHtml("<b>while dead</b>"); // fails or waits for the fresh page; it returns

    ASSERT_TRUE(PumpUntil([pane] { return pane->PutBodyHtml("<b>after</b>"); }, 10000));
    EXPECT_EQ(Eval(*pane, "document.body.innerHTML"), "<b>after</b>");
}

} // namespace
