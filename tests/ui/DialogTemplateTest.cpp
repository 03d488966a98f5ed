#include "EncoderDlgFixture.h"

#include "CLargeCodeView.h"
#include "platform/CHtmlView.h"
#include "platform/DialogTemplate.h"
#include "res/AppIcons.h"
#include "res/MainDialogTemplate.h"

#include <wx/dialog.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <vector>

using namespace quillveil;

namespace {

wxRect TemplateRect(const wxWindow& dialog, const DialogRect& rect)
{
    return {dialog.ConvertDialogToPixels(wxPoint(rect.x, rect.y)),
            dialog.ConvertDialogToPixels(wxSize(rect.width, rect.height))};
}

/// The dialog's children made from its template: all but the preview pane and
/// the view that stands in for the output box when a code is too large for it.
std::vector<wxWindow*> Children(const wxWindow& dialog)
{
    std::vector<wxWindow*> children;
    for (wxWindow* child : dialog.GetChildren()) {
        if (dynamic_cast<CHtmlView*>(child) == nullptr &&
            dynamic_cast<CLargeCodeView*>(child) == nullptr) {
            children.push_back(child);
        }
    }
    return children;
}

} // namespace

TEST_F(EncoderDlgTest, TemplateControlsAreCreatedInOrderWithTheirIdsAndTexts)
{
    const DialogTemplate& form = MainDialogTemplate();
    const std::vector<wxWindow*> children = Children(*dlg);
    ASSERT_EQ(children.size(), form.controls.size());
    ASSERT_EQ(children.size(), 21u);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ControlTemplate& control = form.controls[i];
        SCOPED_TRACE(std::string(control.text) + " #" + std::to_string(i + 1));
        if (control.id != IDC_STATIC) {
            EXPECT_EQ(children[i]->GetId(), control.id);
        }
        if (control.kind != ControlKind::Edit) {
            EXPECT_EQ(children[i]->GetLabel().utf8_string(), control.text);
        }
    }
}

// GTK's controls want more room than some template rectangles give: nothing
// may be clipped, fields keep their exact rectangles, and nothing that grew
// may run into a neighbour.
TEST_F(EncoderDlgTest, LayoutKeepsTemplateRectanglesWithoutClippingOrOverlap)
{
    const DialogTemplate& form = MainDialogTemplate();
    const std::vector<wxWindow*> children = Children(*dlg);
    ASSERT_EQ(children.size(), form.controls.size());
    std::vector<wxRect> solid;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ControlTemplate& control = form.controls[i];
        SCOPED_TRACE(std::string(control.text) + " #" + std::to_string(i + 1));
        const wxRect wanted = TemplateRect(*dlg, control.rect);
        const wxRect actual = children[i]->GetRect();
        if (control.kind == ControlKind::Edit || control.kind == ControlKind::GroupBox) {
            EXPECT_EQ(actual, wanted);
        } else {
            EXPECT_GE(actual.width, children[i]->GetBestSize().x);
            EXPECT_GE(actual.height, children[i]->GetBestSize().y);
            EXPECT_TRUE(actual.Contains(wanted));
        }
        EXPECT_TRUE(wxRect(dlg->GetClientSize()).Contains(actual));
        if (control.kind != ControlKind::GroupBox) {
            for (const wxRect& other : solid) {
                EXPECT_FALSE(actual.Intersects(other)) << "overlaps a control before it";
            }
            solid.push_back(actual);
        }
    }
}

TEST_F(EncoderDlgTest, ModeBoxesSitOnTheirFramesTopLeftCorners)
{
    const std::vector<wxWindow*> children = Children(*dlg);
    for (wxWindow* child : children) {
        auto* group = dynamic_cast<wxStaticBox*>(child);
        if (group == nullptr) {
            continue;
        }
        SCOPED_TRACE(group->GetLabel().utf8_string());
        // Each group box is followed, eventually, by the mode box on its corner.
        wxWindow* box = nullptr;
        for (wxWindow* candidate : children) {
            if (dynamic_cast<wxCheckBox*>(candidate) &&
                candidate->GetRect().Contains(group->GetPosition() + wxSize(1, 1))) {
                box = candidate;
            }
        }
        ASSERT_NE(box, nullptr) << "no mode box on the corner";
        const wxRect frame = group->GetRect();
        const wxRect corner = box->GetRect();
        const int frameTop = frame.y + group->GetCharHeight() / 2;
        EXPECT_LT(corner.x, frame.x);
        EXPECT_GT(corner.GetRight(), frame.x);
        EXPECT_LE(corner.y, frameTop);
        EXPECT_GE(corner.GetBottom(), frameTop);
    }
}

// The kinds the About box uses, built into a dialog of their own.
TEST(DialogTemplate, BuildsDefaultButtonLabelIconAndLine)
{
    static constexpr ControlTemplate controls[] = {
        {1, ControlKind::Icon, "", {8, 5, 20, 20}, RealSizeImage, IDI_ABOUT},
        {2, ControlKind::Label, "A & B", {101, 9, 80, 8}, NoPrefix},
        {wxID_OK, ControlKind::DefPushButton, "OK", {186, 96, 56, 16}},
        {3, ControlKind::EtchedLine, "", {2, 88, 246, 1}},
        {4, ControlKind::Icon, "", {8, 30, 20, 20}, NoStyle, IDR_MAINFRAME},
    };
    static constexpr DialogTemplate about{100, "About", 250, 119, controls};
    wxDialog dialog(nullptr, wxID_ANY, "About");
    CreateDialogControls(dialog, about);

    EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(250, 119)));
    EXPECT_EQ(dynamic_cast<wxStaticText*>(dialog.FindWindow(2))->GetLabelText(), "A & B");
    auto* ok = dynamic_cast<wxButton*>(dialog.FindWindow(wxID_OK));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(dialog.GetDefaultItem(), ok);
    const wxRect line = dialog.FindWindow(3)->GetRect();
    EXPECT_EQ(line.width, dialog.ConvertDialogToPixels(wxSize(246, 0)).x);
    EXPECT_LE(line.height, 2);

    const wxIconBundle large = LoadIconGroup(IDI_ABOUT);
    ASSERT_FALSE(large.IsEmpty());
    EXPECT_EQ(dialog.FindWindow(1)->GetSize(), wxSize(128, 128));
    // Without the real-size flag the picture fills the template rectangle.
    EXPECT_EQ(dialog.FindWindow(4)->GetSize(), dialog.ConvertDialogToPixels(wxSize(20, 20)));
    EXPECT_TRUE(dynamic_cast<wxStaticBitmap*>(dialog.FindWindow(4))->GetBitmap().IsOk());
}
