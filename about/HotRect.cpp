#include "HotRect.h"

namespace quillveil {

HotRect ComputeHotRect(int clientHeight, int textWidth, int averageCharWidth)
{
    return {0, 0, textWidth + averageCharWidth / 2, clientHeight};
}

} // namespace quillveil
