#pragma once

#include "HotRect.h"
#include "LinkLook.h"
#include "platform/TooltipColors.h"

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/control.h>
#include <wx/cursor.h>
#include <wx/eventfilter.h>
#include <wx/font.h>

namespace quillveil {

class UrlOpener;

/// A static text of a dialog that behaves as a web link: drawn in link
/// colours, underlined while the pointer rests on it, with a hand cursor over
/// its text, a tooltip, and its URL opened by a click on the text. After a
/// successful open it keeps the visited colour for the rest of its life.
///
/// It is constructed with its dialog and takes the place of the template's
/// static control when the dialog binds it (SubclassDlgItem).
class CHyperLink : public wxControl, private wxEventFilter {
public:
    /// The cursor the control shows.
    enum class Cursor { None, Link, Pressed, Arrow };

    /// Reads the link colours from the desktop theme; creates no window.
    CHyperLink();
    /// Uses the given colours instead of the theme's.
    explicit CHyperLink(const LinkColors& colors);
    ~CHyperLink() override;

    /// Replaces control `id` of `dialog` with this link, keeping its place,
    /// size, tab position, font and window text, then sets the link up.
    /// Returns false when the dialog has no such control.
    bool SubclassDlgItem(int id, wxWindow& dialog);

    /// The text to draw; becomes the window text too.
    void SetLinkText(const wxString& text);
    /// What a click on the text opens; nothing is redrawn.
    void SetURL(const wxString& url);
    /// The tooltip's text.
    void SetToolTipText(const wxString& text);
    /// Asks for the tooltip's background colour.
    void SetTipBkColor(ColorRef color);
    /// Asks for the tooltip's text colour.
    void SetTipTextColor(ColorRef color);

    /// Who opens the URL; the desktop's default handler unless replaced.
    void SetUrlOpener(UrlOpener& opener) { m_pOpener = &opener; }

    /// Draws the control as a paint does, into a bitmap of the client size,
    /// renewing the hot rectangle.
    wxBitmap PaintOffscreen();

    const wxString& GetLinkText() const { return m_strText; }
    const wxString& GetURL() const { return m_strURL; }
    const LinkColors& GetColors() const { return m_colors; }
    bool IsHovering() const { return m_bHover; }
    bool IsVisited() const { return m_bVisited; }
    /// The part that reacts to clicks, as of the last paint.
    const HotRect& GetHotRect() const { return m_rcHot; }
    Cursor GetShownCursor() const { return m_shownCursor; }
    const wxFont& GetNormalFont() const { return m_fontNormal; }
    const wxFont& GetUnderlineFont() const { return m_fontUnderline; }

    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void PreSubclassWindow();
    void ShowCursor(Cursor cursor);
    void OnMouseMove(wxMouseEvent& event);
    void OnPaint(wxPaintEvent& event);
    void OnLButtonDown(wxMouseEvent& event);
    void OnLButtonUp(wxMouseEvent& event);
    void OnRelease(const wxPoint& point);
    int FilterEvent(wxEvent& event) override;
    void OnMouseLeave(wxMouseEvent& event);
    void OnMouseHover();

    wxCursor m_hLinkCursor;
    wxCursor m_hPressedCursor;
    wxCursor m_hArrowCursor;
    bool m_bHover = false;
    bool m_bVisited = false;
    HotRect m_rcHot;
    wxBrush m_brBackground;
    wxFont m_fontNormal;
    wxFont m_fontUnderline;
    TooltipColors m_tipColors;
    wxString m_strText;
    wxString m_strURL;
    LinkColors m_colors;
    UrlOpener* m_pOpener;
    Cursor m_shownCursor = Cursor::None;
    bool m_bFiltering = false;

    wxDECLARE_EVENT_TABLE();
};

} // namespace quillveil
