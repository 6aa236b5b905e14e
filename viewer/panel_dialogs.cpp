// The control panel's modal dialogs: the number dialog (memory, screen
// division and preset numbers) and the input and resolution dialogs. Each
// sends one block and ends when the camera took it; a failed exchange
// leaves it open, Exit and the close request always end it.
#include "viewer/control_panel.h"
#include "viewer/control_place.h"
#include "viewer/panel_dialog_rules.h"
#include "viewer/skinned_button.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_state.h"

namespace viewer {

namespace {

// Every dialog ends with this result; nobody reads it.
enum : intptr_t { kDialogResult = 100 };

void drawFromTable(WindowHandle dialog, const DrawRequest& request, const ButtonBitmaps* table, size_t count) {
  const ButtonBitmaps* look = findButtonBitmaps(table, count, request.controlId);
  if (!look) return;
  const int bitmap = chooseButtonBitmap(request, look->normal, look->pressed);
  if (bitmap) drawSkinnedButton(dialog, request, bitmap);
}

bool sendChecked(devlink::CommandBlock block) { return deviceLink.transactOnce(&block, false); }

void endNumberDialog(WindowHandle dialog) {
  windowOps().endDialog(dialog, kDialogResult);
  viewerState.pendingNumberOp = 0;
}

void onNumberInit(WindowHandle dialog) {
  const WindowOps& ui = windowOps();
  const int32_t operation = viewerState.pendingNumberOp;
  const WindowRect at = ui.windowRect(dialog);
  ui.moveWindow(dialog, at.left, at.top, kNumberDialogWidth, kNumberDialogHeight, true);
  ControlPlace places[kNumberDialogPlaces];
  placeControls(dialog, places, numberDialogPlaces(operation, places));
  for (int number = 1; number <= kNumberButtons; ++number)
    if (!numberButtonShown(operation, number))
      ui.showWindow(ui.dialogItem(dialog, IDC_NUMBER_1 + number - 1), ShowMode::Hide);
  devlink::CommandBlock opening;
  if (numberOpeningCommand(operation, &opening)) sendChecked(opening);  // its result is not looked at
}

void onNumberCommand(WindowHandle dialog, int id) {
  const int number = id - IDC_NUMBER_1 + 1;
  if (number >= 1 && number <= kNumberButtons) {
    if (sendChecked(numberCommand(viewerState.pendingNumberOp, number))) endNumberDialog(dialog);
  } else if (id == IDC_NUMBER_EXIT || id == kIdCancelCommand) {
    endNumberDialog(dialog);
  }
}

void onNumberDraw(WindowHandle dialog, const DrawRequest& request) {
  if (request.controlId == IDC_NUMBER_TITLE) {
    const int title = numberTitleBitmap(viewerState.pendingNumberOp);
    const int bitmap = chooseButtonBitmap(request, title, title);
    if (bitmap) drawSkinnedButton(dialog, request, bitmap);
    return;
  }
  size_t count = 0;
  const ButtonBitmaps* table = numberDialogButtons(&count);
  drawFromTable(dialog, request, table, count);
}

// The input and resolution dialogs open beside the panel button that
// called them, and their buttons each send one block.
intptr_t runChoiceDialog(const ChoiceDialog& d, WindowHandle dialog, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
  const WindowOps& ui = windowOps();
  switch (message) {
    case kMsgInitDialog: {
      const WindowRect anchor = ui.windowRect(ui.dialogItem(viewerState.controlPanel, d.anchorButton));
      ui.moveWindow(dialog, anchor.left + d.offsetX, anchor.bottom - d.raiseY, d.width, d.height, true);
      placeControls(dialog, d.places, d.placeCount);
      return 1;
    }
    case kMsgCommand: {
      const int id = static_cast<int>(wParam & 0xFFFF);
      const ChoiceButton* button = findChoiceButton(d, id);
      if (button && button->code) {
        if (sendChecked(devlink::CommandBlock::make(button->code, button->parameter))) ui.endDialog(dialog, kDialogResult);
      } else if (button || id == kIdCancelCommand) {
        ui.endDialog(dialog, kDialogResult);
      }
      return 1;
    }
    case kMsgClose:
      ui.endDialog(dialog, kDialogResult);
      return 1;
    case kMsgDrawItem: {
      const DrawRequest& request = *reinterpret_cast<const DrawRequest*>(lParam);
      const ChoiceButton* button = findChoiceButton(d, request.controlId);
      if (button) drawFromTable(dialog, request, &button->look, 1);
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace

intptr_t numberDialogHandler(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog:
      onNumberInit(dialog);
      return 1;
    case kMsgCommand:
      onNumberCommand(dialog, static_cast<int>(wParam & 0xFFFF));
      return 1;
    case kMsgClose:
      endNumberDialog(dialog);
      return 1;
    case kMsgDrawItem:
      onNumberDraw(dialog, *reinterpret_cast<const DrawRequest*>(lParam));
      return 1;
    default:
      return 0;
  }
}

intptr_t inputDialogHandler(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return runChoiceDialog(inputDialog(), dialog, message, wParam, lParam);
}

intptr_t resolutionDialogHandler(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return runChoiceDialog(resolutionDialog(), dialog, message, wParam, lParam);
}

}  // namespace viewer
