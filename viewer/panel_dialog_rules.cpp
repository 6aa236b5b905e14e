#include "viewer/panel_dialog_rules.h"

#include "viewer/panel_commands.h"
#include "viewer/viewer_resources.h"

namespace viewer {

namespace {

const int32_t kNumberColumns[4] = {10, 72, 134, 196};

const ButtonBitmaps kNumberButtonBitmaps[] = {
    {IDC_NUMBER_1, 1401, 1402}, {IDC_NUMBER_2, 1403, 1404}, {IDC_NUMBER_3, 1405, 1406},
    {IDC_NUMBER_4, 1407, 1408}, {IDC_NUMBER_5, 1409, 1410}, {IDC_NUMBER_6, 1411, 1412},
    {IDC_NUMBER_7, 1413, 1414}, {IDC_NUMBER_8, 1415, 1416}, {IDC_NUMBER_EXIT, IDB_NUMBER_EXIT, IDB_NUMBER_EXIT_PRESSED},
};

bool presetOperation(int32_t operation) {
  return operation == kNumberOpPresetSave || operation == kNumberOpPresetExecute;
}

const ControlPlace kInputPlaces[] = {
    {IDC_INPUT_BACKGROUND, 0, 0, 129, 49},
    {IDC_EXT1, 7, 23, 21, 20},
    {IDC_EXT2, 52, 23, 21, 20},
    {IDC_INPUT_EXIT, 102, 23, 21, 20},
};
const ChoiceButton kInputButtons[] = {
    {{IDC_EXT1, IDB_EXT1, IDB_EXT1_PRESSED}, kCmdInput, kParamThirdChoice},
    {{IDC_EXT2, IDB_EXT2, IDB_EXT2_PRESSED}, kCmdInput, devlink::kParamOff},
    {{IDC_INPUT_EXIT, IDB_INPUT_EXIT, IDB_INPUT_EXIT_PRESSED}, 0, 0},
};
const ChoiceDialog kInputDialog = {
    IDD_INPUT_DIALOG, IDC_EXT, 10, 59, 129, 49,
    kInputPlaces, sizeof kInputPlaces / sizeof kInputPlaces[0],
    kInputButtons, sizeof kInputButtons / sizeof kInputButtons[0],
};

// VGA is not laid out: its template place lies below the 49-pixel window.
const ControlPlace kResolutionPlaces[] = {
    {IDC_RESOLUTION_BACKGROUND, 0, 0, 129, 49},
    {IDC_XGA, 2, 23, 41, 18},
    {IDC_SVGA, 44, 23, 41, 18},
    {IDC_RESOLUTION_EXIT, 86, 23, 41, 18},
};
const ChoiceButton kResolutionButtons[] = {
    {{IDC_XGA, IDB_XGA, IDB_XGA_PRESSED}, kCmdOutputMode, kParamThirdChoice},
    {{IDC_SVGA, IDB_SVGA, IDB_SVGA_PRESSED}, kCmdOutputMode, devlink::kParamOff},
    {{IDC_VGA, IDB_VGA, IDB_VGA_PRESSED}, kCmdOutputMode, devlink::kParamOn},
    {{IDC_RESOLUTION_EXIT, IDB_RESOLUTION_EXIT, IDB_RESOLUTION_EXIT_PRESSED}, 0, 0},
};
const ChoiceDialog kResolutionDialog = {
    IDD_RESOLUTION_DIALOG, IDC_MODE, 20, 58, 129, 49,
    kResolutionPlaces, sizeof kResolutionPlaces / sizeof kResolutionPlaces[0],
    kResolutionButtons, sizeof kResolutionButtons / sizeof kResolutionButtons[0],
};

}  // namespace

size_t numberDialogPlaces(int32_t operation, ControlPlace out[kNumberDialogPlaces]) {
  const bool preset = presetOperation(operation);
  size_t n = 0;
  out[n++] = ControlPlace{IDC_NUMBER_BACKGROUND, 0, 0, 330, 63};
  out[n++] = ControlPlace{IDC_NUMBER_TITLE, 68, 0, 200, 20};
  out[n++] = ControlPlace{IDC_NUMBER_EXIT, 261, preset ? 19 : 22, 58, 25};
  for (int k = 0; k < 4; ++k) out[n++] = ControlPlace{IDC_NUMBER_1 + k, kNumberColumns[k], preset ? 27 : 22, 60, 18};
  for (int k = 0; k < 4; ++k) out[n++] = ControlPlace{IDC_NUMBER_5 + k, kNumberColumns[k], 42, 60, 18};
  return n;
}

bool numberButtonShown(int32_t operation, int number) { return number <= 4 || !presetOperation(operation); }

int numberTitleBitmap(int32_t operation) {
  switch (operation) {
    case kNumberOpSave: return IDB_TITLE_SAVE;
    case kNumberOpDivide: return IDB_TITLE_DIVIDE;
    case kNumberOpPresetSave: return IDB_TITLE_PRESET_SAVE;
    case kNumberOpPresetExecute: return IDB_TITLE_PRESET_EXE;
    default: return IDB_TITLE_SELECT;  // Recall and 3X3 Multi
  }
}

devlink::CommandBlock numberCommand(int32_t operation, int number) {
  static const uint8_t kCodes[] = {0, kCmdMemorySave, kCmdMemoryRecall, kCmdDivide,
                                   kCmdMemoryRecall, kCmdPresetSave, kCmdPresetExecute};
  const uint8_t code = operation >= kNumberOpSave && operation <= kNumberOpPresetExecute ? kCodes[operation] : 0;
  return devlink::CommandBlock::make(code, static_cast<uint8_t>(number));
}

bool numberOpeningCommand(int32_t operation, devlink::CommandBlock* block) {
  if (operation != kNumberOpMulti) return false;
  *block = devlink::CommandBlock::make(kCmdDivide, kParamMultiScreen);
  return true;
}

const ButtonBitmaps* numberDialogButtons(size_t* count) {
  *count = sizeof kNumberButtonBitmaps / sizeof kNumberButtonBitmaps[0];
  return kNumberButtonBitmaps;
}

const ChoiceDialog& inputDialog() { return kInputDialog; }
const ChoiceDialog& resolutionDialog() { return kResolutionDialog; }

const ChoiceButton* findChoiceButton(const ChoiceDialog& dialog, int id) {
  for (size_t n = 0; n < dialog.buttonCount; ++n)
    if (dialog.buttons[n].look.id == id) return &dialog.buttons[n];
  return nullptr;
}

}  // namespace viewer
