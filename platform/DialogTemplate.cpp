#include "DialogTemplate.h"

#include "Accessibility.h"
#include "GradualPaste.h"
#include "res/AppIcons.h"

#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>
#include <wx/window.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace quillveil {

namespace {

/// A caption as a screen reader should say it: without the blanks around a
/// frame's caption or the access key's mark.
wxString ShownName(const wxString& text)
{
    return wxControl::RemoveMnemonics(text).Strip(wxString::both);
}

struct PixelRect {
    wxPoint position;
    wxSize size;
};

PixelRect ToPixels(const wxWindow& dialog, const DialogRect& rect)
{
    return {dialog.ConvertDialogToPixels(wxPoint(rect.x, rect.y)),
            dialog.ConvertDialogToPixels(wxSize(rect.width, rect.height))};
}

// GTK's themed buttons, check boxes and labels want more room than some of
// the template's rectangles give, and would clip their text. Such a control
// grows to its best size around the template rectangle's centre, so rows of
// buttons keep their rhythm and a mode box stays on its frame's corner.
void GrowAroundCentre(wxWindow& control, const PixelRect& rect)
{
    const wxSize best = control.GetBestSize();
    const wxSize size(std::max(rect.size.x, best.x), std::max(rect.size.y, best.y));
    const wxPoint position(rect.position.x - (size.x - rect.size.x) / 2,
                           rect.position.y - (size.y - rect.size.y) / 2);
    control.SetSize(wxRect(position, size));
}

/// The margin the templates keep between their controls and the dialog's
/// right edge, in dialog units.
constexpr int EdgeMargin = 7;

// A label keeps its left edge (the templates align labels by it) and grows
// rightwards and around its vertical centre. A text that would be cut off at
// the dialog's edge (a translation, mostly) wraps inside its margin instead;
// one that only reaches into the margin stays as the template has it.
void GrowLabel(wxStaticText& label, const PixelRect& rect)
{
    const wxWindow& dialog = *label.GetParent();
    const int toEdge = dialog.GetClientSize().x - rect.position.x;
    const int room = toEdge - dialog.ConvertDialogToPixels(wxSize(EdgeMargin, 0)).x;
    if (label.GetBestSize().x > toEdge && room > rect.size.x) {
        label.Wrap(room);
        label.InvalidateBestSize();
    }
    const wxSize best = label.GetBestSize();
    const wxSize size(std::max(rect.size.x, best.x), std::max(rect.size.y, best.y));
    label.SetSize(
        wxRect(wxPoint(rect.position.x, rect.position.y - (size.y - rect.size.y) / 2), size));
}

// The themed entry asks for more height than a one-line field of the
// template has. Trimming its vertical padding keeps the template's rectangle
// and the text whole, instead of overlapping the row below.
void FitEntryIntoHeight(wxTextCtrl& field)
{
    static GtkCssProvider* const provider = [] {
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            css, "entry { min-height: 0; padding-top: 1px; padding-bottom: 1px; }", -1, nullptr);
        return css;
    }();
    GtkWidget* widget = static_cast<GtkWidget*>(field.GetHandle());
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget),
                                   GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// A multi-line field always wraps, so it never scrolls sideways. Without a
// scroll bar it still scrolls to follow the caret, as an auto-scrolling edit
// does; with one, the bar is always there, as a scroll-bar style asks.
void SetMultilineScrolling(wxTextCtrl& field, bool verticalScrollBar)
{
    GtkWidget* widget = static_cast<GtkWidget*>(field.GetHandle());
    if (!GTK_IS_SCROLLED_WINDOW(widget)) {
        return;
    }
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(widget), GTK_POLICY_NEVER,
                                   verticalScrollBar ? GTK_POLICY_ALWAYS : GTK_POLICY_EXTERNAL);
    if (verticalScrollBar) {
        // An overlay bar shows only under the pointer; the field's bar is
        // part of its look.
        gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(widget), FALSE);
    }
}

GtkLabel* FrameCaption(wxStaticBox& box)
{
    GtkWidget* frame = static_cast<GtkWidget*>(box.GetHandle());
    if (!GTK_IS_FRAME(frame)) {
        return nullptr;
    }
    GtkWidget* caption = gtk_frame_get_label_widget(GTK_FRAME(frame));
    return caption != nullptr && GTK_IS_LABEL(caption) ? GTK_LABEL(caption) : nullptr;
}

// GTK starts a frame's caption closer to the corner than the templates
// assume, so a check box on the corner would hide its first letter. Indenting
// the caption by a few dialog units leaves the corner to such a box.
wxWindow* CreateGroupBox(wxWindow& dialog, const ControlTemplate& control, const PixelRect& rect)
{
    constexpr int CaptionIndent = 3; // dialog units
    const wxString text = TranslatedText(control.text);
    auto* box = new wxStaticBox(&dialog, control.id, text, rect.position, rect.size);
    if (GtkLabel* caption = FrameCaption(*box)) {
        gtk_widget_set_margin_start(GTK_WIDGET(caption),
                                    dialog.ConvertDialogToPixels(wxSize(CaptionIndent, 0)).x);
    }
    SetAccessibleName(*box, ShownName(text));
    return box;
}

