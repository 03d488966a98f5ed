#include "MainDialogTemplate.h"

#include "ResourceIds.h"

#include <wx/defs.h>
#include <wx/translation.h>

namespace quillveil {

namespace {

using enum ControlKind;

constexpr unsigned SingleLine = AutoHScroll;
constexpr unsigned Wrapping = Multiline | WantReturn;
constexpr unsigned Output = Multiline | WantReturn | VerticalScroll;

// In template order, which is creation, drawing and tab order: each mode box
// comes after its group box so it is drawn above the frame's corner. The mode
// boxes have no text, so each group's caption carries the access key that
// toggles its box. No two access keys clash, "Co&de" (the Preview button's
// other caption, in CEncoderDlg) included. The texts are looked up in the
// program's catalog when the controls are made; the group captions' blanks
// keep the caption clear of the frame's line.
// clang-format off
constexpr ControlTemplate Controls[] = {
    // id                  kind         text                          x    y    w    h   style, icon, key target, names
    // TRANSLATORS: the main window's buttons, group captions and labels. "&" marks the
    // access key (Alt and that letter): no two may share one, "Co&de" included. Group
    // captions keep a blank at either end.
    {IDC_GENERATE,         PushButton,  wxTRANSLATE("&Generate Code"), {8,  259, 65,  16}},
    {IDC_STATIC,           GroupBox,    wxTRANSLATE(" &E-mail "),      {7,  4,   306, 71}, NoStyle, 0, IDC_MODE_EMAIL},
    {IDC_EMAIL_USER,       Edit,        "",                            {15, 23,  135, 12}, SingleLine},
    {IDC_EMAIL_DOMAIN,     Edit,        "",                            {167, 23, 135, 12}, SingleLine},
    {IDC_EMAIL_NAME,       Edit,        "",                            {16, 52,  135, 12}, SingleLine},
    {IDC_EMAIL_SUBJECT,    Edit,        "",                            {168, 52, 135, 12}, SingleLine},
    {IDC_STATIC,           GroupBox,    wxTRANSLATE(" &Link "),        {7,  78,  306, 52}, NoStyle, 0, IDC_MODE_LINK, IDC_LINK},
    {IDC_LINK,             Edit,        "",                            {16, 91,  287, 28}, Wrapping},
    {IDC_STATIC,           GroupBox,    wxTRANSLATE(" &Any Text "),    {7,  134, 306, 52}, NoStyle, 0, IDC_MODE_TEXT, IDC_TEXT},
    {IDC_TEXT,             Edit,        "",                            {16, 147, 287, 28}, Wrapping},
    {IDC_CODE,             Edit,        "",                            {7,  193, 305, 58}, Output},
    {IDC_PREVIEW,          PushButton,  wxTRANSLATE("&Preview"),       {134, 259, 56, 16}},
    {IDC_COPY,             PushButton,  wxTRANSLATE("&Copy"),          {195, 259, 56, 16}},
    {wxID_CANCEL,          PushButton,  wxTRANSLATE("Cl&ose"),         {256, 259, 56, 16}},
    {IDC_STATIC,           Label,       wxTRANSLATE("Address"),        {124, 13, 26,  8}, NoStyle, 0, 0, IDC_EMAIL_USER},
    {IDC_STATIC,           Label,       "@",                           {155, 25, 8,   8}, NoStyle, 0, 0, IDC_EMAIL_DOMAIN},
    {IDC_STATIC,           Label,       wxTRANSLATE("Display Name"),   {106, 42, 44,  8}, NoStyle, 0, 0, IDC_EMAIL_NAME},
    {IDC_STATIC,           Label,       wxTRANSLATE("Subject"),        {168, 42, 25,  8}, NoStyle, 0, 0, IDC_EMAIL_SUBJECT},
    {IDC_MODE_EMAIL,       CheckBox,    "",                            {3,  4,   9,   9}},
    {IDC_MODE_LINK,        CheckBox,    "",                            {3,  78,  9,   9}},
    {IDC_MODE_TEXT,        CheckBox,    "",                            {3,  134, 9,   9}},
};
// clang-format on

constexpr DialogTemplate Main{IDD_MAIN, "Quillveil", 321, 282, Controls};

} // namespace

const DialogTemplate& MainDialogTemplate()
{
    return Main;
}

} // namespace quillveil
