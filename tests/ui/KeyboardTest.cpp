#include "EncoderDlgFixture.h"

#include <wx/statbox.h>

#include <set>
#include <vector>

using namespace quillveil;

namespace {

/// Waits longer than GTK's delay before a key activates a button.
void PumpPastActivationDelay()
{
    PumpEvents(500);
}

} // namespace

TEST_F(EncoderDlgTest, EnterInAOneLineFieldOrOnAModeBoxDoesNothing)
{
    for (int id : {IDC_EMAIL_USER, IDC_EMAIL_SUBJECT, IDC_MODE_EMAIL, IDC_MODE_LINK}) {
        SCOPED_TRACE(id);
        dlg->FindWindow(id)->SetFocus();
        PumpEvents(20);
        sim.Char(WXK_RETURN);
        PumpPastActivationDelay();
        EXPECT_TRUE(dlg->IsShown());
        EXPECT_EQ(Text(IDC_CODE), "");
        EXPECT_EQ(dlg->GetMode(), EncoderMode::Email);
        EXPECT_EQ(Text(IDC_EMAIL_USER), "User");
    }
}

TEST_F(EncoderDlgTest, EnterStartsANewLineInTheMultiLineFields)
{
    Toggle(IDC_MODE_LINK);
    for (int id : {IDC_LINK, IDC_CODE}) {
        SCOPED_TRACE(id);
        SetText(id, "ab");
        Field(id)->SetFocus();
        Field(id)->SetInsertionPoint(1);
        PumpEvents(20);
        sim.Char(WXK_RETURN);
        EXPECT_TRUE(PumpUntil([&] { return Text(id) == "a\nb"; }));
        EXPECT_TRUE(dlg->IsShown());
    }
}

// Shown without a modal loop here, the dialog ends by hiding; a modal run
// returns the same Cancel (the end-to-end test checks that).
class EndingTest : public EncoderDlgTest {
protected:
    void SetUp() override
    {
        EncoderDlgTest::SetUp();
        dlg->Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
            cancels += event.GetId() == wxID_CANCEL ? 1 : 0;
            event.Skip();
        });
    }

    void ExpectEndedByOneCancel()
    {
        EXPECT_TRUE(PumpUntil([&] { return !dlg->IsShown(); }));
        EXPECT_EQ(cancels, 1);
        cancels = 0;
    }

    int cancels = 0;
};

TEST_F(EndingTest, EscapeEndsTheDialogAsCancel)
{
    for (int id : {IDC_EMAIL_USER, IDC_CODE, IDC_MODE_LINK}) {
        SCOPED_TRACE(id);
        dlg->Show();
        dlg->FindWindow(id)->SetFocus();
        PumpEvents(30);
        sim.Char(WXK_ESCAPE);
        ExpectEndedByOneCancel();
    }
}

TEST_F(EndingTest, CloseButtonAndCloseBoxEndTheDialogAsCancel)
{
    ClickWithMouse(Button(wxID_CANCEL));
    ExpectEndedByOneCancel();

    dlg->Show();
    PumpEvents(50);
    dlg->Close();
    ExpectEndedByOneCancel();
}

TEST_F(EncoderDlgTest, TabFollowsTemplateOrderAndSkipsDisabledFields)
{
    auto walk = [&](int count, int modifiers) {
        std::vector<int> order;
        for (int i = 0; i < count; ++i) {
            sim.Char(WXK_TAB, modifiers);
            PumpEvents(30);
            order.push_back(FocusId());
        }
        return order;
    };
    Button(IDC_GENERATE)->SetFocus();
    PumpEvents(20);
    const std::vector<int> forward = {IDC_EMAIL_USER,    IDC_EMAIL_DOMAIN, IDC_EMAIL_NAME,
                                      IDC_EMAIL_SUBJECT, IDC_CODE,         IDC_PREVIEW,
                                      IDC_COPY,          wxID_CANCEL,      IDC_MODE_EMAIL,
                                      IDC_MODE_LINK,     IDC_MODE_TEXT,    IDC_GENERATE};
    EXPECT_EQ(walk(12, wxMOD_NONE), forward);

    Toggle(IDC_MODE_TEXT);
    Button(IDC_GENERATE)->SetFocus();
    PumpEvents(20);
    EXPECT_EQ(walk(3, wxMOD_SHIFT),
              (std::vector<int>{IDC_MODE_TEXT, IDC_MODE_LINK, IDC_MODE_EMAIL}));
    Button(IDC_GENERATE)->SetFocus();
    PumpEvents(20);
    EXPECT_EQ(walk(3, wxMOD_NONE), (std::vector<int>{IDC_TEXT, IDC_CODE, IDC_PREVIEW}));
}

// Alt and a letter presses each button and chooses each mode, as a click
// would; no letter serves twice, the Preview button's "Code" caption included.
TEST_F(EncoderDlgTest, AccessKeysPressEveryButtonAndChooseEveryMode)
{
    std::vector<int> pressed;
    dlg->Bind(wxEVT_BUTTON, [&pressed](wxCommandEvent& event) {
        pressed.push_back(event.GetId());
        event.Skip();
    });
    auto pressedLast = [&pressed](int id) { return !pressed.empty() && pressed.back() == id; };
    std::vector<wxString> captions;
    for (wxWindow* child : dlg->GetChildren()) {
        if (dynamic_cast<wxButton*>(child) != nullptr || dynamic_cast<wxStaticBox*>(child)) {
            captions.push_back(child->GetLabel());
        }
    }

    const struct {
        char key;
        int box;
        EncoderMode mode;
    } modes[] = {{'l', IDC_MODE_LINK, EncoderMode::Link},
                 {'a', IDC_MODE_TEXT, EncoderMode::AnyText},
                 {'e', IDC_MODE_EMAIL, EncoderMode::Email}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.key);
        Field(IDC_CODE)->SetFocus();
        PumpEvents(20);
        sim.Char(mode.key, wxMOD_ALT);
        EXPECT_TRUE(
            PumpUntil([&] { return dlg->GetMode() == mode.mode && FocusId() == mode.box; }));
        EXPECT_TRUE(ModeBox(mode.box)->GetValue());
    }

    sim.Char('g', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return pressedLast(IDC_GENERATE) && !Text(IDC_CODE).empty(); }));
    sim.Char('p', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return Button(IDC_PREVIEW)->GetLabelText() == "Code"; }));
    captions.push_back(Button(IDC_PREVIEW)->GetLabel());
    sim.Char('d', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return Button(IDC_PREVIEW)->GetLabelText() == "Preview"; }));
    sim.Char('c', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return pressedLast(IDC_COPY); }));
    sim.Char('o', wxMOD_ALT);
    EXPECT_TRUE(PumpUntil([&] { return pressedLast(wxID_CANCEL) && !dlg->IsShown(); }));

    std::set<wxUniChar> keys;
    for (const wxString& caption : captions) {
        SCOPED_TRACE(caption.utf8_string());
        wxString shown;
        const int index = wxControl::FindAccelIndex(caption, &shown);
        ASSERT_GE(index, 0) << "no access key";
        EXPECT_TRUE(keys.insert(wxToupper(shown[static_cast<std::size_t>(index)])).second)
            << "its key serves another control too";
    }
}
