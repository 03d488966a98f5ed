#include "CLargeCodeView.h"

#include "CodeClipboard.h"

#include <wx/dcclient.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>
#include <cmath>

namespace quillveil {

namespace {

constexpr int Margin = 3;
constexpr int CopyCommand = wxID_COPY;
constexpr int SelectAllCommand = wxID_SELECTALL;

/// What a row's bytes look like on screen: control characters as spaces,
/// bytes that are not UTF-8 as replacement characters, so no byte can garble
/// the row or shift the columns after it.
wxString DisplayText(std::string_view bytes)
{
    std::string clean(bytes);
    std::replace_if(
        clean.begin(), clean.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, ' ');
    wxString text = wxString::FromUTF8(clean.data(), clean.size());
    if (text.empty() && !clean.empty()) {
        for (const char c : clean) {
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                text += static_cast<unsigned char>(c) < 0x80 ? wxUniChar(c) : wxUniChar(0xFFFD);
            }
        }
    }
    return text;
}

/// A size in bytes as people read it.
wxString SizeText(std::size_t bytes)
{
    if (bytes >= 1000 * 1000) {
        return wxString::Format("%.1f MB", static_cast<double>(bytes) / 1e6);
    }
    return wxString::Format("%.0f KB", static_cast<double>(bytes) / 1e3);
}

} // namespace

wxBEGIN_EVENT_TABLE(CLargeCodeView, wxWindow)
    EVT_PAINT(CLargeCodeView::OnPaint)
    EVT_SIZE(CLargeCodeView::OnSize)
    EVT_SCROLLWIN(CLargeCodeView::OnScroll)
    EVT_MOUSEWHEEL(CLargeCodeView::OnMouseWheel)
    EVT_KEY_DOWN(CLargeCodeView::OnKeyDown)
    EVT_LEFT_DOWN(CLargeCodeView::OnLeftDown)
    EVT_MOTION(CLargeCodeView::OnMotion)
    EVT_LEFT_UP(CLargeCodeView::OnLeftUp)
    EVT_MOUSE_CAPTURE_LOST(CLargeCodeView::OnCaptureLost)
    EVT_SET_FOCUS(CLargeCodeView::OnFocus)
    EVT_KILL_FOCUS(CLargeCodeView::OnFocus)
    EVT_CONTEXT_MENU(CLargeCodeView::OnContextMenu)
wxEND_EVENT_TABLE()

CLargeCodeView::CLargeCodeView(wxWindow& parent, const wxRect& rect)
    : m_code(std::make_shared<const std::string>())
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(&parent, wxID_ANY, rect.GetPosition(), rect.GetSize(),
           wxVSCROLL | wxALWAYS_SHOW_SB | wxBORDER_SUNKEN, "code view");
    m_font = wxFont(wxFontInfo(GetFont().GetPointSize()).Family(wxFONTFAMILY_TELETYPE));
    wxClientDC dc(this);
    dc.SetFont(m_font);
    // Measured over many characters: the advance is fractional, and a row
    // is drawn as one string.
    const wxSize sample = dc.GetTextExtent(wxString('0', 100));
    m_charWidth = std::max(1.0, sample.x / 100.0);
    m_lineHeight = std::max(1, sample.y);
    dc.SetFont(GetFont());
    m_noticeHeight = dc.GetTextExtent("Rg").y + 2 * Margin + 1;
    SetToolTip("This code is too large to edit here. Ctrl+A selects all of it and Ctrl+C "
               "copies the selection; the Copy and Preview buttons always take the whole code.");
    BreakRows();
}

void CLargeCodeView::SetCode(std::shared_ptr<const std::string> code)
{
    m_code = code ? std::move(code) : std::make_shared<const std::string>();
    m_top = 0;
    m_anchor = m_caret = 0;
    BreakRows();
    Refresh();
}

void CLargeCodeView::SelectAll()
{
    m_anchor = 0;
    m_caret = m_code->size();
    Refresh();
}

std::pair<std::size_t, std::size_t> CLargeCodeView::GetSelection() const
{
    return std::minmax(m_anchor, m_caret);
}

bool CLargeCodeView::CopySelection()
{
    const auto [first, last] = GetSelection();
    return first != last && PutTextOnClipboard(m_code, first, last);
}

void CLargeCodeView::BreakRows()
{
    const int width = GetClientSize().x - 2 * Margin;
    const auto columns = static_cast<std::size_t>(std::max(1.0, std::floor(width / m_charWidth)));
    const std::size_t topOffset = m_rows.RowStart(std::min(m_top, m_rows.Count() - 1));
    m_rows = CodeRows(*m_code, columns);
    m_top = m_rows.RowOf(topOffset);
    ScrollToRow(static_cast<std::ptrdiff_t>(m_top));
}

std::size_t CLargeCodeView::VisibleRows() const
{
    const int height = GetClientSize().y - TextTop() - Margin;
    return static_cast<std::size_t>(std::max(1, height / m_lineHeight));
}

