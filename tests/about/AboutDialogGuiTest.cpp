#include "AboutTestSupport.h"
#include "CAboutDlg.h"
#include "ProgramInfo.h"
#include "ResourceIds.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/tooltip.h>
#include <wx/uiaction.h>

#include <vector>

using namespace quillveil;

namespace {

const wxString HomePage = wxString::FromUTF8(HomePageUrl.data(), HomePageUrl.size());

std::vector<wxString> LabelsOf(const wxWindow& dialog)
{
    std::vector<wxString> labels;
    for (const wxWindow* child : dialog.GetChildren()) {
        if (const auto* label = dynamic_cast<const wxStaticText*>(child)) {
            labels.push_back(label->GetLabelText());
        }
    }
    return labels;
}

bool Contains(const std::vector<wxString>& texts, const wxString& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

TEST(AboutDialog, ShowsNameVersionDescriptionCopyrightAndTheHomePageLink)
{
    CAboutDlg dlg;
    ShowAndSettle(dlg);

    EXPECT_EQ(dlg.GetTitle(), "About Quillveil");
    EXPECT_EQ(dlg.GetClientSize(), dlg.ConvertDialogToPixels(wxSize(250, 119)));

    const std::vector<wxString> labels = LabelsOf(dlg);
    EXPECT_TRUE(Contains(labels, "Quillveil v 1.0"));
    EXPECT_TRUE(Contains(labels, "HTML code protection/encryption program"));
    EXPECT_TRUE(Contains(labels, "Home:"));
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                            [](const wxString& text) { return text.StartsWith("Copyright"); }));

    int pictures = 0;
    int lines = 0;
    for (const wxWindow* child : dlg.GetChildren()) {
        pictures += dynamic_cast<const wxStaticBitmap*>(child) != nullptr ? 1 : 0;
        lines += dynamic_cast<const wxStaticLine*>(child) != nullptr ? 1 : 0;
    }
    EXPECT_EQ(pictures, 1);
    EXPECT_EQ(lines, 1);

    auto* ok = dynamic_cast<wxButton*>(dlg.FindWindow(wxID_OK));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(dlg.GetDefaultItem(), ok);
    EXPECT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == ok; }));

    auto* link = dynamic_cast<CHyperLink*>(dlg.FindWindow(IDC_HOMEPAGE));
    ASSERT_EQ(link, &dlg.GetHomePageLink());
    EXPECT_EQ(link->GetLinkText(), HomePage);
    EXPECT_EQ(link->GetLabel(), HomePage);
    EXPECT_EQ(link->GetURL(), HomePage);
    ASSERT_NE(link->GetToolTip(), nullptr);
    EXPECT_EQ(link->GetToolTip()->GetTip(), "Click Here to go Quillveil's site");
    EXPECT_FALSE(link->IsVisited());
    // "Home:" and the link share a line, the link to the right.
    const wxWindow* home = nullptr;
    for (const wxWindow* child : dlg.GetChildren()) {
        if (dynamic_cast<const wxStaticText*>(child) != nullptr && child->GetLabel() == "Home:") {
            home = child;
        }
    }
    ASSERT_NE(home, nullptr);
    EXPECT_LE(home->GetRect().GetRight(), link->GetRect().GetLeft());
    EXPECT_NEAR(home->GetRect().GetTop(), link->GetRect().GetTop(), 4);
}

TEST(AboutDialog, TheLinkOpensTheHomePageAndEachOpeningStartsUnvisited)
{
    FakeOpener opener;
    {
        CAboutDlg dlg;
        dlg.GetHomePageLink().SetUrlOpener(opener);
        ShowAndSettle(dlg);
        CHyperLink& link = dlg.GetHomePageLink();
        wxUIActionSimulator sim;
        sim.MouseMove(link.ClientToScreen(wxPoint(link.GetHotRect().right / 2, 5)));
        PumpEvents(50);
        sim.MouseClick();
        ASSERT_TRUE(PumpUntil([&] { return !opener.opened.empty(); }));
        EXPECT_EQ(opener.opened, std::vector<wxString>{HomePage});
        EXPECT_TRUE(link.IsVisited());
        EXPECT_TRUE(dlg.IsShown());
    }
    CAboutDlg again;
    ShowAndSettle(again);
    EXPECT_FALSE(again.GetHomePageLink().IsVisited());
}

// The release goes to the window that got the press: a press on the box's
// background or on the "Home:" label, released on the link, must open it too.
TEST(AboutDialog, AReleaseOnTheLinkOpensItWhereverThePressHappened)
{
    FakeOpener opener;
    CAboutDlg dlg;
    CHyperLink& link = dlg.GetHomePageLink();
    link.SetUrlOpener(opener);
    ShowAndSettle(dlg);
    wxWindow* home = nullptr;
    for (wxWindow* child : dlg.GetChildren()) {
        if (dynamic_cast<wxStaticText*>(child) != nullptr && child->GetLabel() == "Home:") {
            home = child;
        }
    }
    ASSERT_NE(home, nullptr);
    const wxPoint onText = link.ClientToScreen(wxPoint(link.GetHotRect().right / 2, 5));
    const wxPoint background = dlg.ClientToScreen(wxPoint(4, dlg.GetClientSize().y - 4));
    const wxPoint onLabel = home->GetScreenRect().GetPosition() + wxSize(3, 3);
    wxUIActionSimulator sim;
    auto dragFromTo = [&](const wxPoint& from, const wxPoint& to) {
        sim.MouseMove(from);
        PumpEvents(50);
        sim.MouseDown();
        PumpEvents(50);
        sim.MouseMove(to);
        PumpEvents(50);
        sim.MouseUp();
        PumpEvents(150);
    };

    dragFromTo(background, onText);
    EXPECT_EQ(opener.opened.size(), 1u);
    dragFromTo(onLabel, onText);
    EXPECT_EQ(opener.opened.size(), 2u);
    EXPECT_TRUE(link.IsVisited());
    // Released anywhere but on the text: nothing more.
    dragFromTo(onLabel, background);
    dragFromTo(onText, onLabel);
    EXPECT_EQ(opener.opened.size(), 2u);
    EXPECT_TRUE(dlg.IsShown());
}

TEST(AboutDialog, EnterEscapeAndTheCloseButtonCloseIt)
{
    wxUIActionSimulator sim;
    for (const int key : {WXK_RETURN, WXK_ESCAPE}) {
        CAboutDlg dlg;
        ShowAndSettle(dlg);
        ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == dlg.FindWindow(wxID_OK); }));
        sim.Char(key);
        EXPECT_TRUE(PumpUntil([&] { return !dlg.IsShown(); })) << key;
    }
    CAboutDlg dlg;
    ShowAndSettle(dlg);
    dlg.Close();
    EXPECT_TRUE(PumpUntil([&] { return !dlg.IsShown(); }));
}
