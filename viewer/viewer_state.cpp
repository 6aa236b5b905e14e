#include "viewer/viewer_state.h"

ViewerState viewerState;
DeviceLink deviceLink(LinkVariant::Viewer);
FramePipeline framePipeline(&deviceLink, LinkVariant::Viewer);

void resetViewerState() {
  ViewerState& vs = viewerState;
  vs.mainWindow = nullptr;
  vs.miniPanel = nullptr;
  vs.controlPanel = nullptr;
  vs.captureNotice = nullptr;
  vs.usbCheckNotice = nullptr;
  vs.recoveryCount = 0;
  vs.zoomLevel = kStartZoomLevel;
  vs.fitWidth = 0;
  vs.fitHeight = 0;
  vs.quarterTurn = 0;
  vs.threadState = kThreadRun;
  vs.freezeFlag = 0;
  vs.viewRect = ViewRect{0, 0, 0, 0};
  resetControlState();
}

void resetControlState() {
  ViewerState& vs = viewerState;
  vs.selectedFunction = kZoomFunction;
  vs.levelMin = 0;
  vs.levelMax = 0;
  vs.levelValue = 0;
  vs.levelRangeKnown = 1;
  vs.heldDirection = 0;
  vs.heldStartAcked = 0;
  vs.refreshSuppressed = 0;
  vs.knobDragging = 0;
  vs.skipKnobUpdate = 0;
  vs.presetsLocked = 0;
  vs.sendingCommand = 0;
  vs.pendingNumberOp = 0;
  vs.status = CameraStatus{};
  vs.knobRect = WindowRect{27, 19, 45, 38};
  vs.grabOffset = 0;
}
