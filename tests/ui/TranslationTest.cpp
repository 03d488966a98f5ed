#include "DialogTestHook.h"
#include "EncoderDlgFixture.h"

#include "CAboutDlg.h"
#include "WindowCatalog.h"

#include <wx/msgdlg.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/translation.h>

#include <clocale>
#include <cstdlib>
#include <set>
#include <vector>

using namespace quillveil;

namespace {

/// What the main window shows in one language, in template order.
struct WindowTexts {
    const char* language; ///< the value of LANGUAGE
    std::vector<std::string> buttons;
    std::vector<std::string> groupCaptions;
    std::vector<std::string> labels;
    std::string codeCaption;
    std::string emptyTextWarning;
    std::string aboutCaption;
};

std::ostream& operator<<(std::ostream& out, const WindowTexts& texts)
{
    return out << texts.language;
}

/// Answers the warning box with OK and keeps its message.
class RecordWarning : public wxExpectModalBase<wxMessageDialog, RecordWarning> {
public:
    explicit RecordWarning(std::string& message) : m_message(&message) {}

protected:
    int OnInvoked(wxMessageDialog* box) const override
    {
        *m_message = box->GetMessage().utf8_string();
        return wxID_OK;
    }

private:
    std::string* m_message;
};

template <class Control> std::vector<wxWindow*> ChildrenOf(const wxWindow& window)
{
    std::vector<wxWindow*> found;
    for (wxWindow* child : window.GetChildren()) {
        if (dynamic_cast<Control*>(child) != nullptr) {
            found.push_back(child);
        }
    }
    return found;
}

std::vector<std::string> LabelsOf(const std::vector<wxWindow*>& controls)
{
    std::vector<std::string> labels;
    for (const wxWindow* control : controls) {
        labels.push_back(control->GetLabel().utf8_string());
    }
    return labels;
}

/// Every control lies inside the client area, and none covers another; group
/// boxes and separators frame others and are left out.
void ExpectLaidOutWithoutOverlap(const wxWindow& dialog)
{
    const wxRect client(wxPoint(0, 0), dialog.GetClientSize());
    std::vector<const wxWindow*> controls;
    for (const wxWindow* child : dialog.GetChildren()) {
        if (child->IsShown() && dynamic_cast<const wxStaticBox*>(child) == nullptr &&
            child->GetRect().GetHeight() > 2) {
            controls.push_back(child);
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const wxRect rect = controls[i]->GetRect();
        EXPECT_TRUE(client.Contains(rect))
            << controls[i]->GetLabel().utf8_string() << " leaves the window";
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(rect.Intersects(controls[j]->GetRect()))
                << controls[i]->GetLabel().utf8_string() << " overlaps "
                << controls[j]->GetLabel().utf8_string();
        }
    }
}

} // namespace

/// The main dialog built with the program's catalogs in use, LANGUAGE set as
/// the parameter says and the messages' locale taken from the environment, as
/// the program does at start.
class TranslatedWindowTest : public EncoderDlgTest,
                             public testing::WithParamInterface<WindowTexts> {
protected:
    void SetUp() override
    {
        setenv("LANGUAGE", GetParam().language, 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        UseWindowCatalog(QUILLVEIL_BUILD_LOCALE_DIR);
        EncoderDlgTest::SetUp();
    }

    void TearDown() override
    {
        EncoderDlgTest::TearDown();
        wxTranslations::Set(nullptr);
        std::setlocale(LC_MESSAGES, "C");
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
    }
};

TEST_P(TranslatedWindowTest, ShowsEveryTextInTheLanguageWithDistinctAccessKeys)
{
    const WindowTexts& expected = GetParam();
    EXPECT_EQ(dlg->GetTitle(), "Quillveil");
    EXPECT_EQ(LabelsOf({Button(IDC_GENERATE), Button(IDC_PREVIEW), Button(IDC_COPY),
                        Button(wxID_CANCEL)}),
              expected.buttons);
    EXPECT_EQ(LabelsOf(ChildrenOf<wxStaticBox>(*dlg)), expected.groupCaptions);
    EXPECT_EQ(LabelsOf(ChildrenOf<wxStaticText>(*dlg)), expected.labels);

    Press(IDC_PREVIEW);
    EXPECT_EQ(Button(IDC_PREVIEW)->GetLabel().utf8_string(), expected.codeCaption);
    Press(IDC_PREVIEW);

    // Alt and a letter reaches one control only, the Preview button's other caption included.
    std::set<wxUniChar> keys;
    std::vector<std::string> captions = expected.buttons;
    captions.insert(captions.end(), expected.groupCaptions.begin(), expected.groupCaptions.end());
    captions.push_back(expected.codeCaption);
    for (const std::string& caption : captions) {
        wxString shown;
        const int at = wxControl::FindAccelIndex(wxString::FromUTF8(caption), &shown);
        ASSERT_GE(at, 0) << caption << " has no access key";
        EXPECT_TRUE(keys.insert(wxToupper(shown[static_cast<std::size_t>(at)])).second)
            << caption << " shares its access key";
    }
    ExpectLaidOutWithoutOverlap(*dlg);

    // Core words the warning in English; the window shows it translated.
    Toggle(IDC_MODE_TEXT);
    std::string warning;
    wxTEST_DIALOG(Press(IDC_GENERATE), RecordWarning(warning));
    EXPECT_EQ(warning, expected.emptyTextWarning);

    CAboutDlg about(dlg);
    EXPECT_EQ(about.GetTitle().utf8_string(), expected.aboutCaption);
    ExpectLaidOutWithoutOverlap(about);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TranslatedWindowTest,
    testing::Values(
        // Exactly the English of the design wherever the C locale's texts are asked for.
        WindowTexts{"C",
                    {"&Generate Code", "&Preview", "&Copy", "Cl&ose"},
                    {" &E-mail ", " &Link ", " &Any Text "},
                    {"Address", "@", "Display Name", "Subject"},
                    "Co&de",
                    "Text field is empty",
                    "About Quillveil"},
        WindowTexts{"de",
                    {"Code &generieren", "&Vorschau", "&Kopieren", "&Schließen"},
                    {" &E-Mail ", " &Link ", " &Beliebiger Text "},
                    {"Adresse", "@", "Anzeigename", "Betreff"},
                    "Co&de",
                    "Das Textfeld ist leer",
                    "Über Quillveil"},
        // The longest of the catalogs' captions and labels.
        WindowTexts{"es",
                    {"&Generar código", "&Vista previa", "Co&piar", "Ce&rrar"},
                    {" &Correo electrónico ", " &Enlace ", " Cualquier &texto "},
                    {"Dirección", "@", "Nombre visible", "Asunto"},
                    "Có&digo",
                    "El campo Texto está vacío",
                    "Acerca de Quillveil"}),
    [](const testing::TestParamInfo<WindowTexts>& param) {
        return std::string(param.param.language);
    });
