#include "EncoderDlgFixture.h"

#include "CodeGenerator.h"
#include "ProgramInfo.h"

using namespace quillveil;

TEST_F(EncoderDlgTest, StartsInEmailModeWithPresetsAndFocusOnGenerate)
{
    EXPECT_EQ(dlg->GetTitle(), "Quillveil");
    EXPECT_EQ(dlg->GetMode(), EncoderMode::Email);
    EXPECT_TRUE(ModeBox(IDC_MODE_EMAIL)->GetValue());
    EXPECT_FALSE(ModeBox(IDC_MODE_LINK)->GetValue());
    EXPECT_FALSE(ModeBox(IDC_MODE_TEXT)->GetValue());

    EXPECT_EQ(Text(IDC_EMAIL_USER), "User");
    EXPECT_EQ(Text(IDC_EMAIL_DOMAIN), "example.com");
    EXPECT_EQ(Text(IDC_EMAIL_NAME), "Support");
    EXPECT_EQ(Text(IDC_EMAIL_SUBJECT), "Test Subject");
    EXPECT_EQ(Text(IDC_LINK),
              "<a href=\"" + std::string(HomePageUrl) + "\" target=\"blank\">Home Page</a>");
    EXPECT_EQ(Text(IDC_TEXT), "");
    EXPECT_EQ(Text(IDC_CODE), "");

    for (int id : {IDC_EMAIL_USER, IDC_EMAIL_DOMAIN, IDC_EMAIL_NAME, IDC_EMAIL_SUBJECT, IDC_CODE}) {
        EXPECT_TRUE(Field(id)->IsEnabled()) << id;
    }
    EXPECT_FALSE(Field(IDC_LINK)->IsEnabled());
    EXPECT_FALSE(Field(IDC_TEXT)->IsEnabled());
    EXPECT_EQ(Button(IDC_PREVIEW)->GetLabelText(), "Preview");
    EXPECT_TRUE(Field(IDC_CODE)->IsShown());
    EXPECT_EQ(FocusId(), IDC_GENERATE);
}

TEST_F(EncoderDlgTest, EnterAtStartGeneratesThePresetAddress)
{
    EncoderForm preset;
    preset.user = "User";
    preset.domain = "example.com";
    preset.displayName = "Support";
    preset.subject = "Test Subject";
    const std::string expected = GenerateCode(EncoderMode::Email, preset).GetCode();

    SetText(IDC_CODE, "earlier");
    sim.Char(WXK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return Text(IDC_CODE) != "earlier"; }));
    EXPECT_EQ(Text(IDC_CODE), expected);
    EXPECT_TRUE(dlg->IsShown());
}

TEST_F(EncoderDlgTest, IsAFixedSizeWindowWithoutMinimiseOrMaximiseBox)
{
    const long style = dlg->GetWindowStyleFlag();
    EXPECT_EQ(style & (wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX), 0);
    EXPECT_NE(style & wxCLOSE_BOX, 0);
    EXPECT_EQ(dlg->GetClientSize(), dlg->ConvertDialogToPixels(wxSize(321, 282)));
    EXPECT_EQ(dlg->GetParent(), nullptr);
}
