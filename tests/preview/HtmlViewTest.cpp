#include "platform/CHtmlView.h"

#include "FakeDesktopOpener.h"
#include "PaneTestSupport.h"

#include <gtest/gtest.h>
#include <webkit2/webkit2.h>
#include <wx/frame.h>
#include <wx/webview.h>

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
        const int before = m_loads;
        pane->Navigate2("about:blank");
        EXPECT_TRUE(WaitForLoad(before)) << "blank page never loaded";
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

TEST_F(HtmlViewTest, ScriptAndLoadsInPreviewedMarkupDoNothing)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);
    Eval(*pane, "document.title='untouched'");

    EXPECT_TRUE(pane->PutBodyHtml(
        "<a id=\"l\" href=\"javascript:document.title='by href'\" "
        "onmouseover=\"document.title='by hover'\" "
        "onclick=\"document.body.innerHTML='by click'\">link</a>"
        "<img src=\"missing.png\" onerror=\"document.title='by onerror'\">"
        "<svg onload=\"document.title='by onload'\"></svg>"
        "<script>document.title='by script'</script>"
        "<iframe srcdoc=\"<script>parent.document.title='by frame'</script>\"></iframe>"
        // Nor do loads the markup starts by itself reach the desktop.
        "<iframe src=\"https://frame.example/\"></iframe>"
        "<meta http-equiv=\"refresh\" content=\"0;url=https://refresh.example/\">"));
    ClickElement(*pane, "#l");
    PumpEvents(500);

    EXPECT_EQ(Eval(*pane, "document.title"), "untouched");
    EXPECT_EQ(Eval(*pane, "document.getElementById('l').textContent"), "link");
    EXPECT_EQ(pane->GetWebView().GetCurrentURL(), "about:blank");
    EXPECT_TRUE(m_opened.empty()) << (m_opened.empty() ? wxString() : m_opened.front());
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
    ASSERT_TRUE(WaitForLoad(0));

    // The early insert may have run in the document the load then replaced:
    // take the body away once the pane has settled on its blank page.
    ASSERT_TRUE(PumpUntil([pane] {
        Eval(*pane, "if(document.body)document.documentElement.removeChild(document.body)");
        return !pane->GetWebView().IsBusy() && Eval(*pane, "String(document.body)") == "null";
    }));
    EXPECT_FALSE(pane->PutBodyHtml("<b>no body</b>"));
    EXPECT_EQ(Eval(*pane, "String(document.body)"), "null");
}

TEST_F(HtmlViewTest, DeadEngineFailsQuietlyAndThePaneRecovers)
{
    CHtmlView* pane = MakeLoadedPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(pane->PutBodyHtml("<b>before</b>"));

    const int before = m_loads;
    webkit_web_view_terminate_web_process(
        static_cast<WebKitWebView*>(pane->GetWebView().GetNativeBackend()));
    pane->PutBodyHtml("<b>while dead</b>"); // fails or lands on the fresh page; it returns

    ASSERT_TRUE(WaitForLoad(before));
    EXPECT_TRUE(pane->PutBodyHtml("<b>after</b>"));
    EXPECT_EQ(Eval(*pane, "document.body.innerHTML"), "<b>after</b>");
}

} // namespace
