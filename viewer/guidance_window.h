// The guidance windows of saving and printing: a modeless window from a
// template with a text line and a progress bar (range 0..100, starting at
// 0), shown while a picture is fetched and written or printed.
#pragma once

#include <cstdint>

#include "viewer/window_ops.h"

namespace viewer {

// Creates the window owned by `owner` and sets its bar; null on failure.
WindowHandle openGuidanceWindow(int templateId, int barId, WindowHandle owner);
// Sends a message to one of the window's controls and paints it at once;
// nothing without a window.
void tellGuidanceControl(WindowHandle window, int controlId, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace viewer
