#pragma once

#include <cstddef>
#include <memory>
#include <string>

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
    /// The largest code the editable box is given, in bytes. Measured under
    /// Xvfb: a typed key costs the text box about 50 ms at 32 KiB of code on
    /// one line (the floor of the measurement is 37 ms) and 100 ms at 64 KiB,
    /// where the box also begins to draw garbled glyphs; showing the code
    /// costs less than the key.
    static constexpr std::size_t EditableLimit = 32 * 1024;

    /// Takes over the template's editable box `edit` and puts the large
    /// view, hidden, over its rectangle and after it in the tab order.
    void Attach(wxTextCtrl& edit);

    /// Replaces the whole content with `code` (UTF-8).
    void SetCode(std::string code);
    /// The whole content as UTF-8, hand-typed text included; valid until the
    /// next call.
    const std::string& GetCode();
    /// Whether the content is shown read-only in the large view.
    bool IsLarge() const { return m_large; }

    /// Shows or hides the box, whichever of its two forms is in use.
    void Show(bool show = true);
    void Hide() { Show(false); }
    /// The window that shows the content now.
    wxWindow& GetActiveWindow() const;

    /// Puts the whole content on the clipboard; does nothing when it is empty.
    void CopyToClipboard();

private:
    wxTextCtrl* m_edit = nullptr;
    CLargeCodeView* m_view = nullptr;
    bool m_large = false;
    bool m_shown = true;
    /// The editable box's text as UTF-8, as last read.
    std::string m_editText;
};

} // namespace quillveil