// A frame caption's access key: GTK does not act on it reliably (wx 3.2 on
// GTK 3.24: never from a text field or check box), so the dialog answers Alt
// and the key itself, choosing the target as a click would. The caption
// carries the key as a label's mnemonic all the same: GTK underlines it while
// the window shows access keys, as on buttons, and assistive technology
// reads it as the target's key.
void GiveCaptionItsKey(wxWindow& dialog, wxStaticBox& box, const wxString& text, wxWindow& target)
{
    wxString shown;
    const int index = wxControl::FindAccelIndex(text, &shown);
    if (index < 0) {
        return;
    }
    const auto at = static_cast<std::size_t>(index);
    const wxUniChar key = wxToupper(shown[at]);
    dialog.Bind(wxEVT_CHAR_HOOK, [&target, key](wxKeyEvent& event) {
        if (event.GetModifiers() != wxMOD_ALT || wxToupper(event.GetUnicodeKey()) != key ||
            !target.IsEnabled() || !target.IsShown()) {
            event.Skip();
            return;
        }
        target.SetFocus();
        if (auto* checkBox = dynamic_cast<wxCheckBox*>(&target)) {
            checkBox->SetValue(!checkBox->GetValue());
            wxCommandEvent click(wxEVT_CHECKBOX, checkBox->GetId());
            click.SetEventObject(checkBox);
            click.SetInt(checkBox->GetValue() ? 1 : 0);
            checkBox->HandleWindowEvent(click);
        }
    });

    if (GtkLabel* caption = FrameCaption(box)) {
        wxString mnemonic = shown;
        mnemonic.Replace("_", "__");
        mnemonic.insert(at + static_cast<std::size_t>(mnemonic.Left(at).Freq('_')), '_');
        gtk_label_set_text_with_mnemonic(caption, mnemonic.utf8_str());
        gtk_label_set_mnemonic_widget(caption, static_cast<GtkWidget*>(target.GetConnectWidget()));
    }
}

// GTK toggles a focused check box on Enter as well as on Space; a dialog's
// check box answers Space and clicks only, and Enter stays the dialog's key.
wxWindow* CreateCheckBox(wxWindow& dialog, const ControlTemplate& control, const PixelRect& rect)
{
    auto* box =
        new wxCheckBox(&dialog, control.id, TranslatedText(control.text), rect.position, rect.size);
    box->Bind(wxEVT_KEY_DOWN, [](wxKeyEvent& event) {
        const int key = event.GetKeyCode();
        if (key != WXK_RETURN && key != WXK_NUMPAD_ENTER) {
            event.Skip();
        }
    });
    GrowAroundCentre(*box, rect);
    return box;
}

wxWindow* CreateEdit(wxWindow& dialog, const ControlTemplate& control, const PixelRect& rect)
{
    const bool multiline = (control.style & Multiline) != 0;
    // Enter in a multi-line field starts a new line natively on this toolkit,
    // and a one-line field passes it on, so WantReturn needs no flag here.
    // Lines break at any character: encoded code is one long run without
    // blanks, and wrapping such a run at word boundaries takes Pango time
    // that grows with the square of its length (seconds for 16 KiB of text).
    auto* field = new wxTextCtrl(&dialog, control.id, TranslatedText(control.text), rect.position,
                                 rect.size, multiline ? wxTE_MULTILINE | wxTE_CHARWRAP : 0);
    if (multiline) {
        SetMultilineScrolling(*field, (control.style & VerticalScroll) != 0);
        PasteLargeTextsGradually(*field);
    } else if (field->GetBestSize().y > rect.size.y) {
        FitEntryIntoHeight(*field);
    }
    field->SetSize(wxRect(rect.position, rect.size));
    return field;
}

wxWindow* CreateIcon(wxWindow& dialog, const ControlTemplate& control, const PixelRect& rect)
{
    const wxIconBundle icons = LoadIconGroup(control.resource);
    wxIcon icon;
    if (!icons.IsEmpty()) {
        icon = (control.style & RealSizeImage) != 0
                   ? icons.GetIconByIndex(icons.GetIconCount() - 1)
                   : icons.GetIcon(rect.size, wxIconBundle::FALLBACK_NEAREST_LARGER);
    }
    const wxSize size =
        icon.IsOk() && (control.style & RealSizeImage) != 0 ? icon.GetSize() : rect.size;
    auto* picture =
        new wxStaticBitmap(&dialog, control.id, wxBitmapBundle(icon), rect.position, size);
    if (icon.IsOk() && (control.style & RealSizeImage) == 0 && icon.GetSize() != size) {
        wxImage scaled = wxBitmap(icon).ConvertToImage();
        scaled.Rescale(size.x, size.y, wxIMAGE_QUALITY_HIGH);
        picture->SetBitmap(wxBitmapBundle(wxBitmap(scaled)));
    }
    picture->SetSize(wxRect(rect.position, size));
    return picture;
}

