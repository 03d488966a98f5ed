#include "CLargeCodeView.h"

#include "platform/Accessibility.h"
#include "platform/TextClipboard.h"

#include <wx/dcclient.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/translation.h>

#include <algorithm>
#include <cmath>

namespace quillveil {

namespace {

constexpr int Margin = 3;
constexpr int CopyCommand = wxID_COPY;
constexpr int SelectAllCommand = wxID_SELECTALL;

/// What a character looks like on screen: control characters as blanks,
/// bytes that are not UTF-8 as replacement characters, so no byte can garble
/// the row.
wxUniChar Shown(char32_t code)
{
    return code < 0x20 || code == 0x7F ? wxUniChar(' ') : wxUniChar(static_cast<unsigned>(code));
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

CLargeCodeView::CLargeCodeView(wxWindow& parent, const wxRect& rect, const wxString& name)
    : m_code(std::make_shared<const std::string>())
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(&parent, wxID_ANY, rect.GetPosition(), rect.GetSize(),
           wxVSCROLL | wxALWAYS_SHOW_SB | wxBORDER_SUNKEN, "code view");
    m_font = wxFont(wxFontInfo(GetFont().GetPointSize()).Family(wxFONTFAMILY_TELETYPE));
    wxClientDC dc(this);
    dc.SetFont(m_font);
    // Measured over many characters: the advance is fractional. Rows are as
    // tall as a row holding a wide character, which comes from a fallback
    // font that may be taller.
    const wxSize sample = dc.GetTextExtent(wxString('0', 100));
    m_charWidth = std::max(1.0, sample.x / 100.0);
    m_lineHeight = std::max({1, sample.y, dc.GetTextExtent(wxString(wxUniChar(0x6F22))).y});
    dc.SetFont(GetFont());
    m_noticeHeight = dc.GetTextExtent("Rg").y + 2 * Margin + 1;
    SetToolTip(_("This code is too large to edit here. Ctrl+A selects all of it and Ctrl+C "
                 "copies the selection; the Copy and Preview buttons always take the whole code."));
    ExposeReadOnlyText(*this, *this, name);
    SetAccessibleDescription(*this, NoticeText());
    BreakRows();
}

CLargeCodeView::~CLargeCodeView()
{
    ForgetReadOnlyText(*this);
}

void CLargeCodeView::SetCode(std::shared_ptr<const std::string> code)
{
    m_code = code ? std::move(code) : std::make_shared<const std::string>();
    m_top = 0;
    m_anchor = m_caret = 0;
    m_goalX.reset();
    BreakRows();
    SetAccessibleDescription(*this, NoticeText());
    ReportTextReplaced(*this);
    Refresh();
}

void CLargeCodeView::SelectAll()
{
    SelectBytes(0, m_code->size());
}

void CLargeCodeView::SelectBytes(std::size_t anchor, std::size_t caret)
{
    m_goalX.reset();
    m_anchor = anchor;
    MoveCaret(caret, true);
    ReportSelectionChanged(*this);
}

std::pair<std::size_t, std::size_t> CLargeCodeView::GetSelection() const
{
    return std::minmax(m_anchor, m_caret);
}

bool CLargeCodeView::CopySelection()
{
    const auto [first, last] = GetSelection();
    return first != last && PutTextOnSelection(TextSelection::Clipboard, m_code, first, last);
}

void CLargeCodeView::OfferSelectionAsPrimary() const
{
    const auto [first, last] = GetSelection();
    if (first != last) {
        PutTextOnSelection(TextSelection::Primary, m_code, first, last);
    }
}

void CLargeCodeView::BreakRows()
{
    const int width = GetClientSize().x - 2 * Margin;
    const auto cells = static_cast<std::size_t>(std::max(1.0, std::floor(width / m_charWidth)));
    const std::size_t topOffset = m_rows.RowStart(std::min(m_top, m_rows.Count() - 1));
    m_rows = CodeRows(*m_code, cells);
    m_top = m_rows.RowOf(std::min(topOffset, m_code->size()));
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

// Each stretch between tabs is measured by the toolkit as it will be drawn,
// so wide characters, combining marks and characters from fallback fonts
// take the room they are drawn in, and a tab reaches the next stop of eight
// blanks.
CLargeCodeView::RowLayout CLargeCodeView::LayOut(std::size_t row) const
{
    RowLayout layout;
    const std::string_view bytes = m_rows.Row(row);
    const std::size_t start = m_rows.RowStart(row);
    struct Stop {
        std::size_t offset;
        std::size_t piece;
        std::size_t index; ///< the characters of its piece before it
    };
    std::vector<Stop> stops;
    layout.pieces.push_back({wxString(), 0});
    std::vector<bool> tabbed{false}; // whether a piece starts after a tab
    for (std::size_t i = 0; i < bytes.size();) {
        const CodeCharacter character = DecodeCharacter(bytes, i);
        const std::size_t piece = layout.pieces.size() - 1;
        if (character.code == '\t') {
            stops.push_back({start + i, piece, layout.pieces.back().text.length()});
            layout.pieces.push_back({wxString(), 0});
            tabbed.push_back(true);
        } else {
            if (CellsOf(character.code) != 0 || layout.pieces.back().text.empty()) {
                stops.push_back({start + i, piece, layout.pieces.back().text.length()});
            }
            layout.pieces.back().text += Shown(character.code);
        }
        i += character.length;
    }

    wxClientDC dc(const_cast<CLargeCodeView*>(this));
    dc.SetFont(m_font);
    const int tabWidth = std::max(1, static_cast<int>(std::lround(TabCells * m_charWidth)));
    std::vector<wxArrayInt> extents(layout.pieces.size());
    for (std::size_t p = 0; p < layout.pieces.size(); ++p) {
        RowLayout::Piece& piece = layout.pieces[p];
        if (p > 0) {
            const RowLayout::Piece& before = layout.pieces[p - 1];
            const int end = before.x + (extents[p - 1].empty() ? 0 : extents[p - 1].back());
            piece.x = tabbed[p] ? (end / tabWidth + 1) * tabWidth : end;
        }
        if (!piece.text.empty() && (!dc.GetPartialTextExtents(piece.text, extents[p]) ||
                                    extents[p].size() != piece.text.length())) {
            // A measurement that failed: the grid of fixed cells instead.
            extents[p].clear();
            for (std::size_t i = 1; i <= piece.text.length(); ++i) {
                extents[p].push_back(
                    static_cast<int>(std::lround(static_cast<double>(i) * m_charWidth)));
            }
        }
    }
    for (const Stop& stop : stops) {
        layout.stops.push_back(stop.offset);
        layout.xs.push_back(layout.pieces[stop.piece].x +
                            (stop.index == 0 ? 0 : extents[stop.piece][stop.index - 1]));
    }
    const std::size_t lastPiece = layout.pieces.size() - 1;
    layout.stops.push_back(start + bytes.size());
    layout.xs.push_back(layout.pieces[lastPiece].x +
                        (extents[lastPiece].empty() ? 0 : extents[lastPiece].back()));
    return layout;
}

std::size_t CLargeCodeView::OffsetInRowAt(std::size_t row, int x) const
{
    const RowLayout layout = LayOut(row);
    // The stop nearest to x: past the middle of a character is after it.
    std::size_t best = 0;
    for (std::size_t i = 1; i < layout.xs.size(); ++i) {
        if (std::abs(layout.xs[i] - x) < std::abs(layout.xs[best] - x)) {
            best = i;
        }
    }
    return layout.stops[best];
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
    return OffsetInRowAt(row, point.x - Margin);
}

int CLargeCodeView::CaretX() const
{
    const RowLayout layout = LayOut(m_rows.RowOf(m_caret));
    const auto at = std::lower_bound(layout.stops.begin(), layout.stops.end(), m_caret);
    return layout.xs[static_cast<std::size_t>(
        std::min(at - layout.stops.begin(), static_cast<std::ptrdiff_t>(layout.xs.size() - 1)))];
}

void CLargeCodeView::ScrollToCaret()
{
    const std::size_t row = m_rows.RowOf(m_caret);
    const std::size_t visible = VisibleRows();
    if (row < m_top) {
        ScrollToRow(static_cast<std::ptrdiff_t>(row));
    } else if (row >= m_top + visible) {
        ScrollToRow(static_cast<std::ptrdiff_t>(row - visible + 1));
    }
}

void CLargeCodeView::MoveCaret(std::size_t offset, bool extend)
{
    const auto before = GetSelection();
    const std::size_t caretBefore = m_caret;
    m_caret = std::min(offset, m_code->size());
    if (!extend) {
        m_anchor = m_caret;
    }
    ScrollToCaret();
    Refresh();
    if (m_caret != caretBefore) {
        ReportCaretMoved(*this, m_rows.CharacterIndex(m_caret));
    }
    // One empty selection is as good as another.
    const auto after = GetSelection();
    if (after != before && (after.first != after.second || before.first != before.second)) {
        ReportSelectionChanged(*this);
    }
}

void CLargeCodeView::MoveCaretToRow(std::ptrdiff_t row, bool extend)
{
    if (!m_goalX) {
        m_goalX = CaretX();
    }
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(m_rows.Count()) - 1;
    const auto target = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(row, 0, last));
    const int goal = *m_goalX;
    MoveCaret(OffsetInRowAt(target, goal), extend);
    m_goalX = goal;
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

    // The frame in the selection colour shows where the keys go, as the
    // theme frames a focused text box.
    if (HasFocus()) {
        dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(0, m_noticeHeight, client.x, client.y - m_noticeHeight);
    }
}

void CLargeCodeView::DrawRow(wxDC& dc, std::size_t row, int y) const
{
    const RowLayout layout = LayOut(row);
    const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    dc.SetTextForeground(text);
    for (const RowLayout::Piece& piece : layout.pieces) {
        dc.DrawText(piece.text, Margin + piece.x, y);
    }

    // The selection: exactly the characters between its ends, which are
    // always stops; a selected line break shows as one selected blank.
    const auto [first, last] = GetSelection();
    const std::size_t rowStart = layout.stops.front();
    const std::size_t rowEnd = layout.stops.back();
    const std::size_t next = row + 1 < m_rows.Count() ? m_rows.RowStart(row + 1) : rowEnd;
    if (first < last && first <= rowEnd && last > rowStart && (first < rowEnd || next > rowEnd)) {
        const auto xAt = [&layout](std::size_t offset) {
            const auto at = std::lower_bound(layout.stops.begin(), layout.stops.end(), offset);
            return layout.xs[static_cast<std::size_t>(std::min(
                at - layout.stops.begin(), static_cast<std::ptrdiff_t>(layout.xs.size() - 1)))];
        };
        const int from = xAt(std::max(first, rowStart));
        int to = xAt(std::min(last, rowEnd));
        if (last > rowEnd && next > rowEnd) {
            to += static_cast<int>(std::lround(m_charWidth));
        }
        const wxRect selected(Margin + from, y, to - from, m_lineHeight);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxSystemSettings::GetColour(HasFocus() ? wxSYS_COLOUR_HIGHLIGHT
                                                                   : wxSYS_COLOUR_BTNSHADOW)));
        dc.DrawRectangle(selected);
        wxDCClipper clip(dc, selected);
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
        for (const RowLayout::Piece& piece : layout.pieces) {
            dc.DrawText(piece.text, Margin + piece.x, y);
        }
        dc.SetTextForeground(text);
    }

