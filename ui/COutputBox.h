#pragma once

#include <cstddef>
#include <memory>
#include <string>

class wxString;
class wxTextCtrl;
class wxWindow;

namespace quillveil {

class CLargeCodeView;

/// The output box: the dialog's editable text box for the sizes people type
/// and paste, and in its place a read-only view that draws only its visible
/// rows for a code the text box could not show quickly. The box chooses
/// between them by the size of each code it is given.
class COutputBox {
public:
    /// The largest code the editable box is given, in bytes. Measured with
    /// bench's quillveil-generate-large-text under Xvfb: a letter typed into
    /// the box is answered in about 48 ms with a small code (mostly the round
    /// trip through the X server), 70 ms at 23 KB of code, 75 to 93 ms at
    /// 28 KB, and over 100 ms from about 64 KiB, where the box also starts to
    /// draw garbled glyphs. At 24 KiB a key stays a quarter below the 0.1 s
    /// in which the window must answer.
    static constexpr std::size_t EditableLimit = 24 * 1024;

    /// Takes over the template's editable box `edit` and puts the large
    /// view, hidden, over its rectangle and after it in the tab order; both
    /// are named `name` for assistive technology.
    void Attach(wxTextCtrl& edit, const wxString& name);

    /// Replaces the whole content with `code` (UTF-8).
    void SetCode(std::string code);
    /// The whole content as UTF-8, hand-typed text included. A snapshot that
    /// stays valid whatever happens to the box meanwhile (the preview runs
    /// the event loop while it takes the code); a large code is shared, not
    /// copied.
    std::shared_ptr<const std::string> GetCode() const;

    /// Shows or hides the box, whichever of its two forms is in use.
    void Show(bool show = true);
    void Hide() { Show(false); }

    /// Puts the whole content on the clipboard; does nothing when it is empty.
    void CopyToClipboard();

private:
    /// The window that shows the content now.
    wxWindow& GetActiveWindow() const;

    wxTextCtrl* m_edit = nullptr;
    CLargeCodeView* m_view = nullptr;
    bool m_large = false;
    bool m_shown = true;
};

} // namespace quillveil
