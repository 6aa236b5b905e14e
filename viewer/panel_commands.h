// What the control panel's buttons ask of the camera, and when it refuses
// them: the one-shot command blocks (some chosen by the status shown), the
// number-dialog operations, and the refusal and lock rules.
#pragma once

#include <cstdint>

#include "devlink/command_block.h"
#include "viewer/camera_status.h"

namespace viewer {

// Camera codes of the remote-control commands.
enum : uint8_t {
  kCmdAwc = 0x01,
  kCmdAutoFocus = 0x02,
  kCmdLamp = 0x03,
  kCmdInput = 0x04,
  kCmdPolarity = 0x05,
  kCmdOutputMode = 0x06,
  kCmdAperture = 0x09,
  kCmdRotate = 0x11,
  kCmdFreeze = 0x12,
  kCmdMemorySave = 0x13,
  kCmdMemoryRecall = 0x14,
  kCmdDivide = 0x15,
  kCmdShift = 0x16,
  kCmdPresetSave = 0x17,
  kCmdPresetExecute = 0x18,
  kCmdFree = 0x1F,
};
// Besides the usual pair 5 and 10: the third choice (lamp lower, external 1,
// XGA) and the multi screen of the divide command.
enum : uint8_t { kParamThirdChoice = 8, kParamMultiScreen = 9 };

// What a click on a control-panel button does.
enum class ButtonAction {
  None,             // not a button that acts on a click (arrows act on the press)
  SelectFunction,   // Focus, Zoom, Iris, Vol, Red, Blue
  SendCommand,      // a one-shot command block
  NumberDialog,     // Save, Recall, Divide, 3X3 Multi, Preset Save, Preset Exe
  InputDialog,      // Ext
  ResolutionDialog, // Mode
  ClosePanel,       // Exit
};
ButtonAction buttonAction(int buttonId);

// Operations of the number dialog.
enum : int32_t {
  kNumberOpNone = 0,
  kNumberOpSave = 1,
  kNumberOpRecall = 2,
  kNumberOpDivide = 3,
  kNumberOpMulti = 4,
  kNumberOpPresetSave = 5,
  kNumberOpPresetExecute = 6,
};
int32_t numberOperationOf(int buttonId);

// The block a command button sends for the status shown.
devlink::CommandBlock commandBlockOf(int buttonId, const CameraStatus& status);
// Rotate asks for the next quarter turn from the angle shown.
uint8_t rotateParameter(int angle);

// In the 3x3 multi screen the camera takes no command but Free.
bool commandRefused(const devlink::CommandBlock& block, const CameraStatus& status);
// Whether the number dialog may open for an operation.
bool numberOperationAllowed(int32_t operation, const CameraStatus& status);
// Ext is refused in the multi screen, Mode also while the camera is frozen.
bool dialogRefused(int buttonId, const CameraStatus& status);
// Save, Recall, Divide and 3X3 Multi do nothing at all while the presets
// are locked.
bool silencedByPresetLock(int buttonId);

}  // namespace viewer
