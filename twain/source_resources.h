// Resource numbers of the data source: the source window (dialog 1010) and
// its controls, the splash dialog, the bitmaps and the icon. Shared by the
// resource script and the window's code.
#pragma once

// Dialogs.
#define IDD_SOURCE_WINDOW 1010
#define IDD_SOURCE_SPLASH 153

// Controls of the source window.
#define IDC_SCAN 1
#define IDC_EXIT 2
#define IDC_USB_INIT 1014
#define IDC_USB_CMD 1015
#define IDC_CAPTURE 1016
#define IDC_CAPTURE_OFF 1017
#define IDC_HALF 1018
#define IDC_FULL 1019
#define IDC_QUARTER 1020
#define IDC_BACKGROUND 1022
#define IDC_TEST 1023
#define IDC_IM 1024
#define IDC_AWC 1025
#define IDC_ZOOM_IN 1026
#define IDC_ZOOM_OUT 1027
#define IDC_IRIS_UP 1028
#define IDC_IRIS_DOWN 1029
#define IDC_BACKGROUND_LARGE 1030
// The splash dialog's picture.
#define IDC_SPLASH_PICTURE 1031

// Bitmaps.
#define IDB_BACKGROUND 133
#define IDB_FULL 134
#define IDB_FULL_PRESSED 135
#define IDB_HALF 136
#define IDB_HALF_PRESSED 137
#define IDB_EXIT 138
#define IDB_EXIT_PRESSED 139
#define IDB_ZOOM_OUT 140
#define IDB_ZOOM_OUT_PRESSED 141
#define IDB_ZOOM_IN 142
#define IDB_ZOOM_IN_PRESSED 143
#define IDB_AWC 144
#define IDB_AWC_PRESSED 145
#define IDB_IRIS_DOWN 148
#define IDB_IRIS_DOWN_PRESSED 149
#define IDB_IRIS_UP 150
#define IDB_IRIS_UP_PRESSED 151
#define IDB_SPLASH 152
#define IDB_FULL_LARGE_PRESSED 155
#define IDB_FULL_LARGE 156
#define IDB_HALF_LARGE_PRESSED 157
#define IDB_HALF_LARGE 158
#define IDB_BACKGROUND_LARGE 159
#define IDB_FULL_DISABLED 160
#define IDB_FULL_LARGE_DISABLED 161
#define IDB_HALF_DISABLED 162
#define IDB_HALF_LARGE_DISABLED 163

// Icon.
#define IDI_SOURCE 147
