// The control panel: the camera's on-screen remote control. It shows the
// camera's status in a status box, changes the selected quantity (Focus,
// Zoom, Iris, Vol, Red, Blue) with two held arrows or a level knob, sends
// the one-shot commands of its button grid, and opens the number, input
// and resolution dialogs. Opened by the mini panel while the picture is
// live; the acquisition thread asks it to refresh after every round.
#pragma once

#include <cstdint>

#include "viewer/window_ops.h"

namespace viewer {

enum : int32_t {
  kControlPanelWidth = 476,
  kControlPanelExtraHeight = 204,  // client height plus frame, below the caption
  kPanelRaiseNearScreenBottom = 231,
  kScreenBottomForRaise = 768,
  kSetLevelAttempts = 4,
};

intptr_t controlPanelHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The sub-dialogs, run modally by the control panel.
intptr_t numberDialogHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t inputDialogHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t resolutionDialogHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Back to a fresh process (tests): no arrow held.
void resetControlPanel();

}  // namespace viewer
