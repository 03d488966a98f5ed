#include "ReadOnlyTextAccessible.h"

#include "Accessibility.h"

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <algorithm>
#include <map>

namespace quillveil {

namespace {

/// The accessible object of a window that draws its text itself: the
/// toolkit's widget accessible (focus, states, position) with the text
/// interface added.
struct TextAccessible {
    GtkWidgetAccessible parent;
    AccessibleText* text;
    wxWindow* window;
};

AtkStateSet* (*g_parentRefStateSet)(AtkObject*) = nullptr;

TextAccessible* Cast(gpointer object)
{
    return reinterpret_cast<TextAccessible*>(object);
}

/// The text while its window lives; null once it has gone.
AccessibleText* TextOf(gpointer object)
{
    TextAccessible* self = Cast(object);
    return gtk_accessible_get_widget(GTK_ACCESSIBLE(object)) != nullptr ? self->text : nullptr;
}

AtkStateSet* RefStateSet(AtkObject* object)
{
    AtkStateSet* states = g_parentRefStateSet(object);
    atk_state_set_remove_state(states, ATK_STATE_EDITABLE);
    if (TextOf(object) != nullptr) {
        atk_state_set_add_state(states, ATK_STATE_READ_ONLY);
        atk_state_set_add_state(states, ATK_STATE_MULTI_LINE);
        atk_state_set_add_state(states, ATK_STATE_SELECTABLE_TEXT);
    }
    return states;
}

void ClassInit(gpointer klass, gpointer)
{
    auto* atkClass = ATK_OBJECT_CLASS(klass);
    g_parentRefStateSet = atkClass->ref_state_set;
    atkClass->ref_state_set = RefStateSet;
}

/// [start, end) clamped to the text, with end -1 meaning its end.
std::pair<std::size_t, std::size_t> Range(const AccessibleText& text, gint start, gint end)
{
    const std::size_t count = text.CharacterCount();
    const std::size_t first =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(start, 0)), count);
    const std::size_t last =
        end < 0 ? count : std::clamp<std::size_t>(static_cast<std::size_t>(end), first, count);
    return {first, last};
}

gchar* Copy(const std::string& utf8)
{
    // Assistive technology is reached over D-Bus, which takes UTF-8 only.
    return g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
}

gchar* GetText(AtkText* object, gint start, gint end)
{
    const AccessibleText* text = TextOf(object);
    if (text == nullptr) {
        return g_strdup("");
    }
    const auto [first, last] = Range(*text, start, end);
    return Copy(text->TextBetween(first, last));
}

gint GetCharacterCount(AtkText* object)
{
    const AccessibleText* text = TextOf(object);
    return text != nullptr
               ? static_cast<gint>(std::min<std::size_t>(text->CharacterCount(), G_MAXINT))
               : 0;
}

gint GetCaretOffset(AtkText* object)
{
    const AccessibleText* text = TextOf(object);
    return text != nullptr ? static_cast<gint>(text->CaretCharacter()) : 0;
}

gboolean SetCaretOffset(AtkText* object, gint offset)
{
    AccessibleText* text = TextOf(object);
    if (text == nullptr) {
        return FALSE;
    }
    const std::size_t caret = Range(*text, offset, offset).first;
    text->SelectCharacters(caret, caret);
    return TRUE;
}

gunichar GetCharacterAtOffset(AtkText* object, gint offset)
{
    const AccessibleText* text = TextOf(object);
    if (text == nullptr || offset < 0) {
        return 0;
    }
    const auto [first, last] = Range(*text, offset, offset + 1);
    const std::string character = text->TextBetween(first, last);
    const gunichar code =
        g_utf8_get_char_validated(character.data(), static_cast<gssize>(character.size()));
    return character.empty() ? 0 : code > 0x10FFFF ? 0xFFFD : code;
}

gint GetNSelections(AtkText* object)
{
    const AccessibleText* text = TextOf(object);
    if (text == nullptr) {
        return 0;
    }
    const auto [first, last] = text->SelectedCharacters();
    return first < last ? 1 : 0;
}

gchar* GetSelection(AtkText* object, gint number, gint* start, gint* end)
{
    *start = *end = 0;
    const AccessibleText* text = TextOf(object);
    if (text == nullptr || number != 0) {
        return nullptr;
    }
    const auto [first, last] = text->SelectedCharacters();
    if (first == last) {
        return nullptr;
    }
    *start = static_cast<gint>(first);
    *end = static_cast<gint>(last);
    return Copy(text->TextBetween(first, last));
}

gboolean SetSelection(AtkText* object, gint number, gint start, gint end)
{
    AccessibleText* text = TextOf(object);
    if (text == nullptr || number != 0) {
        return FALSE;
    }
    const auto [first, last] = Range(*text, start, end);
    text->SelectCharacters(first, last);
    return TRUE;
}

