#pragma once

#include "CodeRows.h"
#include "platform/ReadOnlyTextAccessible.h"

#include <wx/font.h>
#include <wx/window.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillveil {

/// A read-only view of a code too large for the toolkit's text box: the
/// code stays one block of UTF-8 bytes, broken into rows, and only the rows in
/// sight are laid out and drawn, so showing, scrolling and selecting cost the
/// same at any size. A line at its top says that it is read-only.
/// It has a caret: the arrow keys, Page Up/Down and Home/End move it (with
/// Ctrl, Home and End go to the ends of the code), and with Shift they select;
/// the mouse and Ctrl+A select too. Ctrl+C, Ctrl+Insert and its context menu
/// copy the selection, and a selection made becomes the desktop's primary
/// selection. Assistive technology reads it as a read-only text.
class CLargeCodeView : public wxWindow, private AccessibleText {
public:
    /// A view over `rect` of `parent`, holding no code, named `name` for
    /// assistive technology.
    CLargeCodeView(wxWindow& parent, const wxRect& rect, const wxString& name);
    ~CLargeCodeView() override;

    /// Shows `code` (UTF-8) from its first row, with the caret at its start.
    void SetCode(std::shared_ptr<const std::string> code);
    /// The code shown, shared rather than copied.
    std::shared_ptr<const std::string> GetCode() const { return m_code; }

    /// Selects the whole code.
    void SelectAll();
    /// The selected bytes as [first, second); empty when they are equal.
    std::pair<std::size_t, std::size_t> GetSelection() const;
    /// Where the caret stands, in bytes.
    std::size_t GetCaret() const { return m_caret; }
    /// Puts the selection on the clipboard; false when nothing is selected
    /// or the clipboard cannot be had.
    bool CopySelection();

    /// The line over the code that says it is read-only.
    wxString NoticeText() const;

private:
    /// How one row shows: its text in pieces between tabs, each drawn from
    /// its own left edge, and where each of the caret's stops lies.
    struct RowLayout {
        struct Piece {
            wxString text;
            int x;
        };
        std::vector<Piece> pieces;
        std::vector<std::size_t> stops; ///< byte offsets, from the row's start to its end
        std::vector<int> xs;            ///< each stop's distance from the text's left edge
    };

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnScroll(wxScrollWinEvent& event);
    void OnMouseWheel(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnFocus(wxFocusEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);

    void BreakRows();
    void ScrollToRow(std::ptrdiff_t row);
    void UpdateScrollBar();
    std::size_t VisibleRows() const;
    int TextTop() const;
    RowLayout LayOut(std::size_t row) const;
    std::size_t OffsetAtPoint(const wxPoint& point) const;
    std::size_t OffsetInRowAt(std::size_t row, int x) const;
    int CaretX() const;
    void MoveCaret(std::size_t offset, bool extend);
    void SelectBytes(std::size_t anchor, std::size_t caret);
    void MoveCaretToRow(std::ptrdiff_t row, bool extend);
    void ScrollToCaret();
    void OfferSelectionAsPrimary() const;
    void DrawRow(wxDC& dc, std::size_t row, int y) const;

    // What assistive technology reads.
    std::size_t CharacterCount() const override;
    std::string TextBetween(std::size_t start, std::size_t end) const override;
    std::size_t CaretCharacter() const override;
    std::pair<std::size_t, std::size_t> SelectedCharacters() const override;
    void SelectCharacters(std::size_t anchor, std::size_t caret) override;
    std::pair<std::size_t, std::size_t> RowAround(std::size_t character) const override;
    std::optional<wxRect> CharacterOnScreen(std::size_t character) const override;
    std::optional<std::size_t> CharacterAtScreenPoint(const wxPoint& point) const override;

    std::shared_ptr<const std::string> m_code;
    CodeRows m_rows;
    wxFont m_font;
    double m_charWidth = 8;
    int m_lineHeight = 17;
    int m_noticeHeight = 0;
    std::size_t m_top = 0;
    std::size_t m_anchor = 0;
    std::size_t m_caret = 0;
    /// Where Up, Down and Page keep the caret, as a distance from the left.
    std::optional<int> m_goalX;
    int m_wheelRotation = 0;

    wxDECLARE_EVENT_TABLE();
};

} // namespace quillveil
