#include "ClipboardSupport.h"
#include "DialogTestHook.h"
#include "EncoderDlgFixture.h"

#include "CodeGenerator.h"

#include <wx/msgdlg.h>

using namespace quillveil;

namespace {

/// Expects the warning box: owned by the dialog, caption "Quillshroud", the
/// message, an exclamation icon and nothing but OK; answers OK.
class ExpectWarning : public wxExpectModalBase<wxMessageDialog, ExpectWarning> {
public:
    ExpectWarning(wxWindow* owner, std::string message)
        : m_owner(owner), m_message(std::move(message))
    {}

protected:
    int OnInvoked(wxMessageDialog* box) const override
    {
        EXPECT_EQ(box->GetParent(), m_owner);
        EXPECT_EQ(box->GetCaption(), "Quillshroud");
        EXPECT_EQ(box->GetMessage().utf8_string(), m_message);
        const long style = box->GetMessageDialogStyle();
        EXPECT_NE(style & wxICON_EXCLAMATION, 0);
        EXPECT_EQ(style & (wxICON_ERROR | wxICON_INFORMATION | wxICON_QUESTION), 0);
        EXPECT_EQ(style & (wxCANCEL | wxYES_NO | wxHELP), 0);
        return wxID_OK;
    }

private:
    wxWindow* m_owner;
    std::string m_message;
};

} // namespace

class GenerateTest : public EncoderDlgTest {
protected:
    void ChooseMode(int box)
    {
        if (!ModeBox(box)->GetValue()) {
            Toggle(box);
        }
    }
};

TEST_F(GenerateTest, WritesTheCodeOfEachModeAndLeavesTheFocus)
{
    const struct {
        int box;
        int field;
        std::string input;
        std::string code;
    } cases[] = {
        {IDC_MODE_EMAIL, 0, "",
         "<a href=\"&#109;&#97;&#105;&#108;&#116;&#111;&#58;&#97;&#64;&#98;\">&#99;</a>"},
        {IDC_MODE_LINK, IDC_LINK, "<a href=\"x\">x</a>", "<a href=\"&#120;\">&#120;</a>"},
        {IDC_MODE_TEXT, IDC_TEXT, " <b> ", "&#60;&#98;&#62;"},
    };
    SetText(IDC_EMAIL_USER, "a");
    SetText(IDC_EMAIL_DOMAIN, "b");
    SetText(IDC_EMAIL_NAME, " c ");
    SetText(IDC_EMAIL_SUBJECT, "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        ChooseMode(c.box);
        if (c.field != 0) {
            SetText(c.field, c.input);
        }
        SetText(IDC_CODE, "earlier");
        Button(IDC_COPY)->SetFocus();
        PumpEvents(10);
        Press(IDC_GENERATE);
        EXPECT_EQ(Text(IDC_CODE), c.code);
        EXPECT_EQ(FocusId(), IDC_COPY);
    }
}

TEST_F(GenerateTest, HandsTheFieldsOverUntrimmedAndOnlyAsTyped)
{
    // Inner line breaks and non-ASCII text reach the generator unchanged.
    ChooseMode(IDC_MODE_TEXT);
    SetText(IDC_TEXT, "  line one\nline \xC3\xA9 two  ");
    Press(IDC_GENERATE);
    EncoderForm form;
    form.text = "  line one\nline \xC3\xA9 two  ";
    EXPECT_EQ(Text(IDC_CODE), GenerateCode(EncoderMode::AnyText, form).GetCode());
}

