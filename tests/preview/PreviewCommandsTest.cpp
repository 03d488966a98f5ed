#include "CEncoderDlg.h"
#include "CLargeCodeView.h"
#include "CharacterEncoders.h"
#include "CodeGenerator.h"
#include "ProgramInfo.h"
#include "res/ResourceIds.h"

#include "DialogTestHook.h"
#include "FakeDesktopOpener.h"
#include "PaneTestSupport.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <functional>
#include <string>

using namespace quillveil;

namespace {

/// The main dialog, shown, with handles on the controls the commands use.
/// Everything the engine's events touch lives in the fixture, which outlives
/// the dialog.
class PreviewCommandsTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (m_dlg != nullptr) {
            m_dlg->Destroy();
        }
        PumpUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }

    /// Opens the dialog and lets the event loop paint it and make its pane;
    /// waits for the pane's blank page unless told not to.
    void Open(PreviewEngineFactory engine = BuiltPreviewModule(), bool waitForBlankPage = true)
    {
        OpenWithoutEventLoop(std::move(engine));
        m_dlg->Show();
        ASSERT_TRUE(PumpUntil([this] { return m_engineAsked; }, 10000));
        m_pane = dynamic_cast<CHtmlView*>(m_dlg->FindWindow(CHtmlView::PaneId));
        if (m_pane != nullptr && waitForBlankPage) {
            ASSERT_TRUE(WaitUntilReady(*m_pane));
        }
        PumpEvents(100);
    }

    /// Builds the dialog only: its pane is made once the shown window has been
    /// painted.
    void OpenWithoutEventLoop(PreviewEngineFactory engine = BuiltPreviewModule())
    {
        m_dlg = new CEncoderDlg(nullptr, [this, engine](wxWindow& pane, const LinkOpener& opener) {
            m_engineAsked = true;
            return engine ? engine(pane, opener) : nullptr;
        });
        m_code = dynamic_cast<wxTextCtrl*>(m_dlg->FindWindow(IDC_CODE));
        m_preview = dynamic_cast<wxButton*>(m_dlg->FindWindow(IDC_PREVIEW));
        ASSERT_NE(m_code, nullptr);
        ASSERT_NE(m_preview, nullptr);
    }

    /// Presses a push button as a click would: its command reaches the dialog.
    void Press(int id)
    {
        wxWindow* button = m_dlg->FindWindow(id);
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(event);
        PumpEvents();
    }

    void ChooseMode(int boxId)
    {
        auto* box = dynamic_cast<wxCheckBox*>(m_dlg->FindWindow(boxId));
        box->SetValue(true);
        wxCommandEvent event(wxEVT_CHECKBOX, boxId);
        event.SetEventObject(box);
        event.SetInt(1);
        box->GetEventHandler()->ProcessEvent(event);
    }

    void SetField(int id, const std::string& utf8)
    {
        dynamic_cast<wxTextCtrl*>(m_dlg->FindWindow(id))->ChangeValue(wxString::FromUTF8(utf8));
    }

    /// The caption and what shows: "Preview" with the output box, or "Code"
    /// with the pane (when there is one) and no output box.
    /// The output box in either form: the editable box, or the read-only
    /// view a large code shows in.
    bool CodeBoxShown() const
    {
        for (const wxWindow* child : m_dlg->GetChildren()) {
            if (child->IsShown() &&
                (child == m_code || dynamic_cast<const CLargeCodeView*>(child))) {
                return true;
            }
        }
        return false;
    }

    void ExpectCodeView()
    {
        EXPECT_EQ(m_preview->GetLabelText(), "Preview");
        EXPECT_TRUE(CodeBoxShown());
        if (m_pane != nullptr) {
            EXPECT_FALSE(m_pane->IsShown());
        }
    }
    void ExpectPreviewView()
    {
        EXPECT_EQ(m_preview->GetLabelText(), "Code");
        EXPECT_FALSE(CodeBoxShown());
        if (m_pane != nullptr) {
            EXPECT_TRUE(m_pane->IsShown());
        }
    }

    wxString Body() { return Eval(*m_pane, "document.body.innerHTML"); }

    CEncoderDlg* m_dlg = nullptr;
    wxTextCtrl* m_code = nullptr;
    wxButton* m_preview = nullptr;
    CHtmlView* m_pane = nullptr;
    bool m_engineAsked = false;
};

