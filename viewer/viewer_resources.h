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
#define IDD_PAGE_SETUP 23
#define IDD_PRINTING_GUIDANCE 24
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

// Printing guidance (its text line is IDC_GUIDANCE_TEXT too)
#define IDC_PRINT_PROGRESS 751

// Page setup: the standard parts of the platform's page setup dialog under
// their standard numbers, and the program's own options, picture size and
// labels. The same numbers are named for the code in print_layout.h.
#define IDC_PS_SAMPLE 1080
#define IDC_PS_SHADOW_RIGHT 1081
#define IDC_PS_SHADOW_BOTTOM 1082
#define IDC_PS_PAPER_GROUP 1073
#define IDC_PS_PAPER_SIZE 1137
#define IDC_PS_PAPER_SOURCE 1138
#define IDC_PS_PAPER_SIZE_LABEL 1089
#define IDC_PS_PAPER_SOURCE_LABEL 1090
#define IDC_PS_ORIENTATION_GROUP 1072
#define IDC_PS_PORTRAIT 1056
#define IDC_PS_LANDSCAPE 1057
#define IDC_PS_MARGINS_GROUP 1075
#define IDC_PS_LEFT 1155
#define IDC_PS_TOP 1156
#define IDC_PS_RIGHT 1157
#define IDC_PS_BOTTOM 1158
#define IDC_PS_CENTER 1002
#define IDC_PS_ASPECT 1003
#define IDC_PS_WIDTH 1004
#define IDC_PS_HEIGHT 1005
#define IDC_PS_FULL_PAGE 1006

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