TEST_F(GenerateTest, AWarningShowsTheBoxKeepsTheCodeAndFocusesTheField)
{
    const struct {
        int box;
        int field;
        std::string value;
        std::string message;
    } cases[] = {
        {IDC_MODE_EMAIL, IDC_EMAIL_USER, "  ", "E-mail User field is empty"},
        {IDC_MODE_EMAIL, IDC_EMAIL_DOMAIN, "", "E-mail Domain field is empty"},
        {IDC_MODE_EMAIL, IDC_EMAIL_NAME, "\n", "E-mail Display Name field is empty"},
        {IDC_MODE_LINK, IDC_LINK, " ", "Link field is empty"},
        {IDC_MODE_LINK, IDC_LINK, "<a title=\"x\">y</a>",
         "Invalid link, please specify 'href' attribute"},
        {IDC_MODE_LINK, IDC_LINK, "<a href=\"mailto:me@x.org>Mail</a>",
         "Invalid link, the 'href' value is not closed"},
        {IDC_MODE_TEXT, IDC_TEXT, "\t", "Text field is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        SetText(IDC_EMAIL_USER, "u");
        SetText(IDC_EMAIL_DOMAIN, "d");
        SetText(IDC_EMAIL_NAME, "n");
        ChooseMode(c.box);
        SetText(c.field, c.value);
        SetText(IDC_CODE, "earlier code");
        Button(IDC_GENERATE)->SetFocus();
        PumpEvents(10);

        wxTEST_DIALOG(Press(IDC_GENERATE), ExpectWarning(dlg, c.message));
        PumpEvents(20);
        EXPECT_EQ(FocusId(), c.field);
        EXPECT_EQ(Text(IDC_CODE), "earlier code");
        EXPECT_EQ(Text(c.field), c.value);
    }
}

TEST_F(GenerateTest, ReturnsToTheCodeViewFirstEvenOnAWarning)
{
    SetText(IDC_EMAIL_USER, "a");
    SetText(IDC_EMAIL_DOMAIN, "b");
    SetText(IDC_EMAIL_NAME, "c");
    Press(IDC_PREVIEW);
    ASSERT_FALSE(Field(IDC_CODE)->IsShown());
    Press(IDC_GENERATE);
    EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Preview");
    EXPECT_TRUE(Field(IDC_CODE)->IsShown());

    Press(IDC_PREVIEW);
    SetText(IDC_EMAIL_USER, "");
    wxTEST_DIALOG(Press(IDC_GENERATE), ExpectWarning(dlg, "E-mail User field is empty"));
    EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Preview");
    EXPECT_TRUE(Field(IDC_CODE)->IsShown());
}

TEST_F(EncoderDlgTest, PreviewWithoutAPaneHidesAndShowsTheOutputBox)
{
    SetText(IDC_CODE, "kept");
    for (int round = 0; round < 3; ++round) {
        Press(IDC_PREVIEW);
        EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Code");
        EXPECT_FALSE(Field(IDC_CODE)->IsShown());
        Press(IDC_PREVIEW);
        EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Preview");
        EXPECT_TRUE(Field(IDC_CODE)->IsShown());
    }
    EXPECT_EQ(Text(IDC_CODE), "kept");

    // An empty box toggles the same way.
    SetText(IDC_CODE, "");
    Press(IDC_PREVIEW);
    EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Code");
    EXPECT_FALSE(Field(IDC_CODE)->IsShown());
}

TEST_F(EncoderDlgTest, CopyPutsTheOutputBoxTextOnTheClipboardByteForByte)
{
    const std::string code = "&#97;\nline two \xC3\xA9\xE2\x80\x94 typed by hand";
    SetText(IDC_CODE, code);
    Press(IDC_COPY);
    EXPECT_EQ(ReadClipboard(), code);

    // Also from the preview view, where the box is hidden.
    SetText(IDC_CODE, "second");
    Press(IDC_PREVIEW);
    Press(IDC_COPY);
    EXPECT_EQ(ReadClipboard(), "second");
}

TEST_F(EncoderDlgTest, CopyOfAnEmptyOutputBoxLeavesTheClipboardAlone)
{
    PutOnClipboard("someone else's text");
    ASSERT_EQ(ReadClipboard(), "someone else's text");
    SetText(IDC_CODE, "");
    Press(IDC_COPY);
    EXPECT_EQ(ReadClipboard(), "someone else's text");
}
