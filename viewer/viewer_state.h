// ViewerState: the process-wide state that the main window, the mini panel,
// the control panel and the acquisition thread share, and the viewer's own
// window messages. The viewer's single DeviceLink and FramePipeline live
// here too.
#pragma once

#include <atomic>
#include <cstdint>

#include "devlink/frame_pipeline.h"
#include "viewer/camera_status.h"
#include "viewer/window_ops.h"

namespace viewer {

// Viewer window messages (WM_USER = 0x0400); posted with no data beyond the
// two parameters.
enum : uint32_t {
  kMsgStatusRefresh = 0x040A,       // 1034, to the control panel
  kMsgZoomChange = 0x040C,          // 1036, to the main window, wParam = level
  kMsgControlPanelClosed = 0x040D,  // 1037, to the mini panel
  kMsgThreadStopped = 0x040E,       // 1038, to the main window
  kMsgSaveSizeChosen = 0x040F,      // 1039, to the mini panel, lParam = size
  kMsgCaptureDone = 0x0410,         // 1040, to the mini panel
  kMsgCloseGate = 0x0411,           // 1041, to the control panel: hold the acquisition thread
  kMsgOpenGate = 0x0412,            // 1042, to the control panel: let it go on
  // A window can only be destroyed by the thread that created it, so the
  // acquisition thread hands the USB check notice to the main window with
  // this message (wParam = the notice) instead of destroying it itself.
  kMsgDestroyNotice = 0x8001,       // WM_APP + 1
};

// threadState values.
enum : int32_t {
  kThreadRun = 0,
  kThreadClosing = 1,
  kThreadStopForCommand = 2,
  kThreadCommFailure = 3,
  kThreadDeviceRemoved = 4,
};

struct ViewRect {
  int32_t left, top, right, bottom;
};

// Everything the acquisition thread reads is a 32-bit word (atomic here so
// that the lock-free sharing is well defined); the layout fields are only
// written while the thread is stopped.
struct ViewerState {
  std::atomic<WindowHandle> mainWindow;
  std::atomic<WindowHandle> miniPanel;
  std::atomic<WindowHandle> controlPanel;
  std::atomic<WindowHandle> captureNotice;
  std::atomic<WindowHandle> usbCheckNotice;
  std::atomic<int32_t> recoveryCount;
  int32_t zoomLevel;
  int32_t fitWidth;
  int32_t fitHeight;
  int32_t quarterTurn;
  std::atomic<int32_t> threadState;
  std::atomic<int32_t> freezeFlag;
  ViewRect viewRect;

  // Control-panel fields, cleared at start-up; the control panel owns them.
  int32_t selectedFunction;    // 0..5, kept while the panel is closed
  int32_t levelMin;
  int32_t levelMax;
  int32_t levelValue;          // last value read from the camera
  int32_t levelRangeKnown;     // 0 while the focus limits could not be read
  int32_t heldDirection;       // 0 none, 1 right arrow (up), 2 left arrow (down)
  int32_t heldStartAcked;      // the held arrow's start was acknowledged
  std::atomic<int32_t> refreshSuppressed;  // read by the acquisition thread
  int32_t knobDragging;
  int32_t skipKnobUpdate;      // the next status refresh leaves the knob
  int32_t presetsLocked;
  int32_t sendingCommand;      // a one-shot command is in flight
  int32_t pendingNumberOp;     // operation for the number dialog, 0 none
  CameraStatus status;
  WindowRect knobRect;         // where the knob is
  int32_t grabOffset;          // pointer x less the knob's left edge while dragging
};

extern ViewerState viewerState;
extern devlink::DeviceLink deviceLink;
extern devlink::FramePipeline framePipeline;

// Zoom level 1 (half) is where the viewer starts.
enum : int32_t { kStartZoomLevel = 1, kZoomFunction = 1 };

// Back to the state of a freshly started process (tests start each case here).
void resetViewerState();
// The remote-control part of the state, as at program start.
void resetControlState();

// Picture size of a zoom level (0 full, 1 half, 2 quarter).
inline int32_t zoomWidth(int level) { return devlink::frameGeometry(devlink::kXgaBase, level).width; }
inline int32_t zoomHeight(int level) { return devlink::frameGeometry(devlink::kXgaBase, level).height; }

}  // namespace viewer
