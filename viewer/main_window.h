// The main window: start-up order, zoom changes, device-change handling,
// link recovery after a thread failure, close request and shut-down.
#pragma once

#include "viewer/window_ops.h"

namespace viewer {

// Program entry: runs the main window as a modal dialog with no owner.
int runViewer();

intptr_t mainWindowHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// One attempt to bring the camera link back; true on success.
bool recoverLink();

// Handlers of the windows without behaviour of their own.
intptr_t splashHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t noticeHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

enum : uint32_t { kSplashShowMs = 1000 };

}  // namespace viewer
