// Resource numbers of the viewer: dialog templates, control ids, bitmaps and
// icons. Shared by the C++ code and the resource script, so plain #defines.
#ifndef ZEL_VIEWER_RESOURCES_H
#define ZEL_VIEWER_RESOURCES_H

// Dialog templates
#define IDD_MAIN_WINDOW 1
#define IDD_MINI_PANEL 2
#define IDD_CONTROL_PANEL 3
#define IDD_USB_CHECK_NOTICE 81
#define IDD_CAPTURE_NOTICE 82
#define IDD_GOODBYE 83
#define IDD_SPLASH 84
#define IDD_SAVING_GUIDANCE 22
// The Save As dialog's extra panel is a template named, not numbered.
#define SAVE_AS_TEMPLATE "Save As"

// Main window
#define IDC_VIEW_PLACEHOLDER 110

// Mini panel
#define IDC_EXIT 201
#define IDC_CONTROL 202
#define IDC_CAPTURE 203
#define IDC_SAVE 204
#define IDC_PRINT 205
#define IDC_ZOOM_FULL 206
#define IDC_ZOOM_HALF 207
#define IDC_ZOOM_QUARTER 208
#define IDC_MINI_BACKGROUND 209

// Notices and splash
#define IDC_NOTICE_TEXT 301
#define IDC_NOTICE_ICON 302
#define IDC_SPLASH_PICTURE 303

// Save As panel: the size choice; 1119 is the platform's placeholder for
// the standard controls of the file dialog.
#define IDC_SIZE_FULL 801
#define IDC_SIZE_HALF 802
#define IDC_SIZE_QUARTER 803
#define IDC_SIZE_GROUP 810
#define IDC_STANDARD_CONTROLS 1119

// Saving guidance
#define IDC_GUIDANCE_TEXT 752
#define IDC_GUIDANCE_ICON 753
#define IDC_SAVE_PROGRESS 851

// Icons
#define IDI_VIEWER 5001
#define IDI_USB_CHECK 5004

// Bitmaps
#define IDB_EXIT 1101
#define IDB_EXIT_PRESSED 1102
#define IDB_CONTROL 1103
#define IDB_CONTROL_PRESSED 1104
#define IDB_CAPTURE_LIVE 1105
#define IDB_CAPTURE_FROZEN 1106
#define IDB_SAVE 1107
#define IDB_SAVE_PRESSED 1108
#define IDB_PRINT 1109
#define IDB_PRINT_PRESSED 1110
#define IDB_ZOOM_FULL 1121
#define IDB_ZOOM_FULL_PRESSED 1122
#define IDB_ZOOM_HALF 1123
#define IDB_ZOOM_HALF_PRESSED 1124
#define IDB_ZOOM_QUARTER 1125
#define IDB_ZOOM_QUARTER_PRESSED 1126
#define IDB_MINI_BACKGROUND 1130
#define IDB_SPLASH 1701

#endif
