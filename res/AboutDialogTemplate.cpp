#include "AboutDialogTemplate.h"

#include "ProgramInfo.h"
#include "ResourceIds.h"

#include <wx/defs.h>
#include <wx/translation.h>

#include <array>
#include <string>

namespace quillveil {

namespace {

// "Quillveil v 1.0": the name and the first two parts of the project version.
std::string VersionText()
{
    const std::string_view version = ProgramVersion;
    const std::size_t firstDot = version.find('.');
    const std::size_t secondDot =
        firstDot == std::string_view::npos ? firstDot : version.find('.', firstDot + 1);
    return std::string(ProgramName) + " v " + std::string(version.substr(0, secondDot));
}

} // namespace

const DialogTemplate& AboutDialogTemplate()
{
    static const std::string version = VersionText();
    static const std::array<ControlTemplate, 8> controls{{
        {IDC_STATIC, ControlKind::Icon, "", {8, 5, 20, 20}, RealSizeImage, IDI_ABOUT},
        {IDC_STATIC, ControlKind::Label, version, {101, 9, 80, 8}, NoPrefix},
        {wxID_OK, ControlKind::DefPushButton, wxTRANSLATE("&OK"), {186, 96, 56, 16}},
        {IDC_HOMEPAGE, ControlKind::Label, HomePageUrl, {126, 71, 115, 8}},
        {IDC_STATIC, ControlKind::EtchedLine, "", {2, 88, 246, 1}},
        {IDC_STATIC,
         ControlKind::Label,
         wxTRANSLATE("Copyright (C) 2026 The Quillveil developers"),
         {101, 58, 140, 8}},
        {IDC_STATIC, ControlKind::Label, wxTRANSLATE("Home:"), {101, 71, 22, 8}},
        // Translated as the desktop entry's comment, the same text.
        {IDC_STATIC, ControlKind::Label, ProgramDescription, {101, 23, 136, 8}},
    }};
    static const DialogTemplate dialogTemplate{IDD_ABOUTBOX, wxTRANSLATE("About Quillveil"), 250,
                                               119, controls};
    return dialogTemplate;
}

} // namespace quillveil
