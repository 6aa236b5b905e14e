#include "viewer/guidance_window.h"

namespace viewer {

namespace {

intptr_t guidanceHandler(WindowHandle, uint32_t message, uintptr_t, intptr_t) {
  return message == kMsgInitDialog ? 1 : 0;
}

}  // namespace

WindowHandle openGuidanceWindow(int templateId, int barId, WindowHandle owner) {
  const WindowOps& ui = windowOps();
  WindowHandle window = ui.createDialog(templateId, owner, guidanceHandler);
  if (!window) return nullptr;
  WindowHandle bar = ui.dialogItem(window, barId);
  ui.sendMessage(bar, kMsgProgressSetRange, 0, static_cast<intptr_t>(100) << 16);
  ui.sendMessage(bar, kMsgProgressSetPos, 0, 0);
  ui.updateWindow(window);
  return window;
}

// The work runs without returning to the message loop, so nothing would
// show a change until it is over: the control is painted at once.
void tellGuidanceControl(WindowHandle window, int controlId, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!window) return;
  const WindowOps& ui = windowOps();
  WindowHandle control = ui.dialogItem(window, controlId);
  if (!control) return;
  ui.sendMessage(control, message, wParam, lParam);
  ui.updateWindow(control);
}

}  // namespace viewer
