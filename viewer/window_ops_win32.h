// The Win32 implementation of the window operations and printing services.
#pragma once

#include "viewer/printer_ops.h"
#include "viewer/window_ops.h"

namespace viewer {

const WindowOps* win32WindowOps();

// The save-file dialog (file_dialog_win32.cpp).
bool runSaveFileDialogWin32(const SaveFileRequest& request);

// The page setup and print dialogs and the print job (printer_ops_win32.cpp).
const PrinterOps* win32PrinterOps();

}  // namespace viewer
