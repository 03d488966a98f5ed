#include "GradualPaste.h"

#include <gtk/gtk.h>
#include <wx/textctrl.h>

#include <cstring>

namespace quillveil {

namespace {

// Pastes up to this size go in as the toolkit puts them: shown at once.
constexpr std::size_t ShownAtOnce = 64 * 1024;
// Lines shown per step: a step's layout stays within a few frames.
constexpr gint LinesPerStep = 200;
constexpr const char* HiddenTagName = "quillveil-not-yet-shown";

/// A pasted text still partly hidden: from `next` to `end`.
struct Showing {
    GtkTextBuffer* buffer;
    GtkTextMark* next;
    GtkTextMark* end;
};

GtkTextTag* HiddenTag(GtkTextBuffer* buffer)
{
    GtkTextTagTable* table = gtk_text_buffer_get_tag_table(buffer);
    if (GtkTextTag* tag = gtk_text_tag_table_lookup(table, HiddenTagName)) {
        return tag;
    }
    return gtk_text_buffer_create_tag(buffer, HiddenTagName, "invisible", TRUE, nullptr);
}

// Runs below the text view's own layout and painting, so each step is laid
// out and painted before the next one is shown.
gboolean ShowNextLines(gpointer data)
{
    auto* showing = static_cast<Showing*>(data);
    GtkTextIter from;
    GtkTextIter end;
    gtk_text_buffer_get_iter_at_mark(showing->buffer, &from, showing->next);
    gtk_text_buffer_get_iter_at_mark(showing->buffer, &end, showing->end);
    GtkTextIter to = from;
    gtk_text_iter_forward_lines(&to, LinesPerStep);
    if (gtk_text_iter_compare(&to, &end) > 0) {
        to = end;
    }
    gtk_text_buffer_remove_tag(showing->buffer, HiddenTag(showing->buffer), &from, &to);
    gtk_text_buffer_move_mark(showing->buffer, showing->next, &to);
    if (gtk_text_iter_compare(&to, &end) < 0) {
        return G_SOURCE_CONTINUE;
    }
    gtk_text_buffer_delete_mark(showing->buffer, showing->next);
    gtk_text_buffer_delete_mark(showing->buffer, showing->end);
    g_object_unref(showing->buffer);
    delete showing;
    return G_SOURCE_REMOVE;
}

/// Where the line `lines` lines from the start (or the end) of `text` begins;
/// the start (or the end) itself when the text has fewer lines.
std::size_t StartOfLine(const gchar* text, std::size_t length, gint lines, bool fromStart)
{
    std::size_t at = fromStart ? 0 : length;
    for (gint line = 0; line < lines; ++line) {
        if (fromStart) {
            const void* next = std::memchr(text + at, '\n', length - at);
            if (next == nullptr) {
                return length;
            }
            at = static_cast<std::size_t>(static_cast<const gchar*>(next) - text) + 1;
        } else {
            while (at > 0 && text[at - 1] != '\n') {
                --at;
            }
            if (at == 0) {
                return 0;
            }
            --at;
        }
    }
    return fromStart ? at : at + 1;
}

void InsertPasted(GtkClipboard*, const gchar* text, gpointer data)
{
    auto* view = static_cast<GtkTextView*>(data);
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(view);
    if (text != nullptr && gtk_widget_get_parent(GTK_WIDGET(view)) != nullptr) {
        const bool editable = gtk_text_view_get_editable(view) != FALSE;
        const std::size_t length = std::strlen(text);
        gtk_text_buffer_begin_user_action(buffer);
        gtk_text_buffer_delete_selection(buffer, TRUE, editable);
        if (length <= ShownAtOnce) {
            gtk_text_buffer_insert_interactive_at_cursor(buffer, text, static_cast<gint>(length),
                                                         editable);
        } else {
            // The first and the last lines show at once, the view on the last
            // as after any paste; those between take no room while hidden,
            // so they stay out of sight, where each frame would look at them.
            const std::size_t head = StartOfLine(text, length, LinesPerStep, true);
            const std::size_t tail = StartOfLine(text, length, LinesPerStep, false);
            GtkTextIter at;
            gtk_text_buffer_get_iter_at_mark(buffer, &at, gtk_text_buffer_get_insert(buffer));
            if (head >= tail) {
                gtk_text_buffer_insert(buffer, &at, text, static_cast<gint>(length));
            } else {
                gtk_text_buffer_insert(buffer, &at, text, static_cast<gint>(head));
                auto* showing =
                    new Showing{static_cast<GtkTextBuffer*>(g_object_ref(buffer)),
                                gtk_text_buffer_create_mark(buffer, nullptr, &at, TRUE), nullptr};
                gtk_text_buffer_insert_with_tags(buffer, &at, text + head,
                                                 static_cast<gint>(tail - head), HiddenTag(buffer),
                                                 nullptr);
                showing->end = gtk_text_buffer_create_mark(buffer, nullptr, &at, TRUE);
                gtk_text_buffer_insert(buffer, &at, text + tail, static_cast<gint>(length - tail));
                g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, ShowNextLines, showing, nullptr);
            }
        }
        gtk_text_buffer_end_user_action(buffer);
        gtk_text_view_scroll_mark_onscreen(view, gtk_text_buffer_get_insert(buffer));
    }
    g_object_unref(view);
}

// In place of the text view's own paste, which shows the text at once.
void Paste(GtkTextView* view, gpointer)
{
    g_signal_stop_emission_by_name(view, "paste-clipboard");
    if (!gtk_text_view_get_editable(view)) {
        gtk_widget_error_bell(GTK_WIDGET(view));
        return;
    }
    GtkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(view), GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_request_text(clipboard, InsertPasted, g_object_ref(view));
}

} // namespace

void PasteLargeTextsGradually(wxTextCtrl& field)
{
    auto* widget = static_cast<GtkWidget*>(field.GetConnectWidget());
    if (widget != nullptr && GTK_IS_TEXT_VIEW(widget)) {
        g_signal_connect(widget, "paste-clipboard", G_CALLBACK(Paste), nullptr);
    }
}

} // namespace quillveil