gboolean AddSelection(AtkText* object, gint start, gint end)
{
    return GetNSelections(object) == 0 ? SetSelection(object, 0, start, end) : FALSE;
}

gboolean RemoveSelection(AtkText* object, gint number)
{
    AccessibleText* text = TextOf(object);
    if (text == nullptr || number != 0 || GetNSelections(object) == 0) {
        return FALSE;
    }
    const std::size_t caret = text->CaretCharacter();
    text->SelectCharacters(caret, caret);
    return TRUE;
}

bool IsWordCharacter(gunichar code)
{
    return g_unichar_isalnum(code) || code == '_';
}

/// The stretch of the given kind around `offset`: a character, a word (within
/// its row) or a row; sentences and paragraphs are read as rows, which is
/// what the view shows of them.
gchar* StringAt(AtkText* object, gint offset, AtkTextGranularity granularity, gint* start,
                gint* end)
{
    *start = *end = 0;
    const AccessibleText* text = TextOf(object);
    if (text == nullptr) {
        return g_strdup("");
    }
    const std::size_t at = Range(*text, offset, offset).first;
    std::pair<std::size_t, std::size_t> stretch{at, std::min(at + 1, text->CharacterCount())};
    if (granularity != ATK_TEXT_GRANULARITY_CHAR) {
        stretch = text->RowAround(at);
    }
    if (granularity == ATK_TEXT_GRANULARITY_WORD) {
        // A word and the blanks after it, as the toolkit's text views give it.
        const std::string row = text->TextBetween(stretch.first, stretch.second);
        std::vector<gunichar> codes;
        for (const char* p = row.c_str(); *p != '\0'; p = g_utf8_find_next_char(p, nullptr)) {
            codes.push_back(g_utf8_get_char_validated(p, -1));
        }
        std::size_t index = std::min(at - stretch.first, codes.size());
        std::size_t from = index;
        while (from > 0 && IsWordCharacter(codes[from - 1])) {
            --from;
        }
        std::size_t to = index;
        while (to < codes.size() && IsWordCharacter(codes[to])) {
            ++to;
        }
        while (to < codes.size() && !IsWordCharacter(codes[to])) {
            ++to;
        }
        stretch = {stretch.first + from, stretch.first + to};
    }
    *start = static_cast<gint>(stretch.first);
    *end = static_cast<gint>(stretch.second);
    return Copy(text->TextBetween(stretch.first, stretch.second));
}

gchar* StringAtOffset(AtkText* object, gint offset, AtkTextGranularity granularity, gint* start,
                      gint* end)
{
    return StringAt(object, offset, granularity, start, end);
}

gchar* TextAtOffset(AtkText* object, gint offset, AtkTextBoundary boundary, gint* start, gint* end)
{
    switch (boundary) {
    case ATK_TEXT_BOUNDARY_CHAR:
        return StringAt(object, offset, ATK_TEXT_GRANULARITY_CHAR, start, end);
    case ATK_TEXT_BOUNDARY_WORD_START:
    case ATK_TEXT_BOUNDARY_WORD_END:
        return StringAt(object, offset, ATK_TEXT_GRANULARITY_WORD, start, end);
    default:
        return StringAt(object, offset, ATK_TEXT_GRANULARITY_LINE, start, end);
    }
}

/// The top-left corner the given coordinates count from, on the screen.
wxPoint Origin(const TextAccessible& self, AtkCoordType coords)
{
    if (coords == ATK_XY_WINDOW) {
        if (const wxWindow* top = wxGetTopLevelParent(self.window)) {
            return top->GetScreenPosition();
        }
    }
    return {};
}

void GetCharacterExtents(AtkText* object, gint offset, gint* x, gint* y, gint* width, gint* height,
                         AtkCoordType coords)
{
    *x = *y = *width = *height = -1;
    const AccessibleText* text = TextOf(object);
    if (text == nullptr || offset < 0) {
        return;
    }
    if (const std::optional<wxRect> shown =
            text->CharacterOnScreen(static_cast<std::size_t>(offset))) {
        const wxPoint origin = Origin(*Cast(object), coords);
        *x = shown->x - origin.x;
        *y = shown->y - origin.y;
        *width = shown->width;
        *height = shown->height;
    }
}

gint GetOffsetAtPoint(AtkText* object, gint x, gint y, AtkCoordType coords)
{
    const AccessibleText* text = TextOf(object);
    if (text == nullptr) {
        return -1;
    }
    const std::optional<std::size_t> character =
        text->CharacterAtScreenPoint(wxPoint(x, y) + Origin(*Cast(object), coords));
    return character ? static_cast<gint>(*character) : -1;
}

