#pragma once

#include "EncoderTypes.h"

namespace quillveil {

/// GenerateCode, with link mode's reading of the pasted HTML in a child process: markup the
/// HTML parser aborts or crashes on gets the warning "Invalid link, it cannot be read as
/// HTML" and ends nothing but the child. Email and text modes parse nothing and run here.
/// Throws std::bad_alloc when the child ran out of memory, std::system_error when it cannot
/// be started.
GenerateResult GenerateCodeContained(EncoderMode mode, const EncoderForm& form);

} // namespace quillveil
