#pragma once

#include "platform/DialogTemplate.h"

namespace quillveil {

/// IDD_MAIN: the main window's template.
const DialogTemplate& MainDialogTemplate();

} // namespace quillveil
