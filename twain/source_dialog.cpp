// The source window's handler, its button table and its place behind the
// source-window seam.
#include "twain/source_dialog.h"

#include <atomic>
#include <initializer_list>

#include "devlink/command_block.h"
#include "twain/preview_thread.h"
#include "twain/source_camera.h"
#include "twain/source_record.h"
#include "twain/source_resources.h"
#include "twain/source_window.h"

namespace twain {

const char kSmallModelTitle[] = "ZEL TWAIN Driver (ZEL-B200Q/B50/BxQ, 1024x768)";
const char kLargeModelTitle[] = "ZEL TWAIN Driver (ZEL-A100, 1280x1024)";
const char kUsbCommText[] =
    "There is a problem in communication of USB.\nPlease disconnect the plug of USB and reconnect it.";
const char kUsbCommCaption[] = "Error - USB communication";

const ControlPlace kButtonPlaces[] = {
    {IDC_FULL, 32, 21, 80, 41},      {IDC_HALF, 124, 21, 80, 41},     {IDC_EXIT, 488, 21, 80, 41},
    {IDC_ZOOM_OUT, 252, 24, 38, 38}, {IDC_ZOOM_IN, 291, 24, 38, 38},  {IDC_IRIS_DOWN, 330, 24, 38, 38},
    {IDC_IRIS_UP, 369, 24, 38, 38},  {IDC_AWC, 408, 24, 38, 38},
};
const int kButtonPlaceCount = sizeof kButtonPlaces / sizeof kButtonPlaces[0];

namespace {

// Window sizes by model: width, client height, background picture.
enum : int { kWindowWidth = 606, kClientHeight = 506, kClientHeightLarge = 532 };
enum : int { kBackgroundWidth = 600, kBackgroundHeight = 500, kBackgroundHeightLarge = 526 };
enum : int { kSplashWidth = 443, kSplashHeight = 213 };

// Bitmaps of the owner-drawn buttons: normal, pressed, disabled (0: none),
// then the large model's set (0: the same as the small model's).
struct ButtonBitmaps {
  int controlId;
  int normal, pressed, disabled;
  int normalLarge, pressedLarge, disabledLarge;
};
const ButtonBitmaps kButtonBitmaps[] = {
    {IDC_FULL, IDB_FULL, IDB_FULL_PRESSED, IDB_FULL_DISABLED, IDB_FULL_LARGE, IDB_FULL_LARGE_PRESSED,
     IDB_FULL_LARGE_DISABLED},
    {IDC_HALF, IDB_HALF, IDB_HALF_PRESSED, IDB_HALF_DISABLED, IDB_HALF_LARGE, IDB_HALF_LARGE_PRESSED,
     IDB_HALF_LARGE_DISABLED},
    {IDC_EXIT, IDB_EXIT, IDB_EXIT_PRESSED, 0, 0, 0, 0},
    {IDC_ZOOM_OUT, IDB_ZOOM_OUT, IDB_ZOOM_OUT_PRESSED, 0, 0, 0, 0},
    {IDC_ZOOM_IN, IDB_ZOOM_IN, IDB_ZOOM_IN_PRESSED, 0, 0, 0, 0},
    {IDC_AWC, IDB_AWC, IDB_AWC_PRESSED, 0, 0, 0, 0},
    {IDC_IRIS_DOWN, IDB_IRIS_DOWN, IDB_IRIS_DOWN_PRESSED, 0, 0, 0, 0},
    {IDC_IRIS_UP, IDB_IRIS_UP, IDB_IRIS_UP_PRESSED, 0, 0, 0, 0},
};

// The camera commands of the hold buttons: sent when the button is drawn
// pressed; the stop command follows the click, except for A.
struct HoldCommand {
  int controlId;
  uint8_t code, parameter;
  bool stopOnClick;
};
const HoldCommand kHoldCommands[] = {
    {IDC_ZOOM_IN, 0x26, devlink::kParamOn, true},   {IDC_ZOOM_OUT, 0x26, devlink::kParamOff, true},
    {IDC_IRIS_UP, 0x21, devlink::kParamOn, true},   {IDC_IRIS_DOWN, 0x21, devlink::kParamOff, true},
    {IDC_AWC, 0x01, devlink::kParamOn, false},
};
const uint8_t kCmdStopMoving = 0x2F;

PreviewThread& pt = previewThread;
SourceWindowState& shared = sourceWindowState;

// Whether the last window start-up kept its window.
bool windowKept = false;

const HoldCommand* holdCommandOf(int controlId) {
  for (const HoldCommand& command : kHoldCommands)
    if (command.controlId == controlId) return &command;
  return nullptr;
}

void sendCamera(uint8_t code, uint8_t parameter) {
  devlink::CommandBlock block = devlink::CommandBlock::make(code, parameter);
  sourceLink.transact(&block);
}

void setCaptureButtons(WindowHandle window, bool enabled) {
  const SourceUi& ui = sourceUi();
  ui.enableWindow(ui.dialogItem(window, IDC_FULL), enabled);
  ui.enableWindow(ui.dialogItem(window, IDC_HALF), enabled);
}

// Camera, handshake, frame pipeline (start-up step 4). Every window starts
// its device search from the first number: the link keeps the number it
// opened last, and a search above it would miss the one camera when the
// application enables the source a second time.
bool openCamera() {
  sourceLink.deviceIndex = 0;
  return sourceLink.open(sourcePipeline.sizeIndex) && sourceLink.waitReady() && sourcePipeline.init();
}

// Start-up step 6: size, place and title the window by camera model. The
// window is centred on the whole screen (the splash on the area that
// windows may use).
void placeWindow(WindowHandle window) {
  const SourceUi& ui = sourceUi();
  const bool large = shared.largeModel != 0;
  const int caption = ui.systemMetric(kMetricCaptionHeight);
  const int height = (large ? kClientHeightLarge : kClientHeight) + caption;
  const int x = (ui.systemMetric(kMetricScreenWidth) - kWindowWidth) / 2;
  const int y = (ui.systemMetric(kMetricScreenHeight) - caption - height) / 2;
  ui.moveWindow(window, x, y, kWindowWidth, height);
  ui.showWindow(ui.dialogItem(window, large ? IDC_BACKGROUND : IDC_BACKGROUND_LARGE), false);
  ui.moveWindow(ui.dialogItem(window, large ? IDC_BACKGROUND_LARGE : IDC_BACKGROUND), 0, 0, kBackgroundWidth,
                large ? kBackgroundHeightLarge : kBackgroundHeight);
  ui.setWindowText(window, large ? kLargeModelTitle : kSmallModelTitle);
}

void placeButtons(WindowHandle window) {
  const SourceUi& ui = sourceUi();
  for (const ControlPlace& place : kButtonPlaces)
    ui.moveWindow(ui.dialogItem(window, place.controlId), place.x, place.y, place.width, place.height);
}

// Start-up steps 2 to 9; true when the preview thread runs.
bool startWindow(WindowHandle window) {
  const SourceUi& ui = sourceUi();
  pt.window = window;
  pt.threadState = kPreviewRun;
  pt.captureFull = 0;
  pt.captureHalf = 0;
  pt.capturing = 0;
  pt.stopRequested = 0;
  shared.appAnswered = 0;
  shared.transferEnded = 0;
  forgetCaptureFrame();
  ui.setWindowIcon(window, IDI_SOURCE);
  shared.viewSize = 1;
  sourcePipeline.setSizeIndex(1);
  if (!openCamera()) return false;
  sourcePipeline.releaseImage();
  shared.largeModel = sourceLink.largeModel;
  placeWindow(window);
  placeButtons(window);
  pt.captureFull = 0;
  pt.captureHalf = 0;
  buildPreviewHeader(1, shared.largeModel != 0);
  pt.threadDoneEvent = plat::createEvent(true, true);
  pt.gateEvent = plat::createEvent(true, true);
  return pt.threadDoneEvent && pt.gateEvent && startPreviewThread();
}

void onInitDialog(WindowHandle window) {
  const SourceUi& ui = sourceUi();
  WindowHandle splash = ui.createDialog(IDD_SOURCE_SPLASH, window, sourceSplashHandler);
  // Painted now: the start-up below keeps this thread from its messages.
  if (splash) ui.updateWindow(splash);
  windowKept = startWindow(window);
  if (splash) {
    ui.showWindow(splash, false);
    ui.updateWindow(splash);
    ui.destroyWindow(splash);
  }
  if (!windowKept) ui.destroyWindow(window);
}

// Stops the preview and starts it again at a view size: Full, Half and the
// return to half size. `capture` (captureFull or captureHalf, null for
// none) is the request the new thread starts with. False when the frame
// buffer for it is missing.
bool restartPreview(WindowHandle window, int32_t viewSize, std::atomic<int32_t>* capture = nullptr) {
  pt.threadState = kPreviewStopRequested;
  stopPreviewThread();
  forgetCaptureFrame();  // its buffer is replaced below
  shared.viewSize = viewSize;
  sourcePipeline.setSizeIndex(viewSize);
  if (!sourcePipeline.resetForSize()) {
    plat::showMessage(window, devlink::kMemoryText, devlink::kMemoryCaption, plat::kMbOk | plat::kMbIconError);
    notifyManager(MSG_CLOSEDSREQ);
    return false;
  }
  sourceUi().invalidate(window, true);
  buildPreviewHeader(viewSize, shared.largeModel != 0);
  // The request is in place before the thread starts. Set after, it could
  // reach the thread's first pass only once that pass was past the point
  // where it disables Full and Half: the pass would then capture at its
  // end with both buttons still enabled through the whole handshake.
  if (capture) *capture = 1;
  if (startPreviewThread()) return true;
  if (capture) *capture = 0;
  return false;
}

void onCommand(WindowHandle window, uintptr_t wParam) {
  const int id = static_cast<int>(wParam & 0xFFFF);
  if ((wParam >> 16) != kButtonClicked) return;
  if (id == IDC_FULL || id == IDC_HALF) {
    const bool full = id == IDC_FULL;
    restartPreview(window, full ? 0 : 1, full ? &pt.captureFull : &pt.captureHalf);
  } else if (id == IDC_EXIT) {
    notifyManager(MSG_CLOSEDSREQ);
  } else if (const HoldCommand* hold = holdCommandOf(id)) {
    if (hold->stopOnClick) sendCamera(kCmdStopMoving, devlink::kParamOn);
  }
}

void onDrawItem(WindowHandle window, const DrawRequest& request) {
  const int bitmap = sourceButtonBitmap(request, shared.largeModel != 0);
  if (bitmap) sourceUi().drawKeyedBitmap(window, request.button, bitmap, kSourceKeyColour);
  if (!request.pressed) return;
  if (const HoldCommand* hold = holdCommandOf(request.controlId)) sendCamera(hold->code, hold->parameter);
}

void onReturnToHalf(WindowHandle window) {
  if (restartPreview(window, 1)) setCaptureButtons(window, true);
}

// The box belongs to the source window, in front of which the user saw the
// preview stop.
void onThreadStopped(WindowHandle window) {
  if (pt.threadState.load() == kPreviewCommFailure) {
    plat::showMessage(window, kUsbCommText, kUsbCommCaption, plat::kMbOk | plat::kMbIconError);
  }
  notifyManager(MSG_CLOSEDSREQ);
}

// Shut-down: the thread (asked to stop, not left to be forced), its events,
// the frame buffers and the camera.
void onDestroy() {
  int32_t run = kPreviewRun;
  pt.threadState.compare_exchange_strong(run, kPreviewStopRequested);
  stopPreviewThread();
  for (plat::Handle* event : {&pt.threadDoneEvent, &pt.gateEvent}) {
    if (*event) plat::closeHandle(*event);
    *event = nullptr;
  }
  forgetCaptureFrame();
  sourcePipeline.release();
  sourceLink.close();
  pt.window = nullptr;
}

// --- The source-window seam -------------------------------------------------
WindowHandle createWindow(void*, WindowHandle owner) {
  windowKept = false;
  WindowHandle window = sourceUi().createDialog(IDD_SOURCE_WINDOW, owner, sourceWindowHandler);
  return windowKept ? window : nullptr;
}
void showWindow(void*, WindowHandle window) { sourceUi().showWindow(window, true); }
void destroyWindow(void*, WindowHandle window) { sourceUi().destroyWindow(window); }
bool isDialogMessage(void*, WindowHandle window, void* event) { return sourceUi().isDialogMessage(window, event); }
const SourceWindowSeam kDialogSeam = {nullptr, createWindow, showWindow, destroyWindow, isDialogMessage};

}  // namespace

int sourceButtonBitmap(const DrawRequest& request, bool largeModel) {
  for (const ButtonBitmaps& row : kButtonBitmaps) {
    if (row.controlId != request.controlId) continue;
    const bool useLarge = largeModel && row.normalLarge;
    int bitmap = 0;
    if (request.action & (kDrawEntire | kDrawSelect)) bitmap = useLarge ? row.normalLarge : row.normal;
    if (request.pressed) bitmap = useLarge ? row.pressedLarge : row.pressed;
    if (request.disabled && row.disabled) bitmap = useLarge ? row.disabledLarge : row.disabled;
    return bitmap;
  }
  return 0;
}

intptr_t sourceWindowHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog:
      onInitDialog(window);
      return 1;
    case kMsgCommand:
      onCommand(window, wParam);
      return 1;
    case kMsgDrawItem:
      onDrawItem(window, *reinterpret_cast<const DrawRequest*>(lParam));
      return 1;
    case kMsgReturnToHalf:
      onReturnToHalf(window);
      return 1;
    case kMsgThreadStopped:
      onThreadStopped(window);
      return 1;
    case kMsgCaptureButtons:
      setCaptureButtons(window, wParam != 0);
      // After a handshake: its text may reach past the preview onto the
      // background, which only a repaint of the window restores.
      if (wParam) sourceUi().invalidate(window, true);
      return 1;
    case kMsgDestroy:
      onDestroy();
      return 0;
    default:
      return 0;
  }
}

intptr_t sourceSplashHandler(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  if (message != kMsgInitDialog) return 0;
  const SourceUi& ui = sourceUi();
  int x = (ui.systemMetric(kMetricFullScreenWidth) - kSplashWidth) / 2;
  int y = (ui.systemMetric(kMetricFullScreenHeight) - kSplashHeight) / 2;
  ui.moveWindow(window, x < 0 ? 0 : x, y < 0 ? 0 : y, kSplashWidth, kSplashHeight);
  return 1;
}

const SourceWindowSeam* sourceDialogSeam() { return &kDialogSeam; }

void installSourceDialog() { installSourceWindowSeam(&kDialogSeam); }

}  // namespace twain
