#include "viewer/viewer_state.h"

namespace viewer {

ViewerState viewerState;
devlink::DeviceLink deviceLink(devlink::LinkVariant::Viewer);
devlink::FramePipeline framePipeline(&deviceLink, devlink::LinkVariant::Viewer);

void resetViewerState() {
  viewerState.mainWindow = nullptr;
  viewerState.miniPanel = nullptr;
  viewerState.controlPanel = nullptr;
  viewerState.captureNotice = nullptr;
  viewerState.usbCheckNotice = nullptr;
  viewerState.recoveryCount = 0;
  viewerState.zoomLevel = kStartZoomLevel;
  viewerState.fitWidth = 0;
  viewerState.fitHeight = 0;
  viewerState.quarterTurn = 0;
  viewerState.threadState = kThreadRun;
  viewerState.freezeFlag = 0;
  viewerState.viewRect = ViewRect{0, 0, 0, 0};
  resetControlState();
}

void resetControlState() {
  viewerState.selectedFunction = kZoomFunction;
  viewerState.levelMin = 0;
  viewerState.levelMax = 0;
  viewerState.levelValue = 0;
  viewerState.levelRangeKnown = 1;
  viewerState.heldDirection = 0;
  viewerState.heldStartAcked = 0;
  viewerState.refreshSuppressed = 0;
  viewerState.knobDragging = 0;
  viewerState.skipKnobUpdate = 0;
  viewerState.presetsLocked = 0;
  viewerState.sendingCommand = 0;
  viewerState.pendingNumberOp = 0;
  viewerState.status = CameraStatus{};
  viewerState.knobRect = WindowRect{27, 19, 45, 38};
  viewerState.grabOffset = 0;
}

}  // namespace viewer
