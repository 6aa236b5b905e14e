#include "viewer/viewer_state.h"

namespace viewer {

ViewerState viewerState;
devlink::DeviceLink deviceLink(devlink::LinkVariant::Viewer);
devlink::FramePipeline framePipeline(&deviceLink, devlink::LinkVariant::Viewer);

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
  vs.commandInProgress = 0;
  vs.presetsLocked = 0;
  vs.levelMin = 0;
  vs.levelMax = 0;
  vs.levelValue = 0;
  vs.refreshSuppressed = 0;
  vs.knobDrag = 0;
  vs.knobSkip = 0;
}

}  // namespace viewer
