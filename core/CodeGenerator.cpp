#include "CodeGenerator.h"

namespace quillveil {

GenerateResult GenerateCode(EncoderMode, const EncoderForm&)
{
    return GenerateResult::Code({});
}

} // namespace quillveil
