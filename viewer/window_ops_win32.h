// The Win32 implementation of the window operations.
#pragma once

#include "viewer/window_ops.h"

namespace viewer {

const WindowOps* win32WindowOps();

// The save-file dialog (file_dialog_win32.cpp).
bool runSaveFileDialogWin32(const SaveFileRequest& request);

}  // namespace viewer