int CLargeCodeView::TextTop() const
{
    return m_noticeHeight + Margin;
}

void CLargeCodeView::ScrollToRow(std::ptrdiff_t row)
{
    const std::size_t count = m_rows.Count();
    const std::size_t visible = VisibleRows();
    const std::size_t last = count > visible ? count - visible : 0;
    const std::size_t top = row < 0 ? 0 : std::min(static_cast<std::size_t>(row), last);
    if (top != m_top) {
        m_top = top;
        Refresh();
    }
    UpdateScrollBar();
}

void CLargeCodeView::UpdateScrollBar()
{
    // Rows, not pixels, are the scroll bar's unit: the pixel height of a
    // large code would not fit its range.
    const auto clampInt = [](std::size_t n) {
        return static_cast<int>(std::min<std::size_t>(n, INT32_MAX));
    };
    SetScrollbar(wxVERTICAL, clampInt(m_top), clampInt(VisibleRows()), clampInt(m_rows.Count()));
}

std::size_t CLargeCodeView::OffsetAtPoint(const wxPoint& point) const
{
    // Above or below the text means its first or last row in sight.
    const int rowInSight =
        std::clamp((point.y - TextTop()) / m_lineHeight, 0, static_cast<int>(VisibleRows()));
    const std::size_t row = m_top + static_cast<std::size_t>(rowInSight);
    if (row >= m_rows.Count()) {
        return m_code->size();
    }
    const double column = std::max(0.0, std::round((point.x - Margin) / m_charWidth));
    return m_rows.OffsetAt(row, static_cast<std::size_t>(column));
}

void CLargeCodeView::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    const wxSize client = GetClientSize();
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)));
    dc.Clear();

    // The notice: on the dialog's face, so the box visibly differs from an
    // editable one.
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.DrawRectangle(0, 0, client.x, m_noticeHeight - 1);
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.DrawLine(0, m_noticeHeight - 1, client.x, m_noticeHeight - 1);
    dc.SetFont(GetFont());
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT));
    dc.DrawText(NoticeText(), Margin + 1, Margin);

    dc.SetFont(m_font);
    dc.SetClippingRegion(0, TextTop(), client.x, client.y - TextTop());
    const std::size_t end = std::min(m_rows.Count(), m_top + VisibleRows() + 1);
    for (std::size_t row = m_top; row < end; ++row) {
        DrawRow(dc, row, TextTop() + static_cast<int>(row - m_top) * m_lineHeight);
    }
    dc.DestroyClippingRegion();

    // Without a caret, the frame in the selection colour shows where the
    // keys go, as the theme frames a focused text box.
    if (HasFocus()) {
        dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(0, m_noticeHeight, client.x, client.y - m_noticeHeight);
    }
}

void CLargeCodeView::DrawRow(wxDC& dc, std::size_t row, int y) const
{
    const std::string_view bytes = m_rows.Row(row);
    const std::size_t start = m_rows.RowStart(row);
    const std::size_t rowEnd = start + bytes.size();
    const auto [first, last] = GetSelection();
    const auto xOf = [this](std::size_t column) {
        return Margin + static_cast<int>(std::lround(static_cast<double>(column) * m_charWidth));
    };

    std::size_t selFrom = 0;
    std::size_t selTo = 0;
    if (first < last && first <= rowEnd && last > start) {
        selFrom = m_rows.ColumnOf(row, first);
        selTo = m_rows.ColumnOf(row, last);
        // A selected line break shows as one selected cell.
        const bool nextIsNewLine = row + 1 < m_rows.Count() && m_rows.RowStart(row + 1) > rowEnd;
        if (last > rowEnd && nextIsNewLine) {
            ++selTo;
        }
    }
    const std::size_t selFromByte = m_rows.OffsetAt(row, selFrom) - start;
    const std::size_t selToByte = std::min(m_rows.OffsetAt(row, selTo) - start, bytes.size());

    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    dc.SetTextForeground(text);
    dc.DrawText(DisplayText(bytes.substr(0, selFromByte)), xOf(0), y);
    if (selFrom < selTo) {
        const bool active = HasFocus();
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(
            wxSystemSettings::GetColour(active ? wxSYS_COLOUR_HIGHLIGHT : wxSYS_COLOUR_BTNSHADOW)));
        dc.DrawRectangle(xOf(selFrom), y, xOf(selTo) - xOf(selFrom), m_lineHeight);
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
        dc.DrawText(DisplayText(bytes.substr(selFromByte, selToByte - selFromByte)), xOf(selFrom),
                    y);
        dc.SetTextForeground(text);
    }
    dc.DrawText(DisplayText(bytes.substr(selToByte)), xOf(selTo), y);
}

wxString CLargeCodeView::NoticeText() const
{
    return "Read-only: too large to edit here (" + SizeText(m_code->size()) +
           "). Copy and Preview take all of it.";
}