    if (HasFocus() && m_rows.RowOf(m_caret) == row) {
        const int x = Margin + CaretX();
        dc.SetPen(wxPen(text));
        dc.DrawLine(x, y, x, y + m_lineHeight);
    }
}

wxString CLargeCodeView::NoticeText() const
{
    // TRANSLATORS: %s is the code's size, such as "1.5 MB".
    return wxString::Format(_("Read-only: too large to edit here (%s). Copy and Preview take all "
                              "of it."),
                            SizeText(m_code->size()));
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
    const int modifiers = event.GetModifiers();
    const bool extend = (modifiers & wxMOD_SHIFT) != 0;
    const bool control = (modifiers & wxMOD_CONTROL) != 0;
    const auto row = static_cast<std::ptrdiff_t>(m_rows.RowOf(m_caret));
    const auto page = static_cast<std::ptrdiff_t>(std::max<std::size_t>(VisibleRows() - 1, 1));
    const int key = event.GetKeyCode();
    const bool vertical =
        key == WXK_UP || key == WXK_DOWN || key == WXK_PAGEUP || key == WXK_PAGEDOWN;
    if (!vertical) {
        m_goalX.reset();
    }
    switch (key) {
    case WXK_LEFT:
        MoveCaret(m_rows.PreviousStop(m_caret), extend);
        break;
    case WXK_RIGHT:
        MoveCaret(m_rows.NextStop(m_caret), extend);
        break;
    case WXK_UP:
        MoveCaretToRow(row - 1, extend);
        break;
    case WXK_DOWN:
        MoveCaretToRow(row + 1, extend);
        break;
    case WXK_PAGEUP:
        ScrollToRow(static_cast<std::ptrdiff_t>(m_top) - page);
        MoveCaretToRow(row - page, extend);
        break;
    case WXK_PAGEDOWN:
        ScrollToRow(static_cast<std::ptrdiff_t>(m_top) + page);
        MoveCaretToRow(row + page, extend);
        break;
    case WXK_HOME:
        MoveCaret(control ? 0 : m_rows.RowStart(static_cast<std::size_t>(row)), extend);
        break;
    case WXK_END:
        MoveCaret(control ? m_code->size()
                          : m_rows.RowStart(static_cast<std::size_t>(row)) +
                                m_rows.Row(static_cast<std::size_t>(row)).size(),
                  extend);
        break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        // As in the editable box, Enter does not press the default button;
        // here there is no line to break.
        return;
    case 'A':
        if (modifiers != wxMOD_CONTROL) {
            event.Skip();
            return;
        }
        SelectAll();
        break;
    case 'C':
    case WXK_INSERT:
        if (modifiers == wxMOD_CONTROL) {
            CopySelection();
            return;
        }
        event.Skip();
        return;
    default:
        event.Skip();
        return;
    }
    if (extend || key == 'A') {
        OfferSelectionAsPrimary();
    }
}

