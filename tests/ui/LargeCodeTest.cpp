#include "ClipboardSupport.h"
#include "EncoderDlgFixture.h"

#include "CLargeCodeView.h"
#include "COutputBox.h"
#include "CodeGenerator.h"
#include "platform/CHtmlView.h"

#include <wx/log.h>
#include <wx/webview.h>

using namespace quillveil;

namespace {

/// Any text whose code is exactly `codeBytes` long.
std::string TextWithCodeSize(std::size_t codeBytes)
{
    // "a" becomes 5 bytes of code, "x" 6.
    const std::size_t sixes = codeBytes % 5;
    return std::string((codeBytes - 6 * sixes) / 5, 'a') + std::string(sixes, 'x');
}

} // namespace

class LargeCodeTest : public EncoderDlgTest {
protected:
    /// Generates the code of `text` in Any Text mode; returns the code.
    std::string Generate(const std::string& text)
    {
        if (!ModeBox(IDC_MODE_TEXT)->GetValue()) {
            Toggle(IDC_MODE_TEXT);
        }
        SetText(IDC_TEXT, text);
        Press(IDC_GENERATE);
        PumpEvents(50);
        EncoderForm form;
        form.text = text;
        return GenerateCode(EncoderMode::AnyText, form).GetCode();
    }

    CLargeCodeView* View() const
    {
        for (wxWindow* child : dlg->GetChildren()) {
            if (auto* view = dynamic_cast<CLargeCodeView*>(child)) {
                return view;
            }
        }
        ADD_FAILURE() << "no large-code view";
        return nullptr;
    }

    /// The text of the preview pane's page, once it has one.
    std::string PreviewText()
    {
        auto* pane = dynamic_cast<CHtmlView*>(dlg->FindWindow(CHtmlView::PaneId));
        if (pane == nullptr || !pane->IsShown()) {
            return "<no pane shown>";
        }
        wxString text;
        wxLogNull quiet;
        return pane->GetWebView().RunScript("document.body.textContent", &text) ? text.utf8_string()
                                                                                : "<script failed>";
    }
};

// The box holds code of any size: the editable box up to its limit, the
// read-only view beyond it, back and forth; either way the keyboard's Select
// all and Copy, the Copy button and Preview all take the whole code.
TEST_F(LargeCodeTest, EveryCommandTakesTheWholeCodeOnEitherSideOfTheLimit)
{
    const std::string tail = "\n\xC3\xA9\xE2\x82\xAC\r\n";
    const std::string large(256 * 1024, 'q');
    for (const std::string& text :
         {TextWithCodeSize(COutputBox::EditableLimit + 1),
          TextWithCodeSize(COutputBox::EditableLimit), large + tail + large}) {
        const std::string code = Generate(text);
        const bool editable = code.size() <= COutputBox::EditableLimit;
        SCOPED_TRACE(testing::Message() << code.size() << " bytes of code");
        ASSERT_EQ(Field(IDC_CODE)->IsShown(), editable);
        ASSERT_EQ(View()->IsShown(), !editable);
        wxWindow* box = editable ? static_cast<wxWindow*>(Field(IDC_CODE)) : View();

        // Typing does nothing to the read-only view; Ctrl+A and Ctrl+C copy
        // all of the code in either form.
        PutOnClipboard("stale");
        ClickWithMouse(box);
        if (!editable) {
            sim.Char('z');
        }
        sim.Char('A', wxMOD_CONTROL);
        sim.Char('C', wxMOD_CONTROL);
        PumpEvents(100);
        EXPECT_TRUE(ReadClipboard() == code) << "Ctrl+A, Ctrl+C";

        PutOnClipboard("stale");
        Press(IDC_COPY);
        EXPECT_TRUE(ReadClipboard() == code) << "the Copy button";

        ASSERT_TRUE(
            PumpUntil([this] { return dlg->FindWindow(CHtmlView::PaneId) != nullptr; }, 10000));
        // The pane's first page may still be loading: the toggle is pressed
        // until the preview shows the text.
        const bool previewed = PumpUntil(
            [&] {
                Press(IDC_PREVIEW);
                const bool shown = PreviewText() == text;
                Press(IDC_PREVIEW);
                return shown;
            },
            10000);
        EXPECT_TRUE(previewed) << "Preview";
        EXPECT_TRUE(box->IsShown());
    }
}

// A large paste goes into a field whole at once, though it shows bit by bit:
// its value, typing after it and Generate all have all of it.
TEST_F(LargeCodeTest, ALargePasteIsWholeAtOnce)
{
    std::string text;
    for (int line = 0; text.size() < 1024 * 1024; ++line) {
        text += "line " + std::to_string(line) + " \xC3\xA9\xE6\xBC\xA2 of pasted text\n";
    }
    Toggle(IDC_MODE_TEXT);
    PutOnClipboard(text);
    ClickWithMouse(Field(IDC_TEXT));
    sim.Char('V', wxMOD_CONTROL);
    ASSERT_TRUE(PumpUntil([&] { return !Field(IDC_TEXT)->IsEmpty(); }, 10000));
    EXPECT_TRUE(Text(IDC_TEXT) == text) << Text(IDC_TEXT).size() << " of " << text.size();
    sim.Char('x');
    EXPECT_TRUE(PumpUntil([&] { return Text(IDC_TEXT) == text + "x"; }));
    Press(IDC_GENERATE);
    EncoderForm form;
    form.text = text + "x";
    EXPECT_TRUE(View()->GetCode() &&
                *View()->GetCode() == GenerateCode(EncoderMode::AnyText, form).GetCode());
}
