#include "EncoderDlgFixture.h"

#include <map>
#include <tuple>

using namespace quillveil;

namespace {

const int ModeBoxes[] = {IDC_MODE_EMAIL, IDC_MODE_LINK, IDC_MODE_TEXT};
const int InputFields[] = {IDC_EMAIL_USER,    IDC_EMAIL_DOMAIN, IDC_EMAIL_NAME,
                           IDC_EMAIL_SUBJECT, IDC_LINK,         IDC_TEXT};

int BoxOf(EncoderMode mode)
{
    switch (mode) {
    case EncoderMode::Email:
        return IDC_MODE_EMAIL;
    case EncoderMode::Link:
        return IDC_MODE_LINK;
    case EncoderMode::AnyText:
        return IDC_MODE_TEXT;
    }
    return 0;
}

bool EnabledIn(EncoderMode mode, int field)
{
    switch (mode) {
    case EncoderMode::Email:
        return field != IDC_LINK && field != IDC_TEXT;
    case EncoderMode::Link:
        return field == IDC_LINK;
    case EncoderMode::AnyText:
        return field == IDC_TEXT;
    }
    return false;
}

} // namespace

class ModeSelectionTest : public EncoderDlgTest {
protected:
    /// Gives every field a text of its own so a lost text shows.
    void FillEveryField()
    {
        for (int id : InputFields) {
            SetText(id, "typed into " + std::to_string(id));
        }
        SetText(IDC_CODE, "code kept");
    }

    void ExpectMode(EncoderMode mode)
    {
        EXPECT_EQ(dlg->GetMode(), mode);
        for (int box : ModeBoxes) {
            EXPECT_EQ(ModeBox(box)->GetValue(), box == BoxOf(mode)) << "mode box " << box;
            EXPECT_TRUE(ModeBox(box)->IsEnabled()) << "mode box " << box;
        }
        for (int id : InputFields) {
            EXPECT_EQ(Field(id)->IsEnabled(), EnabledIn(mode, id)) << "field " << id;
            EXPECT_EQ(Text(id), "typed into " + std::to_string(id)) << "field " << id;
        }
        EXPECT_EQ(Text(IDC_CODE), "code kept");
        EXPECT_TRUE(Field(IDC_CODE)->IsEnabled());
    }

    void EnterMode(EncoderMode mode)
    {
        if (dlg->GetMode() != mode) {
            Toggle(BoxOf(mode));
        }
        ASSERT_EQ(dlg->GetMode(), mode);
    }
};

TEST_F(ModeSelectionTest, EveryTransitionOfTheTableKeepsTextsAndFocus)
{
    const EncoderMode modes[] = {EncoderMode::Email, EncoderMode::Link, EncoderMode::AnyText};
    FillEveryField();
    for (EncoderMode from : modes) {
        for (EncoderMode to : modes) {
            SCOPED_TRACE(testing::Message()
                         << "from " << static_cast<int>(from) << " to " << static_cast<int>(to));
            EnterMode(from);
            Button(IDC_COPY)->SetFocus();
            PumpEvents(10);
            // A click on the current mode's box clears it first; the handler
            // must put it back and touch nothing else.
            Toggle(BoxOf(to));
            ExpectMode(to);
            EXPECT_EQ(FocusId(), IDC_COPY);
            EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Preview");
        }
    }
}

TEST_F(ModeSelectionTest, RealMouseClicksSwitchModesAndCannotClearTheCurrentOne)
{
    FillEveryField();
    ClickWithMouse(ModeBox(IDC_MODE_EMAIL));
    ExpectMode(EncoderMode::Email);

    ClickWithMouse(ModeBox(IDC_MODE_LINK));
    ExpectMode(EncoderMode::Link);
    ClickWithMouse(ModeBox(IDC_MODE_LINK));
    ExpectMode(EncoderMode::Link);

    ClickWithMouse(ModeBox(IDC_MODE_TEXT));
    ExpectMode(EncoderMode::AnyText);
    ClickWithMouse(ModeBox(IDC_MODE_EMAIL));
    ExpectMode(EncoderMode::Email);
}

TEST_F(ModeSelectionTest, SpaceOnAFocusedModeBoxSwitchesToIt)
{
    FillEveryField();
    ModeBox(IDC_MODE_TEXT)->SetFocus();
    PumpEvents(20);
    sim.Char(' ');
    EXPECT_TRUE(PumpUntil([&] { return dlg->GetMode() == EncoderMode::AnyText; }));
    ExpectMode(EncoderMode::AnyText);
}

TEST_F(ModeSelectionTest, SwitchingWhileThePreviewViewShowsKeepsIt)
{
    FillEveryField();
    Press(IDC_PREVIEW);
    Toggle(IDC_MODE_LINK);
    EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Code");
    EXPECT_FALSE(Field(IDC_CODE)->IsShown());
}

// States that no click can produce still read in a fixed order.
TEST_F(EncoderDlgTest, GetModeAsksTheEmailBoxThenTheLinkBox)
{
    const struct {
        bool email, link, text;
        EncoderMode expected;
    } cases[] = {
        {true, true, false, EncoderMode::Email},     {true, true, true, EncoderMode::Email},
        {true, false, true, EncoderMode::Email},     {false, true, true, EncoderMode::Link},
        {false, false, false, EncoderMode::AnyText}, {false, false, true, EncoderMode::AnyText},
    };
    for (const auto& c : cases) {
        ModeBox(IDC_MODE_EMAIL)->SetValue(c.email);
        ModeBox(IDC_MODE_LINK)->SetValue(c.link);
        ModeBox(IDC_MODE_TEXT)->SetValue(c.text);
        EXPECT_EQ(dlg->GetMode(), c.expected) << c.email << c.link << c.text;
    }
}
