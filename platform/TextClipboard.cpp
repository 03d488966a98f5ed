#include "TextClipboard.h"

#include <gtk/gtk.h>

#include <limits>

namespace quillveil {

namespace {

struct OfferedText {
    std::shared_ptr<const std::string> text;
    std::size_t begin;
    std::size_t end;
};

// The toolkit converts for each name asked for (Latin-1 for STRING, CR LF
// line breaks for text/plain), as for its own text fields.
void Serve(GtkClipboard*, GtkSelectionData* data, guint, gpointer offered)
{
    const auto& part = *static_cast<const OfferedText*>(offered);
    gtk_selection_data_set_text(data, part.text->data() + part.begin,
                                static_cast<gint>(part.end - part.begin));
}

void Release(GtkClipboard*, gpointer offered)
{
    delete static_cast<OfferedText*>(offered);
}

} // namespace

bool PutTextOnSelection(TextSelection selection, std::shared_ptr<const std::string> text,
                        std::size_t begin, std::size_t end)
{
    // The selection protocol counts a text's bytes in an int.
    if (text == nullptr || begin > end || end > text->size() ||
        end - begin > static_cast<std::size_t>(std::numeric_limits<gint>::max())) {
        return false;
    }
    GtkClipboard* clipboard = gtk_clipboard_get(
        selection == TextSelection::Primary ? GDK_SELECTION_PRIMARY : GDK_SELECTION_CLIPBOARD);
    if (clipboard == nullptr) {
        return false;
    }
    GtkTargetList* list = gtk_target_list_new(nullptr, 0);
    gtk_target_list_add_text_targets(list, 0);
    gint count = 0;
    GtkTargetEntry* targets = gtk_target_table_new_from_list(list, &count);
    gtk_target_list_unref(list);
    auto* offered = new OfferedText{std::move(text), begin, end};
    const bool taken = gtk_clipboard_set_with_data(clipboard, targets, static_cast<guint>(count),
                                                   Serve, Release, offered) != FALSE;
    gtk_target_table_free(targets, count);
    if (!taken) {
        delete offered;
        return false;
    }
    if (selection == TextSelection::Clipboard) {
        // Where a clipboard manager runs, it keeps the text once we have exited.
        gtk_clipboard_set_can_store(clipboard, nullptr, 0);
        gtk_clipboard_store(clipboard);
    }
    return true;
}

} // namespace quillveil
