#include "viewer/mini_panel.h"

#include "viewer/acquisition_thread.h"
#include "viewer/control_panel.h"
#include "viewer/control_place.h"
#include "viewer/press_edge.h"
#include "viewer/skinned_button.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_state.h"
#include "viewer/viewer_texts.h"

namespace viewer {

MiniPanelState miniPanelState;

namespace {

int showInfo(const char* text, const char* caption) {
  return plat::showMessage(viewerState.miniPanel, text, caption, plat::kMbOk | plat::kMbIconInformation);
}

// The Exit button's template position (72, 10, 22, 10 dialog units) falls
// at the right edge of the 144-pixel client area, where it can hardly be
// seen or hit; it is placed in the free strip above the zoom buttons.
const ControlPlace kControlPlaces[] = {
    {IDC_EXIT, 90, 0, 44, 18},
    {IDC_MINI_BACKGROUND, 0, 0, 144, 195}, {IDC_ZOOM_FULL, 72, 21, 62, 22}, {IDC_ZOOM_HALF, 72, 44, 62, 22},
    {IDC_ZOOM_QUARTER, 72, 67, 62, 22},    {IDC_CAPTURE, 72, 96, 62, 22},   {IDC_PRINT, 72, 119, 62, 22},
    {IDC_SAVE, 72, 142, 62, 22},           {IDC_CONTROL, 72, 170, 62, 22},
};

const ButtonBitmaps kPlainButtons[] = {
    {IDC_EXIT, IDB_EXIT, IDB_EXIT_PRESSED},
    {IDC_CONTROL, IDB_CONTROL, IDB_CONTROL_PRESSED},
    {IDC_SAVE, IDB_SAVE, IDB_SAVE_PRESSED},
    {IDC_PRINT, IDB_PRINT, IDB_PRINT_PRESSED},
};
const ButtonBitmaps kZoomButtons[] = {
    {IDC_ZOOM_FULL, IDB_ZOOM_FULL, IDB_ZOOM_FULL_PRESSED},
    {IDC_ZOOM_HALF, IDB_ZOOM_HALF, IDB_ZOOM_HALF_PRESSED},
    {IDC_ZOOM_QUARTER, IDB_ZOOM_QUARTER, IDB_ZOOM_QUARTER_PRESSED},
};

void redrawButton(int id) {
  const WindowOps& ui = windowOps();
  ui.invalidate(ui.dialogItem(viewerState.miniPanel, id), false);
}

void destroyControlPanel() {
  WindowHandle panel = viewerState.controlPanel.exchange(nullptr);
  if (panel) windowOps().destroyWindow(panel);
  miniPanelState.controlPanelOpen = 0;
}

void onInit(WindowHandle panel) {
  const WindowOps& ui = windowOps();
  viewerState.controlPanel = nullptr;
  miniPanelState.controlPanelOpen = 0;
  viewerState.zoomLevel = kStartZoomLevel;
  miniPanelState.panelWidth = kMiniPanelWidth;
  miniPanelState.panelHeight = ui.systemMetric(kMetricCaptionHeight) + kMiniPanelExtraHeight;
  WindowRect main = ui.windowRect(viewerState.mainWindow);
  ui.moveWindow(panel, main.right, main.top, miniPanelState.panelWidth, miniPanelState.panelHeight, true);
  placeControls(panel, kControlPlaces, sizeof kControlPlaces / sizeof kControlPlaces[0]);
}

void endProgram() {
  viewerState.threadState = kThreadClosing;
  windowOps().endDialog(viewerState.mainWindow, 0);
}

void onExit(WindowHandle panel) {
  endProgram();
  windowOps().destroyWindow(panel);
}

void onCloseRequest(WindowHandle panel) {
  endProgram();
  windowOps().destroyWindow(panel);
  destroyControlPanel();
}

void onControl(WindowHandle panel) {
  if (miniPanelState.controlPanelOpen) {
    destroyControlPanel();
  } else if (viewerState.freezeFlag) {
    showInfo(kControlWhileFrozenText, kControlWhileFrozenCaption);
  } else {
    WindowHandle created = windowOps().createDialog(IDD_CONTROL_PANEL, panel, controlPanelHandler);
    viewerState.controlPanel = created;
    miniPanelState.controlPanelOpen = created ? 1 : 0;
  }
}

// Save and Print share their steps. Save writes the picture at the size
// chosen in its dialog; Print always prints the full-size picture. When
// that size is the zoom level the frozen picture on screen is used as it
// is, without camera traffic; otherwise the held picture is fetched from
// the camera at that size while the acquisition thread is parked.
void outputFrozenPicture(const PictureOutputComponent& out, int purpose) {
  const int zoomLevel = viewerState.zoomLevel;
  out.reset(zoomLevel);
  if (out.runDialogs(viewerState.miniPanel)) {
    const int size = purpose == kPurposePrint ? 0 : out.chosenSize();
    out.openProgress(viewerState.miniPanel);
    const bool fetch = size != zoomLevel;
    if (fetch) {
      // A thread that cannot be parked (stuck in the camera) must not share
      // the frame counters with the fetch: that counts as a failed fetch.
      const bool parked = suspendAcquisition();
      if (purpose == kPurposePrint) out.setSize(0);
      if (parked && fetchHeldPicture(size, purpose)) {
        out.setProgress(80);
        out.write(framePipeline.captureImage, size);
      } else {
        plat::showMessage(nullptr, kImageTransferText, kImageTransferCaption, plat::kMbOk | plat::kMbIconError);
      }
    } else {
      out.setProgress(80);
      out.write(framePipeline.liveImage, size);
    }
    out.setProgress(100);
    out.showEndedText();
    if (fetch) {
      framePipeline.freeCapture();
      resumeAcquisition();
    }
  }
  out.cleanUp();
}

void onSave() {
  if (!viewerState.freezeFlag) {
    showInfo(kSaveLiveText, kSaveLiveCaption);
    return;
  }
  if (miniPanelState.saveComponent) outputFrozenPicture(*miniPanelState.saveComponent, kPurposeSave);
}

void onPrint() {
  if (!viewerState.freezeFlag) {
    showInfo(kPrintLiveText, kPrintLiveCaption);
    return;
  }
  if (miniPanelState.printComponent) outputFrozenPicture(*miniPanelState.printComponent, kPurposePrint);
}

void onZoomButton(int level) {
  if (level == viewerState.zoomLevel) return;
  if (viewerState.freezeFlag) {
    int answer = plat::showMessage(viewerState.miniPanel, kReleaseQuestionText, kReleaseQuestionCaption,
                                   plat::kMbYesNo | plat::kMbIconQuestion);
    if (answer != plat::kIdYes) return;
    releaseHeldPicture();
    viewerState.freezeFlag = 0;
    redrawButton(IDC_CAPTURE);
  }
  if (level == devlink::kFullSize && viewerState.fitWidth < kFullSizeMinFitWidth) {
    plat::showMessage(viewerState.miniPanel, kFullModeText, kFullModeCaption, plat::kMbOk | plat::kMbIconError);
    return;
  }
  viewerState.zoomLevel = level;
  for (const ButtonBitmaps& b : kZoomButtons) redrawButton(b.id);
  windowOps().postMessage(viewerState.mainWindow, kMsgZoomChange, static_cast<uintptr_t>(level), 0);
}

void onCommand(WindowHandle panel, int id) {
  switch (id) {
    case IDC_EXIT:
      onExit(panel);
      break;
    case IDC_CONTROL:
      onControl(panel);
      break;
    case IDC_SAVE:
      onSave();
      break;
    case IDC_PRINT:
      onPrint();
      break;
    case IDC_ZOOM_FULL:
    case IDC_ZOOM_HALF:
    case IDC_ZOOM_QUARTER:
      onZoomButton(id - IDC_ZOOM_FULL);
      break;
    default:  // Capture acts on the press, in its draw request
      break;
  }
}

// Capture toggles when the button goes into its pressed state, once per
// press (the capture notice taking the mouse away counts as letting go).
ButtonPress captureButton = {false};

void onCaptureDraw(WindowHandle panel, const DrawRequest& request) {
  if (pressEdge(&captureButton, request) == PressEdge::Pressed) {
    if (viewerState.freezeFlag) {
      // Release first, then go live: the thread must not hold a new picture
      // that this release would then let go of.
      releaseHeldPicture();
      viewerState.freezeFlag = 0;
    } else {
      if (miniPanelState.controlPanelOpen) {
        showInfo(kCaptureWithPanelText, kCaptureWithPanelCaption);
        destroyControlPanel();
      }
      viewerState.freezeFlag = 1;
      viewerState.captureNotice = windowOps().createDialog(IDD_CAPTURE_NOTICE, panel, captureNoticeHandler);
    }
  }
  int bitmap = captureButtonBitmap(request, viewerState.freezeFlag != 0);
  if (bitmap) drawSkinnedButton(panel, request, bitmap);
}

void onDrawItem(WindowHandle panel, const DrawRequest& request) {
  if (request.controlId == IDC_CAPTURE) {
    onCaptureDraw(panel, request);
    return;
  }
  for (const ButtonBitmaps& b : kZoomButtons) {
    if (b.id == request.controlId) {
      bool current = (b.id - IDC_ZOOM_FULL) == viewerState.zoomLevel;
      int bitmap = chooseButtonBitmap(request, current ? b.pressed : b.normal, b.pressed);
      if (bitmap) drawSkinnedButton(panel, request, bitmap);
      return;
    }
  }
  for (const ButtonBitmaps& b : kPlainButtons) {
    if (b.id == request.controlId) {
      int bitmap = chooseButtonBitmap(request, b.normal, b.pressed);
      if (bitmap) drawSkinnedButton(panel, request, bitmap);
      return;
    }
  }
}

void noProgressStep(void*, int) {}
void noProgressAdvance(void*) {}
const devlink::ProgressSink kNoProgress = {nullptr, noProgressStep, noProgressAdvance};

}  // namespace

intptr_t miniPanelHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog:
      onInit(window);
      return 1;
    case kMsgCommand:
      onCommand(window, static_cast<int>(wParam & 0xFFFF));
      return 1;
    case kMsgDrawItem:
      onDrawItem(window, *reinterpret_cast<const DrawRequest*>(lParam));
      return 1;
    case kMsgClose:
      onCloseRequest(window);
      return 1;
    case kMsgControlPanelClosed:
      miniPanelState.controlPanelOpen = 0;
      viewerState.controlPanel = nullptr;
      return 1;
    case kMsgSaveSizeChosen:
      if (miniPanelState.saveComponent) miniPanelState.saveComponent->setSize(static_cast<int>(lParam));
      return 1;
    case kMsgCaptureDone: {
      WindowHandle notice = viewerState.captureNotice;
      if (notice) windowOps().destroyWindow(notice);
      return 1;
    }
    default:
      return 0;
  }
}

