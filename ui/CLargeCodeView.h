#pragma once

#include "CodeRows.h"

#include <wx/font.h>
#include <wx/window.h>

#include <cstddef>
#include <memory>
#include <string>

namespace quillveil {

/// A read-only view of a code too large for the toolkit's text box: the
/// code stays one block of UTF-8 bytes, broken into fixed-width rows, and
/// only the rows in sight are drawn, so showing, scrolling and selecting
/// cost the same at any size. A line at its top says that it is read-only.
/// Scrolls with its scroll bar, the wheel, the arrow keys, Page Up/Down and
/// Home/End; selects with the mouse and Ctrl+A; copies with Ctrl+C, Ctrl+Insert
/// and its context menu.
class CLargeCodeView : public wxWindow {
public:
    /// A view over `rect` of `parent`, holding no code.
    CLargeCodeView(wxWindow& parent, const wxRect& rect);

    /// Shows `code` (UTF-8) from its first row, with nothing selected.
    void SetCode(std::shared_ptr<const std::string> code);
    /// The code shown, shared rather than copied.
    std::shared_ptr<const std::string> GetCode() const { return m_code; }

    /// Selects the whole code.
    void SelectAll();
    /// The selected bytes as [first, second); empty when they are equal.
    std::pair<std::size_t, std::size_t> GetSelection() const;
    /// Puts the selection on the clipboard; false when nothing is selected
    /// or the clipboard cannot be had.
    bool CopySelection();

private:
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
    std::size_t OffsetAtPoint(const wxPoint& point) const;
    void DrawRow(wxDC& dc, std::size_t row, int y) const;
    wxString NoticeText() const;

    std::shared_ptr<const std::string> m_code;
    CodeRows m_rows;
    wxFont m_font;
    double m_charWidth = 8;
    int m_lineHeight = 17;
    int m_noticeHeight = 0;
    std::size_t m_top = 0;
    std::size_t m_anchor = 0;
    std::size_t m_caret = 0;
    int m_wheelRotation = 0;

    wxDECLARE_EVENT_TABLE();
};

} // namespace quillveil
