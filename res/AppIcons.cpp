#include "AppIcons.h"

#include "EmbeddedFiles.h"
#include "ResourceIds.h"

#include <wx/icon.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <span>
#include <string_view>

namespace quillveil {

namespace {

constexpr std::string_view mainFrameImages[] = {"quillveil-48.png", "quillveil-32.png",
                                                "quillveil-24.png", "quillveil-16.png"};
constexpr std::string_view aboutImages[] = {"quillveil-128.png"};

std::span<const std::string_view> ImagesOfGroup(int resourceId)
{
    switch (resourceId) {
    case IDR_MAINFRAME:
        return mainFrameImages;
    case IDI_ABOUT:
        return aboutImages;
    default:
        return {};
    }
}

const EmbeddedFile* FindIconFile(std::string_view name)
{
    for (const EmbeddedFile& file : EmbeddedIconFiles()) {
        if (file.name == name) {
            return &file;
        }
    }
    return nullptr;
}

// wxImage decodes only the formats whose handlers were added; the program may
// not have called wxInitAllImageHandlers, so make sure of PNG here.
void EnsurePngHandler()
{
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) {
        wxImage::AddHandler(new wxPNGHandler);
    }
}

} // namespace

wxIconBundle LoadIconGroup(int resourceId)
{
    EnsurePngHandler();
    wxIconBundle bundle;
    for (std::string_view name : ImagesOfGroup(resourceId)) {
        const EmbeddedFile* file = FindIconFile(name);
        if (file == nullptr) {
            continue;
        }
        wxMemoryInputStream stream(file->bytes.data(), file->bytes.size());
        const wxImage image(stream, wxBITMAP_TYPE_PNG);
        if (!image.IsOk()) {
            continue;
        }
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(image));
        bundle.AddIcon(icon);
    }
    return bundle;
}

} // namespace quillveil
