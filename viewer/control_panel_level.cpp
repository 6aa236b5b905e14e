// The control panel's adjustable quantity: selecting it, changing it
// continuously with the held arrows, and setting it with the level knob.
#include <algorithm>

#include "viewer/acquisition_thread.h"
#include "viewer/control_panel.h"
#include "viewer/control_panel_parts.h"
#include "viewer/level_control.h"
#include "viewer/press_edge.h"
#include "viewer/skinned_button.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_state.h"

namespace viewer {

namespace {

ButtonPress leftArrow = {false};
ButtonPress rightArrow = {false};

// The platform may refuse to let the mouse go; asking again is how it is
// given back, but not forever.
enum : int { kCaptureReleaseAttempts = 100 };

void showControl(WindowHandle panel, int id) { windowOps().showWindow(windowOps().dialogItem(panel, id), ShowMode::Normal); }

void redrawButton(WindowHandle panel, int id) { windowOps().invalidate(windowOps().dialogItem(panel, id), false); }

// The continuous change is over: the camera is told to stop, the frame the
// thread left half-read is dropped and the live picture starts again.
// While the program closes, the thread stays stopped.
void stopHeldChange() {
  devlink::CommandBlock stop = moveStopBlock();
  deviceLink.transact(&stop);
  framePipeline.abortFrame();
  if (viewerState.threadState == kThreadStopForCommand) startThread();
  // The stop is sent: a later one-shot command must not take the thread
  // for still stopped (it would drop the frame under way).
  viewerState.heldStartAcked = 0;
}

void releaseMouse() {
  for (int attempt = 0; attempt < kCaptureReleaseAttempts; ++attempt)
    if (windowOps().releaseMouseCapture()) return;
}

bool insideKnob(int32_t x, int32_t y) {
  const WindowRect& r = viewerState.knobRect;
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

void readLevelRange() {
  const int function = viewerState.selectedFunction;
  if (function != kFunctionFocus) {
    viewerState.levelMin = 0;
    viewerState.levelMax = levelFunction(function).fixedMax;
    viewerState.levelRangeKnown = 1;
    return;
  }
  devlink::CommandBlock maximum = devlink::CommandBlock::make(kCmdFocusLimit, devlink::kParamOn);
  devlink::CommandBlock minimum = devlink::CommandBlock::make(kCmdFocusLimit, devlink::kParamOff);
  const bool readMax = deviceLink.transactOnce(&maximum, true);
  const bool readMin = deviceLink.transactOnce(&minimum, true);
  if (readMax && readMin) {
    viewerState.levelMax = levelOfReply(kFunctionFocus, maximum);
    viewerState.levelMin = levelOfReply(kFunctionFocus, minimum);
    viewerState.levelRangeKnown = 1;
  } else {
    // Without both limits no knob position stands for a known focus value:
    // the knob rests at its left stop and takes no drag (a set command would
    // send a guessed value), while the arrows, which need no range, still
    // work. The next selection of Focus or opening of the panel asks again.
    viewerState.levelMin = 0;
    viewerState.levelMax = 0;
    viewerState.levelRangeKnown = 0;
  }
}

void readLevelValue() {
  const int function = viewerState.selectedFunction;
  devlink::CommandBlock query = queryLevelBlock(function);
  if (deviceLink.transactOnce(&query, true)) viewerState.levelValue = levelOfReply(function, query);
}

void placeKnobForValue(WindowHandle panel, int32_t value) {
  const int32_t left = viewerState.levelRangeKnown
                           ? knobLeftForValue(value, viewerState.levelMin, viewerState.levelMax)
                           : int32_t{kKnobLeftmost};
  viewerState.knobRect = WindowRect{left, kKnobTop, left + kKnobWidth, kKnobTop + kKnobHeight};
  windowOps().moveWindow(windowOps().dialogItem(panel, IDC_KNOB), left, kKnobTop, kKnobWidth, kKnobHeight, true);
}

void selectFunction(WindowHandle panel, int function) {
  const int previous = viewerState.selectedFunction;
  if (function == previous) return;
  if (function == kFunctionVol || function == kFunctionRed || function == kFunctionBlue) {
    showControl(panel, IDC_BAR_LINE);
    showControl(panel, IDC_KNOB);
    windowOps().updateWindow(panel);
  }
  viewerState.selectedFunction = function;
  redrawButton(panel, levelFunction(previous).buttonId);
  redrawButton(panel, levelFunction(function).buttonId);
  readLevelRange();
  readLevelValue();
  placeKnobForValue(panel, viewerState.levelValue);
}

void onArrowDraw(WindowHandle panel, const DrawRequest& request) {
  const bool right = request.controlId == IDC_RIGHT_ARROW;
  const PressEdge edge = pressEdge(right ? &rightArrow : &leftArrow, request);
  devlink::CommandBlock start = devlink::CommandBlock::zero();
  if (edge == PressEdge::Pressed) {
    viewerState.heldDirection = right ? 1 : 2;
    viewerState.heldStartAcked = 0;
    viewerState.refreshSuppressed = 1;
    start = moveStartBlock(viewerState.selectedFunction, right);
    // The camera changes the quantity itself while the arrow is held; no
    // frame transfer may run beside it.
    viewerState.threadState = kThreadStopForCommand;
    stopThread();
  } else if (edge == PressEdge::Released) {
    viewerState.heldDirection = 0;
    viewerState.refreshSuppressed = 0;
  }
  const int bitmap = right ? chooseButtonBitmap(request, IDB_RIGHT_ARROW, IDB_RIGHT_ARROW_PRESSED)
                           : chooseButtonBitmap(request, IDB_LEFT_ARROW, IDB_LEFT_ARROW_PRESSED);
  if (bitmap) drawSkinnedButton(panel, request, bitmap);
  if (edge == PressEdge::Pressed) {
    if (deviceLink.transact(&start)) {
      viewerState.heldStartAcked = 1;  // the thread stays stopped until the release
    } else {
      viewerState.heldStartAcked = 0;
      startThread();
    }
  } else if (edge == PressEdge::Released && viewerState.heldStartAcked) {
    stopHeldChange();
  }
}

void onArrowClick() {
  viewerState.heldDirection = 0;
  viewerState.refreshSuppressed = 0;
}

void endHoldAndDrag() {
  if (viewerState.heldDirection != 0 && viewerState.heldStartAcked) stopHeldChange();
  if (viewerState.knobDragging) releaseMouse();
  viewerState.heldDirection = 0;
  viewerState.knobDragging = 0;
  viewerState.refreshSuppressed = 0;
  resetArrows();
}

void onKnobPress(WindowHandle panel, int32_t x, int32_t y) {
  if (!insideKnob(x, y)) return;
  if (viewerState.knobDragging || !viewerState.levelRangeKnown || !deviceLink.isIdle()) return;
  windowOps().setMouseCapture(panel);
  viewerState.knobDragging = 1;
  viewerState.refreshSuppressed = 1;
  viewerState.grabOffset = x - viewerState.knobRect.left;
  // Zoom moves slowly: the refresh after the release leaves the knob where
  // it was dropped.
  if (viewerState.selectedFunction == kFunctionZoom) viewerState.skipKnobUpdate = 1;
}

void onKnobMove(WindowHandle panel, int32_t x) {
  if (!viewerState.knobDragging) return;
  const int32_t left = knobDragLeft(x, viewerState.grabOffset);
  viewerState.knobRect = WindowRect{left, kKnobTop, left + kKnobWidth, kKnobTop + kKnobHeight};
  windowOps().moveWindow(windowOps().dialogItem(panel, IDC_KNOB), left, kKnobTop, kKnobWidth, kKnobHeight, true);
}

void onKnobRelease(WindowHandle, int32_t x) {
  if (!viewerState.knobDragging) return;
  const int function = viewerState.selectedFunction;
  const int32_t value = knobReleaseValue(x, viewerState.grabOffset, viewerState.levelMin, viewerState.levelMax);
  for (int attempt = 0; attempt < kSetLevelAttempts; ++attempt) {
    devlink::CommandBlock set = setLevelBlock(function, value);
    if (deviceLink.transactOnce(&set, false)) break;
  }
  releaseMouse();
  viewerState.knobDragging = 0;
  viewerState.refreshSuppressed = 0;
}

// Another window took the mouse during a drag (the button-up will not come
// here): the drag ends without a set command, and the next status refresh
// puts the knob back where the camera stands.
void onKnobCaptureLost() {
  if (!viewerState.knobDragging) return;
  viewerState.knobDragging = 0;
  viewerState.refreshSuppressed = 0;
}

void resetArrows() {
  leftArrow.down = false;
  rightArrow.down = false;
}

}  // namespace viewer
