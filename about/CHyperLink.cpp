#include "CHyperLink.h"

#include "LinkCursorImages.h"
#include "platform/Accessibility.h"
#include "platform/DialogFaceColour.h"
#include "platform/ThemeLinkColors.h"
#include "platform/UrlOpener.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>
#include <wx/tooltip.h>
#include <wx/toplevel.h>

#include <algorithm>

namespace quillveil {

namespace {

LinkColors ColorsFromTheme()
{
    const ThemeLinkColorTexts theme = ReadThemeLinkColors();
    AnchorColorTexts texts;
    if (theme.link) {
        texts.anchor = *theme.link;
    }
    if (theme.visited) {
        texts.visited = *theme.visited;
    }
    return LinkColorsFrom(texts);
}

wxCursor MakeCursor(const CursorPlanes& planes)
{
    const X11CursorBits x11 = ToX11CursorBits(planes);
    return wxCursor(reinterpret_cast<const char*>(x11.bits.data()), 32, 32, LinkCursorHotSpotX,
                    LinkCursorHotSpotY, reinterpret_cast<const char*>(x11.mask.data()));
}

wxColour ToColour(ColorRef color)
{
    return wxColour(static_cast<unsigned long>(color));
}

} // namespace

wxBEGIN_EVENT_TABLE(CHyperLink, wxControl)
    EVT_MOTION(CHyperLink::OnMouseMove)
    // Entering a window is a mouse move of its own on the system this
    // control imitates; GTK reports it separately.
    EVT_ENTER_WINDOW(CHyperLink::OnMouseMove)
    EVT_PAINT(CHyperLink::OnPaint)
    EVT_LEFT_DOWN(CHyperLink::OnLButtonDown)
    EVT_LEFT_UP(CHyperLink::OnLButtonUp)
    EVT_LEAVE_WINDOW(CHyperLink::OnMouseLeave)
wxEND_EVENT_TABLE()

CHyperLink::CHyperLink() : CHyperLink(ColorsFromTheme())
{}

CHyperLink::CHyperLink(const LinkColors& colors) : m_colors(colors), m_pOpener(&DesktopUrlOpener())
{}

CHyperLink::~CHyperLink()
{
    if (m_bFiltering) {
        wxEvtHandler::RemoveFilter(this);
    }
}

bool CHyperLink::SubclassDlgItem(int id, wxWindow& dialog)
{
    wxWindow* original = dialog.FindWindow(id);
    if (original == nullptr || original == &dialog || GetHandle() != nullptr) {
        return false;
    }
    // Everything is painted off screen; nothing should be erased first.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!Create(original->GetParent(), id, original->GetPosition(), original->GetSize(),
                wxBORDER_NONE)) {
        return false;
    }
    SetFont(original->GetFont());
    SetLabel(original->GetLabel());
    MoveAfterInTabOrder(original);
    original->Destroy();
    PreSubclassWindow();
    return true;
}

void CHyperLink::PreSubclassWindow()
{
    // Being a window of its own, the control already receives the mouse
    // messages a notifying static control gets.
    if (GetLabel().empty()) {
        SetLabel(m_strText);
    }

    wxFont font = GetFont();
    if (!font.IsOk()) {
        font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    }
    m_fontNormal = font;
    m_fontUnderline = font.Underlined();

    // The face of the dialog at this moment; not renewed later.
    m_brBackground = wxBrush(DialogFaceColour(*wxGetTopLevelParent(this)));

    m_hLinkCursor = MakeCursor(LinkCursorPlanes());
    m_hPressedCursor = MakeCursor(PressedCursorPlanes());
    m_hArrowCursor = wxCursor(wxCURSOR_ARROW);

    // One tool with nothing to show until SetToolTipText gives it a text;
    // it covers the whole control, which does not change its size here.
    SetToolTip(new wxToolTip(wxEmptyString));

    // A release belongs to the window that got the press, so one that began
    // elsewhere in the dialog never reaches this control's handlers.
    wxEvtHandler::AddFilter(this);
    m_bFiltering = true;
}

void CHyperLink::SetLinkText(const wxString& text)
{
    m_strText = text;
    SetLabel(text);
    // Read as the link it looks like, by the text it shows.
    SetAccessibleRole(*this, AccessibleRole::Link);
    SetAccessibleName(*this, wxControl::RemoveMnemonics(text));
    Refresh();
}

void CHyperLink::SetURL(const wxString& url)
{
    m_strURL = url;
}

void CHyperLink::SetToolTipText(const wxString& text)
{
    if (wxToolTip* tip = GetToolTip()) {
        tip->SetTip(text);
    }
}

void CHyperLink::SetTipBkColor(ColorRef color)
{
    m_tipColors.SetBackground(ToColour(color));
}

