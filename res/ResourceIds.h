#pragma once

// Identifiers of the dialog templates, their controls, icons, menu commands
// and strings. Control ids double as wxWidgets window ids; Close and OK use
// the toolkit's own wxID_CANCEL and wxID_OK so Escape and Enter work natively.

namespace quillveil {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN = 102;

inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDI_ABOUT = 129;

inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDM_ABOUTBOX = 0x0010;

inline constexpr int IDC_STATIC = -1;

inline constexpr int IDC_CODE = 1000;
inline constexpr int IDC_EMAIL_USER = 1001;
inline constexpr int IDC_EMAIL_DOMAIN = 1002;
inline constexpr int IDC_EMAIL_NAME = 1003;
inline constexpr int IDC_EMAIL_SUBJECT = 1004;
inline constexpr int IDC_LINK = 1005;
inline constexpr int IDC_GENERATE = 1006;
inline constexpr int IDC_PREVIEW = 1007;
inline constexpr int IDC_COPY = 1008;
inline constexpr int IDC_MODE_EMAIL = 1009;
inline constexpr int IDC_MODE_LINK = 1010;
inline constexpr int IDC_TEXT = 1011;
inline constexpr int IDC_MODE_TEXT = 1012;

inline constexpr int IDC_HOMEPAGE = 1001; // in IDD_ABOUTBOX

} // namespace quillveil
