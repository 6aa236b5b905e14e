// The control panel's window: opening and closing, the layout and the look
// of its buttons, the status refresh, the one-shot commands and the
// buttons that open the sub-dialogs. The level controls are in
// control_panel_level.cpp.
#include "viewer/control_panel.h"

#include "viewer/acquisition_thread.h"
#include "viewer/control_panel_parts.h"
#include "viewer/control_place.h"
#include "viewer/layout.h"
#include "viewer/level_control.h"
#include "viewer/panel_commands.h"
#include "viewer/skinned_button.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_state.h"
#include "viewer/viewer_texts.h"

namespace viewer {

namespace {

// A skinned button of the panel; `locked` is the look while the presets
// are locked (0: none).
struct PanelButton {
  int id, normal, pressed, locked;
};
const PanelButton kButtons[] = {
    {IDC_ZOOM, IDB_ZOOM, IDB_ZOOM_PRESSED, 0},
    {IDC_IRIS, IDB_IRIS, IDB_IRIS_PRESSED, 0},
    {IDC_RED, IDB_RED, IDB_RED_PRESSED, 0},
    {IDC_FOCUS, IDB_FOCUS, IDB_FOCUS_PRESSED, 0},
    {IDC_BLUE, IDB_BLUE, IDB_BLUE_PRESSED, 0},
    {IDC_VOL, IDB_VOL, IDB_VOL_PRESSED, 0},
    {IDC_APERTURE, IDB_APERTURE, IDB_APERTURE_PRESSED, 0},
    {IDC_LAMP_UP, IDB_LAMP_UP, IDB_LAMP_UP_PRESSED, 0},
    {IDC_LAMP_LOW, IDB_LAMP_LOW, IDB_LAMP_LOW_PRESSED, 0},
    {IDC_LAMP_OFF, IDB_LAMP_OFF, IDB_LAMP_OFF_PRESSED, 0},
    {IDC_PRESET_SAVE, IDB_PRESET_SAVE, IDB_PRESET_SAVE_PRESSED, 0},
    {IDC_PRESET_EXE, IDB_PRESET_EXE, IDB_PRESET_EXE_PRESSED, 0},
    {IDC_AWC, IDB_AWC, IDB_AWC_PRESSED, 0},
    {IDC_AF, IDB_AF, IDB_AF_PRESSED, 0},
    {IDC_FREEZE, IDB_FREEZE, IDB_FREEZE_PRESSED, 0},
    {IDC_ROTATE, IDB_ROTATE, IDB_ROTATE_PRESSED, IDB_ROTATE_LOCKED},
    {IDC_MEMORY_SAVE, IDB_MEMORY_SAVE, IDB_MEMORY_SAVE_PRESSED, IDB_MEMORY_SAVE_LOCKED},
    {IDC_FREE, IDB_FREE, IDB_FREE_PRESSED, 0},
    {IDC_MODE, IDB_MODE, IDB_MODE_PRESSED, 0},
    {IDC_POS_NEG, IDB_POS_NEG, IDB_POS_NEG_PRESSED, 0},
    {IDC_RECALL, IDB_RECALL, IDB_RECALL_PRESSED, IDB_RECALL_LOCKED},
    {IDC_SHIFT, IDB_SHIFT, IDB_SHIFT_PRESSED, IDB_SHIFT_LOCKED},
    {IDC_INT, IDB_INT, IDB_INT_PRESSED, 0},
    {IDC_EXT, IDB_EXT, IDB_EXT_PRESSED, 0},
    {IDC_DIVIDE, IDB_DIVIDE, IDB_DIVIDE_PRESSED, IDB_DIVIDE_LOCKED},
    {IDC_MULTI, IDB_MULTI, IDB_MULTI_PRESSED, IDB_MULTI_LOCKED},
    {IDC_PANEL_EXIT, IDB_PANEL_EXIT, IDB_PANEL_EXIT_PRESSED, 0},
};

// Pixel layout of the panel. Vol, Exit and the static 361 keep their
// template places, below the client area.
const ControlPlace kPlaces[] = {
    {IDC_PANEL_BACKGROUND, 0, 0, 470, 198},
    {IDC_LEFT_ARROW, 9, 20, 18, 19},      {IDC_RIGHT_ARROW, 166, 20, 18, 19},
    {IDC_BAR_LINE, 27, 19, 139, 1},       {IDC_BAR_LINE_2, 27, 19, 139, 1},
    {IDC_ZOOM, 2, 51, 60, 18},            {IDC_IRIS, 64, 51, 60, 18},        {IDC_RED, 126, 51, 60, 18},
    {IDC_FOCUS, 2, 71, 60, 18},           {IDC_APERTURE, 64, 71, 60, 18},    {IDC_BLUE, 126, 71, 60, 18},
    {IDC_LAMP_STRIP, 81, 132, 66, 8},
    {IDC_LAMP_UP, 4, 155, 60, 18},        {IDC_LAMP_LOW, 66, 155, 60, 18},   {IDC_LAMP_OFF, 128, 155, 60, 18},
    {IDC_PRESET_SAVE, 336, 46, 60, 18},   {IDC_PRESET_EXE, 398, 46, 60, 18},
    {IDC_AWC, 337, 79, 60, 18},           {IDC_AF, 399, 79, 60, 18},
    {IDC_FREEZE, 205, 120, 60, 18},       {IDC_ROTATE, 268, 120, 60, 18},
    {IDC_MEMORY_SAVE, 338, 120, 60, 18},  {IDC_FREE, 400, 120, 60, 18},
    {IDC_MODE, 206, 143, 60, 18},         {IDC_POS_NEG, 268, 143, 60, 18},
    {IDC_RECALL, 338, 143, 60, 18},       {IDC_SHIFT, 400, 143, 60, 18},
    {IDC_INT, 206, 166, 60, 18},          {IDC_EXT, 268, 166, 60, 18},
    {IDC_DIVIDE, 338, 166, 60, 18},       {IDC_MULTI, 400, 166, 60, 18},
};

const PanelButton* findButton(int id) {
  for (const PanelButton& b : kButtons)
    if (b.id == id) return &b;
  return nullptr;
}

void warnRefused(WindowHandle panel) {
  plat::showMessage(panel, kCommandRefusedText, kCommandRefusedCaption, plat::kMbOk | plat::kMbIconExclamation);
}

void refreshNow(WindowHandle panel) { windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0); }

void onInit(WindowHandle panel) {
  const WindowOps& ui = windowOps();
  viewerState.pendingNumberOp = 0;
  viewerState.grabOffset = 0;
  // A new panel has nothing held, dragged or in flight.
  viewerState.heldDirection = 0;
  viewerState.heldStartAcked = 0;
  viewerState.knobDragging = 0;
  viewerState.skipKnobUpdate = 0;
  viewerState.sendingCommand = 0;
  viewerState.refreshSuppressed = 0;
  resetArrows();
  // Below the main window; raised so that it stays on a 768-line screen.
  const WindowRect main = ui.windowRect(viewerState.mainWindow);
  const int32_t y = main.bottom >= kScreenBottomForRaise ? main.bottom - kPanelRaiseNearScreenBottom : main.bottom;
  ui.moveWindow(panel, main.left + 2, y, kControlPanelWidth,
                ui.systemMetric(kMetricCaptionHeight) + kControlPanelExtraHeight, true);
  placeControls(panel, kPlaces, sizeof kPlaces / sizeof kPlaces[0]);
  ui.showWindow(ui.dialogItem(panel, IDC_BAR_LINE), ShowMode::Normal);
  ui.showWindow(ui.dialogItem(panel, IDC_KNOB), ShowMode::Normal);
  readLevelRange();
  refreshNow(panel);
  viewerState.presetsLocked = viewerState.status.presetLockBit;
}

// A quarter turn of the camera changes the frame's first row (the device
// link drops it) and the main window's layout; the live picture goes on
// meanwhile, its painter reading the layout through live_view.h.
void followQuarterTurn() {
  if (viewerState.status.rotationQuarter == viewerState.quarterTurn) return;
  viewerState.quarterTurn = viewerState.status.rotationQuarter;
  deviceLink.setLineSkipFlag(static_cast<uint32_t>(viewerState.quarterTurn));
  layoutMainWindow(framePipeline.sizeIndex);
  buildBitmapInfo(framePipeline.sizeIndex);
}

void onStatusRefresh(WindowHandle panel) {
  decodeStatusA(deviceLink.queryStatus(), &viewerState.status);
  decodeStatusB(deviceLink.queryConfig(), &viewerState.status);
  Indicator indicators[kIndicatorCount];
  chooseIndicators(viewerState.status, indicators);
  for (const Indicator& i : indicators) drawIndicator(panel, i.rect, i.bitmapId);
  readLevelValue();
  // A knob under the user's pointer stays there.
  if (viewerState.knobDragging) {
  } else if (!viewerState.skipKnobUpdate) {
    placeKnobForValue(panel, viewerState.levelValue);
  } else {
    viewerState.skipKnobUpdate = 0;
  }
  followQuarterTurn();
}

void sendOneShot(WindowHandle panel, devlink::CommandBlock block) {
  if (commandRefused(block, viewerState.status)) {
    warnRefused(panel);
    return;
  }
  bool sent = false;
  if (viewerState.heldStartAcked && viewerState.heldDirection == 0) {
    // An arrow's start was acknowledged and no stop restarted the live
    // picture: this command restarts it.
    sent = deviceLink.transact(&block);
    framePipeline.abortFrame();
    startThread();
    viewerState.heldStartAcked = 0;
  } else if (!viewerState.sendingCommand) {
    viewerState.sendingCommand = 1;
    sent = deviceLink.transactOnce(&block, false);
    viewerState.sendingCommand = 0;
  }
  if (sent) refreshNow(panel);
}

void openNumberDialog(WindowHandle panel, int buttonId) {
  if (viewerState.presetsLocked && silencedByPresetLock(buttonId)) return;
  const int32_t operation = numberOperationOf(buttonId);
  if (!numberOperationAllowed(operation, viewerState.status)) {
    warnRefused(panel);
    return;
  }
  viewerState.pendingNumberOp = operation;
  windowOps().runModalDialog(IDD_NUMBER_DIALOG, panel, numberDialogHandler);
}

void openChoiceDialog(WindowHandle panel, int buttonId, int templateId, MessageHandler handler) {
  if (dialogRefused(buttonId, viewerState.status)) {
    warnRefused(panel);
    return;
  }
  windowOps().runModalDialog(templateId, panel, handler);
}

// Exit or the close box: the mini panel is told, the panel goes.
void closePanel(WindowHandle panel) {
  WindowHandle miniPanel = viewerState.miniPanel;
  if (miniPanel) windowOps().sendMessage(miniPanel, kMsgControlPanelClosed, 0, 0);
  windowOps().destroyWindow(panel);
}

// However the panel goes (its own close, Control, Capture, the program's
// end), a held arrow or a dragged knob must not outlive it, and a gate it
// closed must not hold the live picture for good.
void onDestroy() {
  endHoldAndDrag();
  if (acquisitionThread.gateEvent) plat::setEvent(acquisitionThread.gateEvent);
}

void onCommand(WindowHandle panel, int id) {
  if (id == IDC_LEFT_ARROW || id == IDC_RIGHT_ARROW) {
    onArrowClick();
    return;
  }
  switch (buttonAction(id)) {
    case ButtonAction::SelectFunction:
      selectFunction(panel, functionOfButton(id));
      break;
    case ButtonAction::SendCommand:
      sendOneShot(panel, commandBlockOf(id, viewerState.status));
      break;
    case ButtonAction::NumberDialog:
      openNumberDialog(panel, id);
      break;
    case ButtonAction::InputDialog:
      openChoiceDialog(panel, id, IDD_INPUT_DIALOG, inputDialogHandler);
      break;
    case ButtonAction::ResolutionDialog:
      openChoiceDialog(panel, id, IDD_RESOLUTION_DIALOG, resolutionDialogHandler);
      break;
    case ButtonAction::ClosePanel:
      closePanel(panel);
      break;
    case ButtonAction::None:
      break;
  }
}

void onDrawItem(WindowHandle panel, const DrawRequest& request) {
  if (request.controlId == IDC_LEFT_ARROW || request.controlId == IDC_RIGHT_ARROW) {
    onArrowDraw(panel, request);
    return;
  }
  const PanelButton* button = findButton(request.controlId);
  if (!button) return;
  int normal = button->normal, pressed = button->pressed;
  // The selected function's button stays pressed.
  const int function = functionOfButton(button->id);
  if (function >= 0 && function == viewerState.selectedFunction) normal = pressed;
  if (button->locked && viewerState.presetsLocked) normal = pressed = button->locked;
  const int bitmap = chooseButtonBitmap(request, normal, pressed);
  if (bitmap) drawSkinnedButton(panel, request, bitmap);
}

}  // namespace

