#include "StringTable.h"

#include "ResourceIds.h"

namespace quillveil {

std::string_view LoadResourceString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return "&About Quillveil...";
    default:
        return {};
    }
}

} // namespace quillveil
