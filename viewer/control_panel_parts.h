// The control panel's own pieces shared between its two source files:
// control_panel.cpp (window, status, commands, dialogs) and
// control_panel_level.cpp (function selection, held arrows, level knob).
#pragma once

#include "viewer/window_ops.h"

namespace viewer {

// Range of the selected function, read from the camera for Focus.
void readLevelRange();
// Value of the selected function; kept when the query fails.
void readLevelValue();
// Moves the knob to the place of a value (the left stop while the range is
// unknown).
void placeKnobForValue(WindowHandle panel, int32_t value);

void selectFunction(WindowHandle panel, int function);
// Draw request of an arrow: press starts the continuous change with the
// acquisition thread stopped, release stops it and restarts the thread.
void onArrowDraw(WindowHandle panel, const DrawRequest& request);
// The click of an arrow (after its release was drawn).
void onArrowClick();
// Ends a hold or a drag that the panel's going away cuts short.
void endHoldAndDrag();

void onKnobPress(WindowHandle panel, int32_t x, int32_t y);
void onKnobMove(WindowHandle panel, int32_t x);
void onKnobRelease(WindowHandle panel, int32_t x);
void onKnobCaptureLost();

void resetArrows();

}  // namespace viewer
