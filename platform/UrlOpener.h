#pragma once

#include <wx/string.h>

namespace quillveil {

/// Hands a URL to whatever opens it; tests substitute their own.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;

    /// Asks for `url` to be opened; true when the request was accepted.
    virtual bool Open(const wxString& url) = 0;
};

/// The desktop's default handler for URLs (its "open" action). Failures are
/// reported by the result only, never shown to the user.
UrlOpener& DesktopUrlOpener();

} // namespace quillveil
