#include "StringTable.h"

#include "ResourceIds.h"

#include <wx/translation.h>

namespace quillveil {

std::string_view LoadResourceString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return wxTRANSLATE("&About Quillveil...");
    default:
        return {};
    }
}

} // namespace quillveil
