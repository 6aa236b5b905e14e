#include "viewer/panel_commands.h"

#include "viewer/level_control.h"
#include "viewer/viewer_resources.h"

namespace viewer {

namespace {

// Buttons whose block does not depend on the status.
struct FixedCommand {
  int buttonId;
  uint8_t code, parameter;
};
const FixedCommand kFixedCommands[] = {
    {IDC_LAMP_UP, kCmdLamp, devlink::kParamOn},     {IDC_LAMP_LOW, kCmdLamp, kParamThirdChoice},
    {IDC_LAMP_OFF, kCmdLamp, devlink::kParamOff},   {IDC_AWC, kCmdAwc, devlink::kParamOn},
    {IDC_AF, kCmdAutoFocus, devlink::kParamOn},     {IDC_FREE, kCmdFree, devlink::kParamOn},
    {IDC_SHIFT, kCmdShift, devlink::kParamOn},      {IDC_INT, kCmdInput, devlink::kParamOn},
};

struct NumberButton {
  int buttonId;
  int32_t operation;
};
const NumberButton kNumberButtons[] = {
    {IDC_MEMORY_SAVE, kNumberOpSave},        {IDC_RECALL, kNumberOpRecall},
    {IDC_DIVIDE, kNumberOpDivide},           {IDC_MULTI, kNumberOpMulti},
    {IDC_PRESET_SAVE, kNumberOpPresetSave},  {IDC_PRESET_EXE, kNumberOpPresetExecute},
};

// A status-bound toggle sends 5 to turn the state off and 10 to turn it on,
// or the other way round, as the camera defines each.
uint8_t pick(bool condition, uint8_t whenSet, uint8_t whenClear) { return condition ? whenSet : whenClear; }

}  // namespace

ButtonAction buttonAction(int buttonId) {
  if (functionOfButton(buttonId) >= 0) return ButtonAction::SelectFunction;
  if (numberOperationOf(buttonId) != kNumberOpNone) return ButtonAction::NumberDialog;
  switch (buttonId) {
    case IDC_EXT: return ButtonAction::InputDialog;
    case IDC_MODE: return ButtonAction::ResolutionDialog;
    case IDC_PANEL_EXIT: return ButtonAction::ClosePanel;
    case IDC_APERTURE:
    case IDC_FREEZE:
    case IDC_POS_NEG:
    case IDC_ROTATE: return ButtonAction::SendCommand;
    default: break;
  }
  for (const FixedCommand& c : kFixedCommands)
    if (c.buttonId == buttonId) return ButtonAction::SendCommand;
  return ButtonAction::None;
}

int32_t numberOperationOf(int buttonId) {
  for (const NumberButton& b : kNumberButtons)
    if (b.buttonId == buttonId) return b.operation;
  return kNumberOpNone;
}

uint8_t rotateParameter(int angle) {
  switch (angle) {
    case 0: return 8;
    case 90: return 10;
    case 180: return 13;
    default: return 5;  // 270: back upright
  }
}

devlink::CommandBlock commandBlockOf(int buttonId, const CameraStatus& s) {
  switch (buttonId) {
    case IDC_APERTURE: return devlink::CommandBlock::make(kCmdAperture, pick(s.apertureOff, devlink::kParamOn, devlink::kParamOff));
    case IDC_FREEZE: return devlink::CommandBlock::make(kCmdFreeze, pick(s.freeze, devlink::kParamOff, devlink::kParamOn));
    case IDC_POS_NEG: return devlink::CommandBlock::make(kCmdPolarity, pick(s.negative, devlink::kParamOn, devlink::kParamOff));
    case IDC_ROTATE: return devlink::CommandBlock::make(kCmdRotate, rotateParameter(rotationAngle(s)));
    default: break;
  }
  for (const FixedCommand& c : kFixedCommands)
    if (c.buttonId == buttonId) return devlink::CommandBlock::make(c.code, c.parameter);
  return devlink::CommandBlock::zero();
}

bool commandRefused(const devlink::CommandBlock& block, const CameraStatus& s) {
  const bool isFree = block.code() == kCmdFree && block.parameter() == devlink::kParamOn;
  return s.multi && !isFree;
}

bool numberOperationAllowed(int32_t operation, const CameraStatus& s) {
  switch (operation) {
    case kNumberOpSave: return s.input == 0 && !s.freeze && !s.recall && !s.multi;
    case kNumberOpRecall: return s.input == 0 && !s.divide;
    case kNumberOpDivide: return s.input == 0 && !s.multi;
    case kNumberOpMulti: return s.input == 0;
    case kNumberOpPresetSave:
    case kNumberOpPresetExecute: return !s.multi;
    default: return false;
  }
}

bool dialogRefused(int buttonId, const CameraStatus& s) {
  if (buttonId == IDC_EXT) return s.multi != 0;
  if (buttonId == IDC_MODE) return s.freeze || s.multi;
  return false;
}

bool silencedByPresetLock(int buttonId) {
  return buttonId == IDC_MEMORY_SAVE || buttonId == IDC_RECALL || buttonId == IDC_DIVIDE || buttonId == IDC_MULTI;
}

}  // namespace viewer
