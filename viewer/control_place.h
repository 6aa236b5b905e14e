// Pixel layout of a panel's controls: every panel (mini panel, control
// panel and its dialogs) moves its controls from a table at initialisation.
#pragma once

#include <cstddef>

#include "viewer/window_ops.h"

namespace viewer {

struct ControlPlace {
  int id, x, y, width, height;
};

// Moves each control of the table to its place in the dialog's client area.
void placeControls(WindowHandle dialog, const ControlPlace* places, size_t count);

}  // namespace viewer
