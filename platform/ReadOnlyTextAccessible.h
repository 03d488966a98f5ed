#pragma once

#include <wx/gdicmn.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

class wxWindow;

namespace quillveil {

/// What assistive technology reads of a text a window draws itself. Offsets
/// count characters (code points), as screen readers do.
class AccessibleText {
public:
    virtual ~AccessibleText() = default;

    /// How many characters the text holds.
    virtual std::size_t CharacterCount() const = 0;
    /// Characters [start, end) as UTF-8.
    virtual std::string TextBetween(std::size_t start, std::size_t end) const = 0;
    /// Where the caret stands.
    virtual std::size_t CaretCharacter() const = 0;
    /// The selection as [first, second); empty when they are equal.
    virtual std::pair<std::size_t, std::size_t> SelectedCharacters() const = 0;
    /// Selects [anchor, caret) or [caret, anchor) and puts the caret at
    /// `caret`, bringing it into sight; `anchor` == `caret` selects nothing.
    virtual void SelectCharacters(std::size_t anchor, std::size_t caret) = 0;
    /// The row on screen that holds `character`, as [first, second).
    virtual std::pair<std::size_t, std::size_t> RowAround(std::size_t character) const = 0;
    /// Where `character` shows on the screen; nothing when it is out of sight.
    virtual std::optional<wxRect> CharacterOnScreen(std::size_t character) const = 0;
    /// The character shown at `point` of the screen, if any.
    virtual std::optional<std::size_t> CharacterAtScreenPoint(const wxPoint& point) const = 0;
};

/// Makes `window`, which draws `text` itself, a read-only multi-line text for
/// assistive technology: its role, its name, a description, and the text
/// interface (content, character count, caret, selection, rows, positions).
/// Call before the window is first shown; `text` must stay valid until
/// ForgetReadOnlyText.
void ExposeReadOnlyText(wxWindow& window, AccessibleText& text, const wxString& name);
/// Detaches the text from the window's accessible object, which may outlive it.
void ForgetReadOnlyText(wxWindow& window);

/// Tells assistive technology that the caret now stands at `character`.
void ReportCaretMoved(wxWindow& window, std::size_t character);
/// Tells assistive technology that the selection changed.
void ReportSelectionChanged(wxWindow& window);
/// Tells assistive technology that the text was replaced as a whole.
void ReportTextReplaced(wxWindow& window);

} // namespace quillveil
