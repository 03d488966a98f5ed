#include "AppIcons.h"

namespace quillveil {

// To be filled with the PNGs compiled into the program.
wxIconBundle LoadIconGroup(int)
{
    return {};
}

} // namespace quillveil
