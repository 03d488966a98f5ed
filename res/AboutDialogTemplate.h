#pragma once

#include "platform/DialogTemplate.h"

namespace quillveil {

/// IDD_ABOUTBOX: the About box's template.
const DialogTemplate& AboutDialogTemplate();

} // namespace quillveil