wxWindow* CreateControl(wxWindow& dialog, const ControlTemplate& control)
{
    const PixelRect rect = ToPixels(dialog, control.rect);
    const wxString text = TranslatedText(control.text);
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new wxButton(&dialog, control.id, text, rect.position, rect.size);
        if (control.kind == ControlKind::DefPushButton) {
            button->SetDefault();
        }
        GrowAroundCentre(*button, rect);
        return button;
    }
    case ControlKind::GroupBox:
        return CreateGroupBox(dialog, control, rect);
    case ControlKind::CheckBox:
        return CreateCheckBox(dialog, control, rect);
    case ControlKind::Edit:
        return CreateEdit(dialog, control, rect);
    case ControlKind::Label: {
        auto* label = new wxStaticText(&dialog, control.id, wxString(), rect.position, rect.size,
                                       wxST_NO_AUTORESIZE);
        if ((control.style & NoPrefix) != 0) {
            label->SetLabelText(text);
        } else {
            label->SetLabel(text);
        }
        GrowLabel(*label, rect);
        return label;
    }
    case ControlKind::Icon:
        return CreateIcon(dialog, control, rect);
    case ControlKind::EtchedLine:
        return new wxStaticLine(&dialog, control.id, rect.position,
                                wxSize(rect.size.x, wxDefaultCoord), wxLI_HORIZONTAL);
    }
    return nullptr;
}

// A label that grew over the controls to its right on its row (a longer
// translation) moves them rightwards; the dialog then widens by as much as
// the rightmost control now reaches past the template's rightmost edge, so
// nothing is cut or overlaps and the template's own margin stays.
void MakeRoomForGrownLabels(wxWindow& dialog, const DialogTemplate& dialogTemplate,
                            const std::vector<std::pair<wxWindow*, wxRect>>& labels)
{
    const int gap = dialog.ConvertDialogToPixels(wxSize(2, 0)).x;
    for (const auto& [label, templateRect] : labels) {
        const wxRect grown = label->GetRect();
        if (grown.GetRight() <= templateRect.GetRight()) {
            continue;
        }
        for (wxWindow* other : dialog.GetChildren()) {
            wxRect rect = other->GetRect();
            if (other != label && rect.GetLeft() > templateRect.GetRight() &&
                rect.Intersects(grown)) {
                rect.SetLeft(grown.GetRight() + 1 + gap);
                other->Move(rect.GetPosition());
            }
        }
    }
    int templateRight = 0;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        templateRight = std::max(templateRight, control.rect.x + control.rect.width);
    }
    int right = 0;
    for (const wxWindow* child : dialog.GetChildren()) {
        right = std::max(right, child->GetRect().GetRight() + 1);
    }
    const int excess = right - dialog.ConvertDialogToPixels(wxSize(templateRight, 0)).x;
    if (excess > 0) {
        const wxSize client = dialog.GetClientSize();
        dialog.SetClientSize(client.x + excess, client.y);
    }
}

} // namespace

wxString TranslatedText(std::string_view text)
{
    const wxString english = wxString::FromUTF8(text.data(), text.size());
    // The empty text's translation would be the catalog's header.
    return english.empty() ? english : wxGetTranslation(english);
}

void CreateDialogControls(wxWindow& dialog, const DialogTemplate& dialogTemplate)
{
    dialog.SetClientSize(
        dialog.ConvertDialogToPixels(wxSize(dialogTemplate.width, dialogTemplate.height)));
    std::vector<std::pair<wxWindow*, const ControlTemplate*>> captions;
    std::vector<std::pair<wxWindow*, wxRect>> labels;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        wxWindow* created = CreateControl(dialog, control);
        if (created != nullptr && (control.keyTarget != 0 || control.labelFor != 0)) {
            captions.emplace_back(created, &control);
        }
        if (created != nullptr && control.kind == ControlKind::Label) {
            const PixelRect rect = ToPixels(dialog, control.rect);
            labels.emplace_back(created, wxRect(rect.position, rect.size));
        }
    }
    MakeRoomForGrownLabels(dialog, dialogTemplate, labels);
    for (const auto& [window, control] : captions) {
        const wxString text = TranslatedText(control->text);
        const wxString name = ShownName(text);
        if (wxWindow* field = dialog.FindWindow(control->labelFor);
            control->labelFor != 0 && field) {
            SetAccessibleName(*field, name, window);
        }
        if (control->keyTarget == 0) {
            continue;
        }
        auto* box = dynamic_cast<wxStaticBox*>(window);
        wxWindow* target = dialog.FindWindow(control->keyTarget);
        wxASSERT_MSG(box != nullptr && target != nullptr, "an access key for no control");
        if (box != nullptr && target != nullptr) {
            SetAccessibleName(*target, name, box);
            GiveCaptionItsKey(dialog, *box, text, *target);
        }
    }
}

} // namespace quillveil