intptr_t controlPanelHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog:
      onInit(window);
      return 1;
    case kMsgClose:
      closePanel(window);
      return 1;
    case kMsgDestroy:
      onDestroy();
      return 1;
    case kMsgCommand:
      onCommand(window, static_cast<int>(wParam & 0xFFFF));
      return 1;
    case kMsgDrawItem:
      onDrawItem(window, *reinterpret_cast<const DrawRequest*>(lParam));
      return 1;
    case kMsgLeftButtonDown:
      onKnobPress(window, mouseX(lParam), mouseY(lParam));
      return 1;
    case kMsgMouseMove:
      onKnobMove(window, mouseX(lParam));
      return 1;
    case kMsgLeftButtonUp:
      onKnobRelease(window, mouseX(lParam));
      return 1;
    case kMsgCaptureChanged:
      onKnobCaptureLost();
      return 0;
    case kMsgStatusRefresh:
      onStatusRefresh(window);
      return 1;
    case kMsgCloseGate:
      plat::resetEvent(acquisitionThread.gateEvent);
      return 1;
    case kMsgOpenGate:
      plat::setEvent(acquisitionThread.gateEvent);
      return 1;
    default:
      return 0;
  }
}

void resetControlPanel() { resetArrows(); }

}  // namespace viewer
