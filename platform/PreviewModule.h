#pragma once

#include "PreviewEngine.h"

#include <wx/string.h>

namespace quillveil {

/// The file name of the preview pane's module.
inline constexpr const char* PreviewModuleFileName = "quillveil-preview.so";

/// Where the module of the program at `executable` is: next to it, as in the
/// build tree, else in the installed layout's library folder; the installed
/// place when neither exists, so loading fails there.
wxString FindPreviewModule(const wxString& executable);

/// A factory that loads the module at `file` when first asked for an engine
/// and makes the engine with it. A module that is missing, cannot be loaded or
/// lacks the entry point yields no engine, quietly: the dialog then has no
/// pane. The module stays loaded for the life of the process, as the windows
/// it makes may.
PreviewEngineFactory LoadPreviewModule(const wxString& file);

/// The factory for this program's own module (FindPreviewModule of the running
/// executable).
PreviewEngineFactory LoadPreviewModule();

} // namespace quillveil