void CLargeCodeView::OnLeftDown(wxMouseEvent& event)
{
    SetFocus();
    m_goalX.reset();
    MoveCaret(OffsetAtPoint(event.GetPosition()), event.ShiftDown());
    if (!HasCapture()) {
        CaptureMouse();
    }
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
    MoveCaret(OffsetAtPoint(point), true);
}

void CLargeCodeView::OnLeftUp(wxMouseEvent&)
{
    if (HasCapture()) {
        ReleaseMouse();
        OfferSelectionAsPrimary();
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
    menu.Append(CopyCommand, _("&Copy"));
    menu.Append(SelectAllCommand, _("Select &All"));
    const auto [first, last] = GetSelection();
    menu.Enable(CopyCommand, first != last);
    switch (GetPopupMenuSelectionFromUser(menu)) {
    case CopyCommand:
        CopySelection();
        break;
    case SelectAllCommand:
        SelectAll();
        OfferSelectionAsPrimary();
        break;
    default:
        break;
    }
}

std::size_t CLargeCodeView::CharacterCount() const
{
    return m_rows.CharacterCount();
}

std::string CLargeCodeView::TextBetween(std::size_t start, std::size_t end) const
{
    const std::size_t from = m_rows.CharacterOffset(start);
    return m_code->substr(from, m_rows.CharacterOffset(end) - from);
}

std::size_t CLargeCodeView::CaretCharacter() const
{
    return m_rows.CharacterIndex(m_caret);
}

std::pair<std::size_t, std::size_t> CLargeCodeView::SelectedCharacters() const
{
    const auto [first, last] = GetSelection();
    return {m_rows.CharacterIndex(first), m_rows.CharacterIndex(last)};
}

void CLargeCodeView::SelectCharacters(std::size_t anchor, std::size_t caret)
{
    // Only at the caret's stops, so the selection is what shows highlighted:
    // a mark never apart from its character.
    const auto stop = [this](std::size_t character) {
        const std::size_t offset = m_rows.CharacterOffset(character);
        const std::size_t before = m_rows.PreviousStop(offset);
        const std::size_t after = m_rows.NextStop(before);
        return after <= offset ? after : before;
    };
    SelectBytes(stop(anchor), stop(caret));
    OfferSelectionAsPrimary();
}

std::pair<std::size_t, std::size_t> CLargeCodeView::RowAround(std::size_t character) const
{
    const std::size_t row = m_rows.RowOf(m_rows.CharacterOffset(character));
    const std::size_t end = row + 1 < m_rows.Count() ? m_rows.RowStart(row + 1) : m_code->size();
    return {m_rows.CharacterIndex(m_rows.RowStart(row)), m_rows.CharacterIndex(end)};
}

std::optional<wxRect> CLargeCodeView::CharacterOnScreen(std::size_t character) const
{
    const std::size_t offset = m_rows.CharacterOffset(character);
    const std::size_t row = m_rows.RowOf(offset);
    if (row < m_top || row >= m_top + VisibleRows()) {
        return std::nullopt;
    }
    const RowLayout layout = LayOut(row);
    const auto at = std::upper_bound(layout.stops.begin(), layout.stops.end(), offset);
    const auto index =
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(at - layout.stops.begin() - 1, 0));
    const int x = layout.xs[index];
    const int right = index + 1 < layout.xs.size() ? layout.xs[index + 1] : x;
    const int y = TextTop() + static_cast<int>(row - m_top) * m_lineHeight;
    return wxRect(ClientToScreen(wxPoint(Margin + x, y)), wxSize(right - x, m_lineHeight));
}

std::optional<std::size_t> CLargeCodeView::CharacterAtScreenPoint(const wxPoint& point) const
{
    const wxPoint client = ScreenToClient(point);
    if (!wxRect(GetClientSize()).Contains(client) || client.y < TextTop()) {
        return std::nullopt;
    }
    return m_rows.CharacterIndex(OffsetAtPoint(client));
}

} // namespace quillveil
