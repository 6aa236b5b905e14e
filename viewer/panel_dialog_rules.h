// The control panel's three small dialogs as tables: the number dialog's
// two layouts, its title strip and its command by operation; the input and
// resolution dialogs' buttons, commands and placement beside the panel
// button that opens them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "devlink/command_block.h"
#include "viewer/control_place.h"
#include "viewer/skinned_button.h"

namespace viewer {

// Number dialog.
enum : int32_t { kNumberDialogWidth = 336, kNumberDialogHeight = 95, kNumberButtons = 8 };
enum : int { kNumberDialogPlaces = 3 + kNumberButtons };
// Where the number dialog's controls go for an operation (the background,
// the title strip, Exit and No.1 to No.8); returns the count written.
size_t numberDialogPlaces(int32_t operation, ControlPlace out[kNumberDialogPlaces]);
// The preset operations offer No.1 to No.4 only.
bool numberButtonShown(int32_t operation, int number);
int numberTitleBitmap(int32_t operation);
// The block that No.n sends for an operation.
devlink::CommandBlock numberCommand(int32_t operation, int number);
// The block the number dialog sends as it opens, if any (3X3 Multi opens
// the multi screen first).
bool numberOpeningCommand(int32_t operation, devlink::CommandBlock* block);
// The number dialog's buttons and their bitmaps.
const ButtonBitmaps* numberDialogButtons(size_t* count);

// Input and resolution dialogs: a row of buttons that each send one block,
// and Exit.
struct ChoiceButton {
  ButtonBitmaps look;
  uint8_t code, parameter;  // code 0: Exit
};
struct ChoiceDialog {
  int templateId;
  int anchorButton;       // the control-panel button that opens it
  int32_t offsetX;        // left = the anchor's left edge + offsetX
  int32_t raiseY;         // top = the anchor's bottom edge - raiseY
  int32_t width, height;
  const ControlPlace* places;  // laid out; a button not here keeps its template place
  size_t placeCount;
  const ChoiceButton* buttons;
  size_t buttonCount;
};
const ChoiceDialog& inputDialog();
const ChoiceDialog& resolutionDialog();
// The button row of a choice dialog, null when the id is not one.
const ChoiceButton* findChoiceButton(const ChoiceDialog& dialog, int id);

}  // namespace viewer
