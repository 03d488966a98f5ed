#include "AboutEntry.h"
#include "AboutTestSupport.h"
#include "CAboutDlg.h"
#include "CEncoderDlg.h"
#include "DialogTestHook.h"
#include "ProgramInfo.h"
#include "ResourceIds.h"

#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <functional>

using namespace quillveil;

namespace {

/// Counts the About boxes that ShowModal was asked to run, and looks at them.
class ExpectAboutBox : public wxExpectModalBase<CAboutDlg, ExpectAboutBox> {
public:
    explicit ExpectAboutBox(int& count) : m_count(&count) {}

protected:
    int OnInvoked(CAboutDlg* dlg) const override
    {
        ++*m_count;
        EXPECT_EQ(dlg->GetTitle(), "About Quillveil");
        EXPECT_NE(dlg->FindWindow(IDC_HOMEPAGE), nullptr);
        return wxID_OK;
    }

private:
    int* m_count;
};

/// Runs an action from the event loop a little later: the way to act while
/// a popup menu runs its own loop.
class Later : public wxTimer {
public:
    explicit Later(std::function<void()> action) : m_action(std::move(action)) {}
    void Notify() override { m_action(); }

private:
    std::function<void()> m_action;
};

wxString FieldText(const wxWindow& dlg, int id)
{
    return dynamic_cast<const wxTextCtrl*>(dlg.FindWindow(id))->GetValue();
}

} // namespace

TEST(WindowMenu, HoldsCloseAndEndsWithASeparatorAndTheAboutEntry)
{
    CEncoderDlg dlg;
    const WindowMenu& windowMenu = *dlg.GetSystemMenu();
    const wxMenu& menu = windowMenu.Menu();
    ASSERT_EQ(menu.GetMenuItemCount(), 3u);
    const wxMenuItemList& items = menu.GetMenuItems();
    EXPECT_EQ(windowMenu.CommandOf(items[0]->GetId()), SC_CLOSE);
    EXPECT_EQ(items[0]->GetItemLabelText(), "Close");
    EXPECT_EQ(items[0]->GetItemLabel().AfterFirst('\t'), "Alt+F4");
    EXPECT_TRUE(items[1]->IsSeparator());
    EXPECT_EQ(windowMenu.CommandOf(items[2]->GetId()), IDM_ABOUTBOX);
    EXPECT_EQ(items[2]->GetItemLabel(), "&About Quillveil...");
}

TEST(WindowMenu, AnEmptyEntryTextOrNoMenuAddsNothing)
{
    WindowMenu menu;
    const size_t standard = menu.Menu().GetMenuItemCount();
    AddAboutEntry(&menu, wxString());
    EXPECT_EQ(menu.Menu().GetMenuItemCount(), standard);
    AddAboutEntry(nullptr, "&About Quillveil...");
    AddAboutEntry(nullptr);

    AddAboutEntry(&menu, "&About");
    EXPECT_EQ(menu.Menu().GetMenuItemCount(), standard + 2);
}

TEST(WindowMenu, CommandsWithTheAboutIdInTheirHighBitsOpenTheAboutBox)
{
    CEncoderDlg dlg;
    ShowAndSettle(dlg);
    int opened = 0;
    for (int id = 0x0010; id <= 0x001F; ++id) {
        wxTEST_DIALOG(dlg.OnSysCommand(id), ExpectAboutBox(opened));
    }
    EXPECT_EQ(opened, 16);

    // Neighbouring ids open nothing (an unexpected dialog fails the test).
    for (const int id : {0x0000, 0x000F, 0x0020, 0x0110, 0xF010}) {
        dlg.OnSysCommand(id);
    }
    EXPECT_TRUE(dlg.IsShown());
    EXPECT_EQ(FieldText(dlg, IDC_EMAIL_USER), "User");
    EXPECT_EQ(FieldText(dlg, IDC_EMAIL_NAME), "Support");
}

TEST(WindowMenu, CloseEndsTheDialogAsTheCloseButtonDoes)
{
    for (const int id : {SC_CLOSE, SC_CLOSE | 0x2}) {
        CEncoderDlg dlg;
        ShowAndSettle(dlg);
        int cancels = 0;
        dlg.Bind(
            wxEVT_BUTTON,
            [&](wxCommandEvent& event) {
                ++cancels;
                event.Skip();
            },
            wxID_CANCEL);
        dlg.OnSysCommand(id);
        EXPECT_TRUE(PumpUntil([&] { return !dlg.IsShown(); })) << id;
        EXPECT_EQ(cancels, 1);
    }
}

TEST(WindowMenu, OpensOnARightClickOnTheBackground)
{
    CEncoderDlg dlg;
    ShowAndSettle(dlg);
    wxUIActionSimulator sim;
    // The margin right of the group boxes is the window's own background.
    sim.MouseMove(dlg.ClientToScreen(dlg.ConvertDialogToPixels(wxPoint(317, 100))));
    PumpEvents(50);
    Later choose([&] { sim.Char('c'); });
    choose.StartOnce(400);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
    EXPECT_TRUE(PumpUntil([&] { return !dlg.IsShown(); }));
}

TEST(WindowMenu, TextFieldsKeepTheirOwnMenus)
{
    CEncoderDlg dlg;
    ShowAndSettle(dlg);
    wxUIActionSimulator sim;
    const wxWindow* field = dlg.FindWindow(IDC_EMAIL_SUBJECT);
    sim.MouseMove(field->ClientToScreen(wxPoint(field->GetSize().x - 10, field->GetSize().y / 2)));
    PumpEvents(50);
    // 'c' would choose Close in the window menu; the field's own menu takes
    // it for Copy.
    Later choose([&] { sim.Char('c'); });
    choose.StartOnce(400);
    sim.MouseClick(wxMOUSE_BTN_RIGHT);
    PumpEvents(800);
    EXPECT_TRUE(dlg.IsShown());
}

TEST(WindowMenu, OpensFromTheKeyboardAndItsAboutEntryOpensTheAboutBox)
{
    CEncoderDlg dlg;
    ShowAndSettle(dlg);
    wxUIActionSimulator sim;
    int opened = 0;
    for (const int modifier : {wxMOD_SHIFT, wxMOD_ALT}) {
        const int key = modifier == wxMOD_SHIFT ? WXK_F10 : WXK_SPACE;
        Later choose([&] { sim.Char('a'); });
        choose.StartOnce(400);
        wxTEST_DIALOG(
            {
                sim.Char(key, modifier);
                PumpUntil([&] { return opened > 0; });
            },
            ExpectAboutBox(opened));
        EXPECT_EQ(opened, 1) << modifier;
        opened = 0;
    }
    EXPECT_TRUE(dlg.IsShown());
    EXPECT_EQ(FieldText(dlg, IDC_EMAIL_USER), "User");
}
