#include "viewer/press_edge.h"

namespace viewer {

PressEdge pressEdge(ButtonPress* button, const DrawRequest& request) {
  const bool wasDown = button->down;
  // A full redraw of a button still held, or a bare focus change, says
  // nothing about a press; any request showing the button up ends one.
  if ((request.action & kDrawSelect) || !request.pressed) button->down = request.pressed;
  if (!wasDown && button->down) return PressEdge::Pressed;
  if (wasDown && !button->down) return PressEdge::Released;
  return PressEdge::None;
}

}  // namespace viewer
