// Press and release of a skinned button, told from its draw requests. The
// platform redraws a button whenever its look may change (full draws,
// selection changes, focus changes, and a pressed selection change again
// while the mouse moves on a held button), so a button that acts on the
// press itself (Capture, the control panel's arrows) keeps whether it is
// down and acts on the change only.
#pragma once

#include "viewer/window_ops.h"

namespace viewer {

enum class PressEdge { None, Pressed, Released };

struct ButtonPress {
  bool down;
};

// Pressed on a released-to-pressed selection change; Released when a
// request shows the button up after it was down (the mouse let go, moved
// off the button, or was taken away by another window); None otherwise.
PressEdge pressEdge(ButtonPress* button, const DrawRequest& request);

}  // namespace viewer