TEST_F(PreviewCommandsTest, PaneLiesHiddenExactlyOverTheOutputBox)
{
    Open();
    ASSERT_NE(m_pane, nullptr);
    EXPECT_EQ(m_pane->GetParent(), m_dlg);
    EXPECT_EQ(m_pane->GetRect(), m_code->GetRect());
    EXPECT_EQ(m_pane->GetScreenRect(), m_code->GetScreenRect());
    EXPECT_EQ(m_pane->GetWebView().GetSize(), m_code->GetSize());
    ExpectCodeView();
    EXPECT_EQ(m_pane->GetWebView().GetCurrentURL(), "about:blank");
}

TEST_F(PreviewCommandsTest, PreviewCodePreviewShowsTheBoxsCurrentTextAfresh)
{
    Open();
    ASSERT_NE(m_pane, nullptr);
    Press(IDC_GENERATE);
    ASSERT_FALSE(m_code->IsEmpty());

    Press(IDC_PREVIEW);
    ExpectPreviewView();
    // What a browser makes of the e-mail code: the display name as a link to
    // the plain mailto URL.
    EXPECT_EQ(Eval(*m_pane, "document.body.children.length"), "1");
    EXPECT_EQ(Eval(*m_pane, "document.querySelector('a').getAttribute('href')"),
              "mailto:User@example.com?subject=" + PercentEncodeSubject("Test Subject"));
    EXPECT_EQ(Eval(*m_pane, "document.querySelector('a').getAttribute('href')"),
              "mailto:User@example.com?subject=Test%20Subject");
    EXPECT_EQ(Eval(*m_pane, "document.querySelector('a').textContent"), "Support");
    const wxString rendered = Body();

    Press(IDC_PREVIEW);
    ExpectCodeView();
    EXPECT_EQ(Body(), rendered); // going back leaves the pane's content alone

    // What the user typed into the box is what the next preview renders,
    // and nothing of the last one remains.
    m_code->SetFocus();
    m_code->Clear();
    PumpEvents();
    wxUIActionSimulator keyboard;
    keyboard.Text("<i>typed</i>");
    PumpEvents(300);
    ASSERT_EQ(m_code->GetValue(), "<i>typed</i>");
    Press(IDC_PREVIEW);
    ExpectPreviewView();
    EXPECT_EQ(Body(), "<i>typed</i>");
}

TEST_F(PreviewCommandsTest, EachModesCodeShowsAsABrowserShowsIt)
{
    Open();
    ASSERT_NE(m_pane, nullptr);

    // Link: the pasted element itself, its href as it was before encoding.
    ChooseMode(IDC_MODE_LINK);
    Press(IDC_GENERATE);
    Press(IDC_PREVIEW);
    EXPECT_EQ(Eval(*m_pane, "document.querySelector('a').getAttribute('href')"),
              wxString::FromUTF8(HomePageUrl.data(), HomePageUrl.size()));
    EXPECT_EQ(Eval(*m_pane, "document.querySelector('a').getAttribute('target')"), "blank");
    EXPECT_EQ(Eval(*m_pane, "document.body.textContent"), "Home Page");

    // Any text: encoded markup shows as its characters, not as markup.
    ChooseMode(IDC_MODE_TEXT);
    SetField(IDC_TEXT, "<b>bold?</b> & \"quotes\"");
    Press(IDC_GENERATE);
    Press(IDC_PREVIEW);
    EXPECT_EQ(Eval(*m_pane, "document.body.textContent"), "<b>bold?</b> & \"quotes\"");
    EXPECT_EQ(Eval(*m_pane, "String(document.querySelector('b'))"), "null");
}

