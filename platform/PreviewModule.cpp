#include "PreviewModule.h"

#include <wx/dynlib.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include <map>

#ifndef QUILLVEIL_PREVIEW_MODULE_DIR
#error "QUILLVEIL_PREVIEW_MODULE_DIR: the module's folder relative to the program's, from the build"
#endif

namespace quillveil {
namespace {

/// The entry point of the module at `file`, loading it the first time; null
/// when it cannot be had.
PreviewEngineEntryPoint EntryPointOf(const wxString& file)
{
    // The engine's windows and its registered types outlive any one pane, so
    // a module once loaded stays loaded.
    static std::map<wxString, PreviewEngineEntryPoint> loaded;
    if (const auto found = loaded.find(file); found != loaded.end()) {
        return found->second;
    }
    wxLogNull quiet; // no module means no pane, not an error box
    wxDynamicLibrary library;
    if (!library.Load(file, wxDL_NOW | wxDL_VERBATIM | wxDL_QUIET)) {
        return nullptr;
    }
    auto entry =
        reinterpret_cast<PreviewEngineEntryPoint>(library.GetSymbol(PreviewEngineEntryPointName));
    if (entry == nullptr) {
        return nullptr; // the library unloads itself again
    }
    library.Detach();
    loaded.emplace(file, entry);
    return entry;
}

} // namespace

wxString FindPreviewModule(const wxString& executable)
{
    const wxString folder = wxFileName(executable).GetPath();
    const wxFileName beside(folder, PreviewModuleFileName);
    if (beside.FileExists()) {
        return beside.GetFullPath();
    }
    wxFileName installed(folder + wxFILE_SEP_PATH + QUILLVEIL_PREVIEW_MODULE_DIR,
                         PreviewModuleFileName);
    installed.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return installed.GetFullPath();
}

PreviewEngineFactory LoadPreviewModule(const wxString& file)
{
    return [file](wxWindow& pane, const LinkOpener& opener) {
        const PreviewEngineEntryPoint entry = EntryPointOf(file);
        return std::unique_ptr<PreviewEngine>(entry != nullptr ? entry(&pane, &opener) : nullptr);
    };
}

PreviewEngineFactory LoadPreviewModule()
{
    // Looked up when the pane is made, not when the dialog is.
    return [](wxWindow& pane, const LinkOpener& opener) {
        return LoadPreviewModule(FindPreviewModule(wxStandardPaths::Get().GetExecutablePath()))(
            pane, opener);
    };
}

} // namespace quillveil