void CHyperLink::SetTipTextColor(ColorRef color)
{
    m_tipColors.SetText(ToColour(color));
}

void CHyperLink::ShowCursor(Cursor cursor)
{
    if (cursor == m_shownCursor) {
        return;
    }
    m_shownCursor = cursor;
    switch (cursor) {
    case Cursor::Link:
        SetCursor(m_hLinkCursor);
        break;
    case Cursor::Pressed:
        SetCursor(m_hPressedCursor);
        break;
    case Cursor::Arrow:
        SetCursor(m_hArrowCursor);
        break;
    case Cursor::None:
        SetCursor(wxNullCursor);
        break;
    }
}

void CHyperLink::OnMouseMove(wxMouseEvent& event)
{
    event.Skip();
    // Every move first asks for the link cursor, whatever the position;
    // only once hovering has begun does the part beside the text show the
    // arrow.
    Cursor cursor = Cursor::Link;
    if (!m_bHover) {
        // The pointer has come to rest on the control: the shortest hover
        // time there is, so hovering begins with the first move.
        OnMouseHover();
    } else if (!m_rcHot.Contains(event.GetX(), event.GetY())) {
        cursor = Cursor::Arrow;
    }
    ShowCursor(cursor);
}

void CHyperLink::OnMouseHover()
{
    m_bHover = true;
    Refresh();
}

void CHyperLink::OnMouseLeave(wxMouseEvent& event)
{
    event.Skip();
    m_bHover = false;
    Refresh();
}

void CHyperLink::OnLButtonDown(wxMouseEvent& event)
{
    ShowCursor(m_rcHot.Contains(event.GetX(), event.GetY()) ? Cursor::Pressed : Cursor::Arrow);
    event.Skip();
}

void CHyperLink::OnLButtonUp(wxMouseEvent& event)
{
    OnRelease(event.GetPosition());
    event.Skip();
}

// Press and release are judged each by its own position: a release on the
// text opens the URL wherever the press happened.
void CHyperLink::OnRelease(const wxPoint& point)
{
    if (m_rcHot.Contains(point.x, point.y)) {
        ShowCursor(Cursor::Link);
        // The visited colour shows with the next paint; no repaint here.
        if (m_pOpener->Open(m_strURL)) {
            m_bVisited = true;
        }
    } else {
        ShowCursor(Cursor::Arrow);
    }
}

// The release of a press on another window of the same dialog (its
// background, a label) over this control, judged as if it were this
// control's own. The event goes on to its window unchanged.
int CHyperLink::FilterEvent(wxEvent& event)
{
    if (event.GetEventType() != wxEVT_LEFT_UP) {
        return Event_Skip;
    }
    auto* window = dynamic_cast<wxWindow*>(event.GetEventObject());
    if (window == nullptr || window == this || IsBeingDeleted() || !IsShownOnScreen() ||
        wxGetTopLevelParent(window) != wxGetTopLevelParent(this)) {
        return Event_Skip;
    }
    const wxPoint point =
        ScreenToClient(window->ClientToScreen(static_cast<wxMouseEvent&>(event).GetPosition()));
    if (wxRect(GetClientSize()).Contains(point)) {
        OnRelease(point);
    }
    return Event_Skip;
}

wxBitmap CHyperLink::PaintOffscreen()
{
    const wxSize client = GetClientSize();
    const wxSize size(std::max(client.x, 1), std::max(client.y, 1));
    wxBitmap bitmap(size);
    wxMemoryDC dc(bitmap);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);

    const LinkLook look = ChooseLinkLook(m_bHover, m_bVisited, m_colors);
    dc.SetTextForeground(ToColour(look.color));
    dc.SetFont(look.underline ? m_fontUnderline : m_fontNormal);

    // The hot width counts every character as drawn on one line, an
    // ampersand included, plus half an average character of slack.
    const int averageWidth = dc.GetFontMetrics().averageWidth;
    const int textWidth = m_strText.empty() ? 0 : dc.GetTextExtent(m_strText).x;
    m_rcHot = ComputeHotRect(client.y, textWidth, averageWidth);

    dc.SetBackground(m_brBackground);
    dc.Clear();

    // Drawn as a static control draws its text: top left, breaking only at
    // line breaks, '&' marking the access key and "&&" showing one '&'.
    wxString shown;
    const int accelIndex = wxControl::FindAccelIndex(m_strText, &shown);
    dc.DrawLabel(shown, wxRect(size), wxALIGN_LEFT | wxALIGN_TOP, accelIndex);

    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

void CHyperLink::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    const wxBitmap bitmap = PaintOffscreen();
    wxMemoryDC source;
    source.SelectObjectAsSource(bitmap);
    dc.Blit(0, 0, bitmap.GetWidth(), bitmap.GetHeight(), &source, 0, 0, wxCOPY);
}

} // namespace quillveil