TEST_F(PreviewCommandsTest, NonAsciiInputSurvivesGenerationAndPreview)
{
    Open();
    ASSERT_NE(m_pane, nullptr);
    const std::string name = "Caf\xC3\xA9 \xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x98\x80";
    SetField(IDC_EMAIL_NAME, name);
    Press(IDC_GENERATE);
    Press(IDC_PREVIEW);
    EXPECT_EQ(Eval(*m_pane, "document.querySelector('a').textContent"), wxString::FromUTF8(name));

    ChooseMode(IDC_MODE_TEXT);
    const std::string text = "\xC3\x85ngstr\xC3\xB6m \xE2\x80\xA8 \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";
    SetField(IDC_TEXT, text);
    Press(IDC_GENERATE);
    Press(IDC_PREVIEW);
    EXPECT_EQ(Eval(*m_pane, "document.body.textContent"), wxString::FromUTF8(text));
}

TEST_F(PreviewCommandsTest, EmptyBoxLeavesThePaneAsItWas)
{
    Open();
    ASSERT_NE(m_pane, nullptr);

    Press(IDC_PREVIEW); // the blank page, still blank
    ExpectPreviewView();
    EXPECT_EQ(Body(), "");

    Press(IDC_PREVIEW);
    m_code->ChangeValue("<p>kept</p>");
    Press(IDC_PREVIEW);
    Press(IDC_PREVIEW);
    m_code->Clear();
    Press(IDC_PREVIEW); // the last preview, still there
    ExpectPreviewView();
    EXPECT_EQ(Body(), "<p>kept</p>");
}

TEST_F(PreviewCommandsTest, GenerateReturnsToTheCodeViewEvenOnAWarning)
{
    Open();
    ASSERT_NE(m_pane, nullptr);
    Press(IDC_GENERATE);
    const wxString code = m_code->GetValue();
    Press(IDC_PREVIEW);
    ExpectPreviewView();

    Press(IDC_GENERATE);
    ExpectCodeView();
    EXPECT_EQ(m_code->GetValue(), code);

    Press(IDC_PREVIEW);
    SetField(IDC_EMAIL_USER, "  ");
    wxTEST_DIALOG(Press(IDC_GENERATE), wxExpectModal<wxMessageDialog>(wxID_OK));
    ExpectCodeView();
    EXPECT_EQ(m_code->GetValue(), code);
}

// A program installed without its preview module, or with a broken one, still
// works: without a pane.
TEST_F(PreviewCommandsTest, WithoutItsModuleTheDialogWorksWithoutAPane)
{
    Open(LoadPreviewModule(QUILLVEIL_TEST_PREVIEW_MODULE ".missing"));
    EXPECT_EQ(m_pane, nullptr);
    EXPECT_EQ(m_dlg->FindWindow(CHtmlView::PaneId), nullptr);

    Press(IDC_GENERATE);
    EXPECT_FALSE(m_code->IsEmpty());
    Press(IDC_PREVIEW);
    ExpectPreviewView(); // neither the box nor anything in its place
    Press(IDC_PREVIEW);
    ExpectCodeView();
    Press(IDC_PREVIEW);
    Press(IDC_GENERATE);
    ExpectCodeView();
}

// The pane arrives after the window has shown; the keyboard focus stays where
// the dialog put it, so Enter still generates the preset address.
TEST_F(PreviewCommandsTest, FocusStaysOnGenerateCodeWhenThePaneArrives)
{
    OpenWithoutEventLoop();
    m_dlg->Show();
    m_dlg->Raise();
    ASSERT_TRUE(PumpUntil([this] { return m_engineAsked; }, 10000));
    ASSERT_TRUE(PumpUntil([] { return wxWindow::FindFocus() != nullptr; }));
    PumpEvents(300);
    ASSERT_NE(m_dlg->FindWindow(CHtmlView::PaneId), nullptr);
    EXPECT_EQ(wxWindow::FindFocus(), m_dlg->FindWindow(IDC_GENERATE));
}