void CLargeCodeView::OnSize(wxSizeEvent& event)
{
    BreakRows();
    Refresh();
    event.Skip();
}

void CLargeCodeView::OnScroll(wxScrollWinEvent& event)
{
    if (event.GetOrientation() != wxVERTICAL) {
        return;
    }
    const auto top = static_cast<std::ptrdiff_t>(m_top);
    const auto page = static_cast<std::ptrdiff_t>(std::max<std::size_t>(VisibleRows() - 1, 1));
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_SCROLLWIN_TOP) {
        ScrollToRow(0);
    } else if (type == wxEVT_SCROLLWIN_BOTTOM) {
        ScrollToRow(PTRDIFF_MAX);
    } else if (type == wxEVT_SCROLLWIN_LINEUP) {
        ScrollToRow(top - 1);
    } else if (type == wxEVT_SCROLLWIN_LINEDOWN) {
        ScrollToRow(top + 1);
    } else if (type == wxEVT_SCROLLWIN_PAGEUP) {
        ScrollToRow(top - page);
    } else if (type == wxEVT_SCROLLWIN_PAGEDOWN) {
        ScrollToRow(top + page);
    } else {
        ScrollToRow(event.GetPosition());
    }
}

void CLargeCodeView::OnMouseWheel(wxMouseEvent& event)
{
    if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelDelta() == 0) {
        event.Skip();
        return;
    }
    // Smooth wheels report fractions of a notch: keep the remainder.
    m_wheelRotation += event.GetWheelRotation();
    const int notches = m_wheelRotation / event.GetWheelDelta();
    m_wheelRotation -= notches * event.GetWheelDelta();
    ScrollToRow(static_cast<std::ptrdiff_t>(m_top) -
                static_cast<std::ptrdiff_t>(notches) * event.GetLinesPerAction());
}

void CLargeCodeView::OnKeyDown(wxKeyEvent& event)
{
    const auto top = static_cast<std::ptrdiff_t>(m_top);
    const auto page = static_cast<std::ptrdiff_t>(std::max<std::size_t>(VisibleRows() - 1, 1));
    const int modifiers = event.GetModifiers();
    switch (event.GetKeyCode()) {
    case WXK_UP:
        ScrollToRow(top - 1);
        return;
    case WXK_DOWN:
        ScrollToRow(top + 1);
        return;
    case WXK_PAGEUP:
        ScrollToRow(top - page);
        return;
    case WXK_PAGEDOWN:
        ScrollToRow(top + page);
        return;
    case WXK_HOME:
        ScrollToRow(0);
        return;
    case WXK_END:
        ScrollToRow(PTRDIFF_MAX);
        return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        // As in the editable box, Enter does not press the default button;
        // here there is no line to break.
        return;
    case 'A':
        if (modifiers == wxMOD_CONTROL) {
            SelectAll();
            return;
        }
        break;
    case 'C':
    case WXK_INSERT:
        if (modifiers == wxMOD_CONTROL) {
            CopySelection();
            return;
        }
        break;
    default:
        break;
    }
    event.Skip();
}

void CLargeCodeView::OnLeftDown(wxMouseEvent& event)
{
    SetFocus();
    m_caret = OffsetAtPoint(event.GetPosition());
    if (!event.ShiftDown()) {
        m_anchor = m_caret;
    }
    if (!HasCapture()) {
        CaptureMouse();
    }
    Refresh();
}

void CLargeCodeView::OnMotion(wxMouseEvent& event)
{
    if (!HasCapture() || !event.LeftIsDown()) {
        return;
    }
    // Dragging past the text scrolls it a row at a time.
    const wxPoint point = event.GetPosition();
    if (point.y < TextTop()) {
        ScrollToRow(static_cast<std::ptrdiff_t>(m_top) - 1);
    } else if (point.y >= TextTop() + static_cast<int>(VisibleRows()) * m_lineHeight) {
        ScrollToRow(static_cast<std::ptrdiff_t>(m_top) + 1);
    }
    m_caret = OffsetAtPoint(point);
    Refresh();
}

void CLargeCodeView::OnLeftUp(wxMouseEvent&)
{
    if (HasCapture()) {
        ReleaseMouse();
    }
}

void CLargeCodeView::OnCaptureLost(wxMouseCaptureLostEvent&)
{}

void CLargeCodeView::OnFocus(wxFocusEvent& event)
{
    Refresh();
    event.Skip();
}

void CLargeCodeView::OnContextMenu(wxContextMenuEvent&)
{
    wxMenu menu;
    menu.Append(CopyCommand, "&Copy");
    menu.Append(SelectAllCommand, "Select &All");
    const auto [first, last] = GetSelection();
    menu.Enable(CopyCommand, first != last);
    switch (GetPopupMenuSelectionFromUser(menu)) {
    case CopyCommand:
        CopySelection();
        break;
    case SelectAllCommand:
        SelectAll();
        break;
    default:
        break;
    }
}

} // namespace quillveil