// The capture notice keeps the mouse for itself while it exists, so that no
// click elsewhere in the program acts before the frozen frame is shown.
intptr_t captureNoticeHandler(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  switch (message) {
    case kMsgInitDialog:
      windowOps().setMouseCapture(window);
      return 1;
    case kMsgDestroy:
      windowOps().releaseMouseCapture();
      viewerState.captureNotice = nullptr;
      return 1;
    default:
      return 0;
  }
}

bool fetchHeldPicture(int size, int purpose) {
  const PictureOutputComponent* out =
      purpose == kPurposePrint ? miniPanelState.printComponent : miniPanelState.saveComponent;
  const devlink::ProgressSink* sink = out ? out->fetchProgress : nullptr;
  return framePipeline.stillCapture(size, sink ? sink : &kNoProgress);
}

void releaseHeldPicture() {
  if (!framePipeline.releaseImage())
    plat::showMessage(nullptr, kUsbCommText, kUsbCommCaption, plat::kMbOk | plat::kMbIconError);
  plat::sleepMs(kAfterReleaseWaitMs);
}

void resetMiniPanelState() {
  captureButton.down = false;
  miniPanelState.saveComponent = nullptr;
  miniPanelState.printComponent = nullptr;
  miniPanelState.controlPanelOpen = 0;
  miniPanelState.panelWidth = 0;
  miniPanelState.panelHeight = 0;
}

}  // namespace viewer