// The window is painted before the engine starts: a preview asked for before
// the pane exists, or before its page has loaded, shows once it can, without
// a second press.
TEST_F(PreviewCommandsTest, PreviewAskedForBeforeThePaneIsReadyShowsOnceItIs)
{
    OpenWithoutEventLoop();
    m_dlg->Show();
    EXPECT_EQ(m_dlg->FindWindow(CHtmlView::PaneId), nullptr);
    m_code->ChangeValue("<b>before the pane</b>");
    Press(IDC_PREVIEW);
    ASSERT_TRUE(PumpUntil([this] { return m_engineAsked; }, 10000));
    m_pane = dynamic_cast<CHtmlView*>(m_dlg->FindWindow(CHtmlView::PaneId));
    ASSERT_NE(m_pane, nullptr);
    ExpectPreviewView();
    EXPECT_TRUE(PumpUntil([this] { return Body() == "<b>before the pane</b>"; }, 10000));

    Press(IDC_PREVIEW);
    ExpectCodeView();
}

TEST_F(PreviewCommandsTest, PreviewBeforeTheBlankPageHasLoadedShowsOnceItHas)
{
    Open(BuiltPreviewModule(), false);
    ASSERT_NE(m_pane, nullptr);
    m_code->ChangeValue("<b>early</b>");
    Press(IDC_PREVIEW); // returns: no waiting, no message
    ExpectPreviewView();
    EXPECT_TRUE(PumpUntil([this] { return Body() == "<b>early</b>"; }, 10000));
}

TEST_F(PreviewCommandsTest, ClickedLinkGoesToTheDesktopAndScriptInItDoesNotRun)
{
    FakeDesktopOpener desktop;
    Open();
    ASSERT_NE(m_pane, nullptr);
    Eval(*m_pane, "document.title='untouched'");

    ChooseMode(IDC_MODE_LINK);
    SetField(IDC_LINK, "<a href=\"https://quillveil.example/x\" style=\"font-size:40px\" "
                       "onmouseover=\"document.title='hover'\" "
                       "onclick=\"document.body.innerHTML='gone'\">Home</a>");
    Press(IDC_GENERATE);
    Press(IDC_PREVIEW);
    ClickElement(*m_pane, "a");

    EXPECT_EQ(desktop.WaitForUrl(), "https://quillveil.example/x");
    EXPECT_EQ(Eval(*m_pane, "document.title"), "untouched");
    EXPECT_EQ(Eval(*m_pane, "document.body.textContent"), "Home");
    EXPECT_EQ(m_pane->GetWebView().GetCurrentURL(), "about:blank");
    ExpectPreviewView();

    // A script link typed into the box: inert, and not for the desktop either.
    Press(IDC_PREVIEW);
    m_code->ChangeValue("<a href=\"javascript:document.title='typed'\" "
                        "style=\"font-size:40px\">Typed</a>");
    Press(IDC_PREVIEW);
    ClickElement(*m_pane, "a");
    PumpEvents(500);
    EXPECT_EQ(desktop.WaitForUrl(), "https://quillveil.example/x"); // still the first one
    EXPECT_EQ(Eval(*m_pane, "document.title"), "untouched");
    EXPECT_EQ(Eval(*m_pane, "document.body.textContent"), "Typed");
}

} // namespace

namespace {

/// Runs `action` once, from the event loop, after `milliseconds`: within a
/// command that runs the loop itself, as a person's next press would come.
void Later(int milliseconds, std::function<void()> action)
{
    auto* timer = new wxTimer;
    timer->Bind(wxEVT_TIMER, [timer, action = std::move(action)](wxTimerEvent&) {
        action();
        timer->Stop();
        wxTheApp->CallAfter([timer] { delete timer; });
    });
    timer->StartOnce(milliseconds);
}

} // namespace

