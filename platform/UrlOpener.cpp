#include "UrlOpener.h"

#include <wx/log.h>
#include <wx/utils.h>

namespace quillveil {

namespace {

class DefaultBrowserOpener final : public UrlOpener {
public:
    bool Open(const wxString& url) override
    {
        // A failed launch is absorbed: the caller goes on unvisited and the
        // user sees no error box from the toolkit's log.
        wxLogNull quiet;
        return wxLaunchDefaultBrowser(url);
    }
};

} // namespace

UrlOpener& DesktopUrlOpener()
{
    static DefaultBrowserOpener opener;
    return opener;
}

} // namespace quillveil
