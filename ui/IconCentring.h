#pragma once

#include <wx/gdicmn.h>

namespace quillveil {

/// Where an icon of `icon` size is drawn to sit centred in a client area of
/// `client` size, as the minimised window shows the application icon.
/// Halves truncate toward zero, so an icon wider than the area by an odd
/// number of pixels leans right.
inline wxPoint CentredIconOrigin(const wxSize& client, const wxSize& icon)
{
    return {(client.x - icon.x + 1) / 2, (client.y - icon.y + 1) / 2};
}

} // namespace quillveil