// Whatever comes while a large preview is going in (Code, another mode and
// Generate, Preview again), the window ends in the view its button names,
// with the current code; a new preview shows nothing of the one before and
// opens at its top.
TEST_F(PreviewCommandsTest, AnInterruptedPreviewEndsInTheViewTheButtonNames)
{
    Open();
    ASSERT_NE(m_pane, nullptr);
    ChooseMode(IDC_MODE_TEXT);
    std::string large;
    for (int line = 0; large.size() < 2 * 1024 * 1024; ++line) {
        large += "line " + std::to_string(line) + " of a long text\n";
    }
    SetField(IDC_TEXT, large);
    Press(IDC_GENERATE);
    const auto transparent = [this] {
        return gtk_widget_get_opacity(
                   static_cast<GtkWidget*>(m_pane->GetWebView().GetNativeBackend())) == 0.0;
    };

    // Code within the preview.
    bool hiddenMeanwhile = false;
    Later(50, [&] {
        hiddenMeanwhile = transparent();
        Press(IDC_PREVIEW);
    });
    Press(IDC_PREVIEW);
    PumpEvents(300);
    ExpectCodeView();
    EXPECT_TRUE(hiddenMeanwhile) << "the previous preview showed while the new one went in";

    // Another mode and Generate within the preview.
    Later(50, [&] {
        ChooseMode(IDC_MODE_EMAIL);
        Press(IDC_GENERATE);
    });
    Press(IDC_PREVIEW);
    PumpEvents(300);
    ExpectCodeView();
    EXPECT_EQ(
        m_code->GetValue().utf8_string(),
        GenerateCode(EncoderMode::Email, {"User", "example.com", "Support", "Test Subject", {}, {}})
            .GetCode());

    // Code and Preview again within the preview: the preview of the code in
    // the box, from its top, and nothing left transparent.
    Eval(*m_pane, "window.scrollTo(0, 1e6)");
    Later(50, [&] {
        Press(IDC_PREVIEW);
        Press(IDC_PREVIEW);
    });
    Press(IDC_PREVIEW);
    ASSERT_TRUE(PumpUntil([&] { return !transparent(); }, 10000));
    ExpectPreviewView();
    EXPECT_EQ(Eval(*m_pane, "document.querySelector('a').textContent"), "Support");
    EXPECT_EQ(Eval(*m_pane, "String(window.scrollY)"), "0");
}

// A control that Preview, Code or Generate hides gives the focus to the
// button the user pressed, so every key keeps working: Escape closes.
TEST_F(PreviewCommandsTest, TheFocusFollowsTheButtonWhenItsControlHides)
{
    Open();
    ASSERT_NE(m_pane, nullptr);
    Press(IDC_GENERATE);
    wxUIActionSimulator keyboard;
    const auto focusId = [] {
        const wxWindow* focus = wxWindow::FindFocus();
        return focus != nullptr ? focus->GetId() : 0;
    };
    const auto click = [&keyboard](wxWindow& window) {
        keyboard.MouseMove(window.GetScreenRect().GetLeftTop() + wxPoint(10, 10));
        PumpEvents(50);
        keyboard.MouseClick();
        PumpEvents(200);
    };

    click(*m_code);
    ASSERT_EQ(focusId(), IDC_CODE);
    keyboard.Char('p', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return m_pane->IsShown() && focusId() == IDC_PREVIEW; }));

    click(m_pane->GetWebView());
    keyboard.Char('d', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return CodeBoxShown() && focusId() == IDC_PREVIEW; }));

    keyboard.Char('p', wxMOD_ALT);
    ASSERT_TRUE(PumpUntil([&] { return m_pane->IsShown(); }));
    click(m_pane->GetWebView());
    keyboard.Char('g', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return CodeBoxShown() && focusId() == IDC_GENERATE; }));

    keyboard.Char('p', wxMOD_ALT);
    ASSERT_TRUE(PumpUntil([&] { return m_pane->IsShown(); }));
    click(m_pane->GetWebView());
    keyboard.Char(WXK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !m_dlg->IsShown(); }));
}