void TextInterfaceInit(gpointer iface, gpointer)
{
    auto* text = static_cast<AtkTextIface*>(iface);
    text->get_text = GetText;
    text->get_character_count = GetCharacterCount;
    text->get_caret_offset = GetCaretOffset;
    text->set_caret_offset = SetCaretOffset;
    text->get_character_at_offset = GetCharacterAtOffset;
    text->get_n_selections = GetNSelections;
    text->get_selection = GetSelection;
    text->set_selection = SetSelection;
    text->add_selection = AddSelection;
    text->remove_selection = RemoveSelection;
    text->get_string_at_offset = StringAtOffset;
    text->get_text_at_offset = TextAtOffset;
    text->get_character_extents = GetCharacterExtents;
    text->get_offset_at_point = GetOffsetAtPoint;
}

GType TextAccessibleType()
{
    static const GType type = [] {
        const GType registered = g_type_register_static_simple(
            GTK_TYPE_WIDGET_ACCESSIBLE, "QuillveilReadOnlyTextAccessible",
            sizeof(GtkWidgetAccessibleClass), ClassInit, sizeof(TextAccessible), nullptr,
            static_cast<GTypeFlags>(0));
        const GInterfaceInfo text{TextInterfaceInit, nullptr, nullptr};
        g_type_add_interface_static(registered, ATK_TYPE_TEXT, &text);
        return registered;
    }();
    return type;
}

GQuark OwnAccessibleQuark()
{
    static const GQuark quark = g_quark_from_static_string("quillveil-own-accessible");
    return quark;
}

using GetAccessibleFunction = AtkObject* (*)(GtkWidget*);

/// The get_accessible of each widget class this file has taken over.
std::map<GtkWidgetClass*, GetAccessibleFunction>& TakenOver()
{
    static std::map<GtkWidgetClass*, GetAccessibleFunction> classes;
    return classes;
}

// The toolkit makes one accessible object per widget, of its class's one
// type; a widget that carries its own gets that one instead.
AtkObject* GetAccessible(GtkWidget* widget)
{
    if (gpointer own = g_object_get_qdata(G_OBJECT(widget), OwnAccessibleQuark())) {
        return ATK_OBJECT(own);
    }
    for (gpointer klass = G_OBJECT_GET_CLASS(widget); klass != nullptr;
         klass = g_type_class_peek_parent(klass)) {
        const auto found = TakenOver().find(static_cast<GtkWidgetClass*>(klass));
        if (found != TakenOver().end()) {
            return found->second(widget);
        }
    }
    return nullptr;
}

GtkWidget* WidgetOf(wxWindow& window)
{
    return static_cast<GtkWidget*>(AccessibleWidgetOf(window));
}

AtkObject* OwnAccessibleOf(wxWindow& window)
{
    GtkWidget* widget = WidgetOf(window);
    return widget != nullptr
               ? static_cast<AtkObject*>(g_object_get_qdata(G_OBJECT(widget), OwnAccessibleQuark()))
               : nullptr;
}

} // namespace

void ExposeReadOnlyText(wxWindow& window, AccessibleText& text, const wxString& name)
{
    GtkWidget* widget = WidgetOf(window);
    if (widget == nullptr) {
        return;
    }
    auto* klass = GTK_WIDGET_GET_CLASS(widget);
    if (klass->get_accessible != GetAccessible) {
        TakenOver().emplace(klass, klass->get_accessible);
        klass->get_accessible = GetAccessible;
    }
    auto* accessible = ATK_OBJECT(g_object_new(TextAccessibleType(), "widget", widget, nullptr));
    Cast(accessible)->text = &text;
    Cast(accessible)->window = &window;
    atk_object_initialize(accessible, widget);
    atk_object_set_role(accessible, ATK_ROLE_TEXT);
    atk_object_set_name(accessible, name.utf8_str());
    g_object_set_qdata_full(G_OBJECT(widget), OwnAccessibleQuark(), accessible, g_object_unref);
}

void ForgetReadOnlyText(wxWindow& window)
{
    if (AtkObject* accessible = OwnAccessibleOf(window)) {
        Cast(accessible)->text = nullptr;
    }
}

void ReportCaretMoved(wxWindow& window, std::size_t character)
{
    if (AtkObject* accessible = OwnAccessibleOf(window)) {
        g_signal_emit_by_name(accessible, "text-caret-moved", static_cast<gint>(character));
    }
}

void ReportSelectionChanged(wxWindow& window)
{
    if (AtkObject* accessible = OwnAccessibleOf(window)) {
        g_signal_emit_by_name(accessible, "text-selection-changed");
    }
}

void ReportTextReplaced(wxWindow& window)
{
    // Not as removed and inserted text: the bridge to assistive technology
    // would send a code of tens of megabytes along with the event.
    if (AtkObject* accessible = OwnAccessibleOf(window)) {
        g_signal_emit_by_name(accessible, "visible-data-changed");
    }
}

} // namespace quillveil
