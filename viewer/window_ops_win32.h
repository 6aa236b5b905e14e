// The Win32 implementation of the window operations.
#pragma once

#include "viewer/window_ops.h"

namespace viewer {

const WindowOps* win32WindowOps();

}  // namespace viewer
