#include "viewer/main_window.h"

#include <initializer_list>

#include "viewer/acquisition_thread.h"
#include "viewer/image_saver.h"
#include "viewer/picture_printer.h"
#include "viewer/layout.h"
#include "viewer/mini_panel.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_state.h"
#include "viewer/viewer_texts.h"

namespace viewer {

namespace {

void showError(WindowHandle owner, const char* text, const char* caption) {
  plat::showMessage(owner, text, caption, plat::kMbOk | plat::kMbIconError);
}

// Ends the program from the main window: the mini panel closes first, then
// the modal loop ends and the window's destruction runs the shut-down.
void closeProgram() {
  const WindowOps& ui = windowOps();
  WindowHandle panel = viewerState.miniPanel;
  if (panel) ui.sendMessage(panel, kMsgClose, 0, 0);
  ui.endDialog(viewerState.mainWindow, 0);
}

// Start-up from the window layout to the running acquisition thread: link,
// handshake, frame pipeline, release of a held picture, mini panel, events
// and thread. True when the acquisition thread runs.
bool startLivePicture() {
  const WindowOps& ui = windowOps();
  viewerState.zoomLevel = kStartZoomLevel;
  viewerState.quarterTurn = 0;
  computeFitArea();
  layoutMainWindow(viewerState.zoomLevel);
  framePipeline.setSizeIndex(viewerState.zoomLevel);
  if (!deviceLink.open(framePipeline.sizeIndex)) return false;
  if (!deviceLink.waitReady()) return false;
  if (!framePipeline.init()) return false;
  devlink::CommandBlock release = devlink::CommandBlock::make(devlink::kCmdStoreImage, devlink::kParamOff);
  deviceLink.transactHeld(&release);
  buildBitmapInfo(viewerState.zoomLevel);
  viewerState.miniPanel = ui.createDialog(IDD_MINI_PANEL, viewerState.mainWindow, miniPanelHandler);
  acquisitionThread.threadDoneEvent = plat::createEvent(true, true);
  acquisitionThread.gateEvent = plat::createEvent(true, true);
  bool running = acquisitionThread.threadDoneEvent && acquisitionThread.gateEvent && startThread();
  if (!running) showError(nullptr, devlink::kMemoryText, devlink::kMemoryCaption);
  return running;
}

void onInitDialog(WindowHandle window) {
  const WindowOps& ui = windowOps();
  WindowHandle splash = ui.createDialog(IDD_SPLASH, window, splashHandler);
  // Paint it now: the start-up below keeps this thread from its messages.
  if (splash) ui.updateWindow(splash);
  viewerState.mainWindow = window;
  viewerState.freezeFlag = 0;
  viewerState.captureNotice = nullptr;
  viewerState.usbCheckNotice = nullptr;
  viewerState.recoveryCount = 0;
  resetControlState();
  ui.setWindowIcon(window, IDI_VIEWER);
  bool running = startLivePicture();
  plat::sleepMs(kSplashShowMs);
  if (splash) {
    ui.showWindow(splash, ShowMode::Hide);
    ui.updateWindow(splash);
    ui.destroyWindow(splash);
  }
  if (!running) ui.destroyWindow(window);
}

void onZoomChange(uintptr_t level) {
  if (level > 2) {
    showError(viewerState.mainWindow, kZoomIndexText, kZoomIndexCaption);
    return;
  }
  const WindowOps& ui = windowOps();
  viewerState.threadState = kThreadStopForCommand;
  stopThread();
  viewerState.zoomLevel = static_cast<int32_t>(level);
  framePipeline.setSizeIndex(viewerState.zoomLevel);
  framePipeline.resetForSize();
  ui.invalidate(viewerState.mainWindow, true);
  computeFitArea();
  layoutMainWindow(viewerState.zoomLevel);
  buildBitmapInfo(viewerState.zoomLevel);
  startThread();
}

void onDeviceChange(uintptr_t eventCode) {
  if (eventCode == kDeviceNodesChanged) {
    if (!deviceLink.isPresent()) viewerState.threadState = kThreadDeviceRemoved;
  } else if (eventCode == kDeviceRemoveComplete) {
    viewerState.threadState = kThreadDeviceRemoved;
  }
}

void onThreadStopped() {
  switch (viewerState.threadState.load()) {
    case kThreadDeviceRemoved:
      if (deviceLink.isPresent()) {
        if (recoverLink()) return;
      } else {
        showError(viewerState.mainWindow, devlink::kDeviceDriverTextViewer, devlink::kDeviceDriverCaption);
      }
      closeProgram();
      return;
    case kThreadCommFailure:
      if (recoverLink()) return;
      showError(viewerState.mainWindow, kUsbCommText, kUsbCommCaption);
      closeProgram();
      return;
    default:
      closeProgram();
  }
}

void onClose() {
  viewerState.threadState = kThreadClosing;
  WindowHandle panel = viewerState.miniPanel;
  if (panel) windowOps().sendMessage(panel, kMsgClose, 0, 0);
  windowOps().endDialog(viewerState.mainWindow, 0);
}

void onDestroy() {
  const WindowOps& ui = windowOps();
  WindowHandle notice = viewerState.usbCheckNotice.exchange(nullptr);
  if (notice) ui.destroyWindow(notice);
  WindowHandle goodbye = ui.createDialog(IDD_GOODBYE, viewerState.mainWindow, noticeHandler);
  if (goodbye) ui.updateWindow(goodbye);
  // A thread still told to run would only end by force after 20 s.
  int32_t running = kThreadRun;
  viewerState.threadState.compare_exchange_strong(running, kThreadClosing);
  stopThread();
  if (acquisitionThread.threadDoneEvent) {
    plat::closeHandle(acquisitionThread.threadDoneEvent);
    acquisitionThread.threadDoneEvent = nullptr;
  }
  // The gate and pause events are ours too; close them with the thread's.
  for (plat::Handle* event :
       {&acquisitionThread.gateEvent, &acquisitionThread.pausedEvent, &acquisitionThread.resumeEvent}) {
    if (*event) plat::closeHandle(*event);
    *event = nullptr;
  }
  framePipeline.release();
  deviceLink.close();
  if (goodbye) ui.destroyWindow(goodbye);
}

}  // namespace

bool recoverLink() {
  if (viewerState.recoveryCount > 10) return false;
  if (!viewerState.usbCheckNotice.load())
  {
    WindowHandle notice = windowOps().createDialog(IDD_USB_CHECK_NOTICE, viewerState.mainWindow, noticeHandler);
    if (notice) windowOps().updateWindow(notice);
    viewerState.usbCheckNotice = notice;
  }
  stopThread();
  if (!deviceLink.reopen()) return false;
  if (!framePipeline.reinit()) return false;
  // Counted before the thread starts: its first good transfer sets the count
  // back to 0, and an increment after the start could land after that reset
  // and leave the count one too high for good.
  viewerState.recoveryCount += 1;
  return startThread();
}

intptr_t mainWindowHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog:
      onInitDialog(window);
      return 1;
    case kMsgClose:
      onClose();
      return 1;
    case kMsgDestroy:
      onDestroy();
      return 1;
    case kMsgDeviceChange:
      onDeviceChange(wParam);
      return 1;
    case kMsgZoomChange:
      onZoomChange(wParam);
      return 1;
    case kMsgThreadStopped:
      onThreadStopped();
      return 1;
    case kMsgDestroyNotice:
      windowOps().destroyWindow(reinterpret_cast<WindowHandle>(wParam));
      return 1;
    default:
      return 0;
  }
}

intptr_t splashHandler(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  if (message != kMsgInitDialog) return 0;
  const WindowOps& ui = windowOps();
  SplashPosition position =
      splashPositionFor(ui.systemMetric(kMetricFullScreenWidth), ui.systemMetric(kMetricFullScreenHeight));
  ui.moveWindow(window, position.x, position.y, kSplashWidth, kSplashHeight, false);
  return 1;
}

intptr_t noticeHandler(WindowHandle, uint32_t message, uintptr_t, intptr_t) {
  return message == kMsgInitDialog ? 1 : 0;
}

int runViewer() {
  miniPanelState.saveComponent = &imageSaverOutput;
  miniPanelState.printComponent = &viewer::picturePrinterOutput;
  windowOps().runModalDialog(IDD_MAIN_WINDOW, nullptr, mainWindowHandler);
  return 0;
}

}  // namespace viewer
