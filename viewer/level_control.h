// The control panel's adjustable quantities (Focus, Zoom, Iris, Vol, Red,
// Blue): their camera codes and ranges, the blocks that move, set and query
// them, and the arithmetic of the level knob on its 139-pixel bar.
#pragma once

#include <cstdint>

#include "devlink/command_block.h"

namespace viewer {

enum : int {
  kFunctionFocus = 0,
  kFunctionZoom = 1,
  kFunctionIris = 2,
  kFunctionVol = 3,
  kFunctionRed = 4,
  kFunctionBlue = 5,
  kFunctionCount = 6,
};

struct LevelFunction {
  int buttonId;
  uint8_t moveCode;   // start of a continuous change (parameter 5 up, 10 down)
  uint8_t setCode;    // absolute value
  uint8_t queryCode;  // current value
  int32_t fixedMax;   // range 0..fixedMax; Focus reads its range from the camera
  bool wideValue;     // value in bytes 3 (high) and 4 (low), else byte 4
};

const LevelFunction& levelFunction(int function);
// The function a button selects, -1 for other buttons.
int functionOfButton(int buttonId);

// Camera codes of the level commands that are not per function.
enum : uint8_t { kCmdStopMove = 0x2F, kCmdFocusLimit = 0x6B };

// Blocks of the level commands.
devlink::CommandBlock moveStartBlock(int function, bool increase);
devlink::CommandBlock moveStopBlock();
devlink::CommandBlock setLevelBlock(int function, int32_t value);
devlink::CommandBlock queryLevelBlock(int function);
// The value in a query reply (also the focus-limit replies: wide).
int32_t levelOfReply(int function, const devlink::CommandBlock& reply);

// Knob geometry: the bar starts at x 27, is 139 pixels long, and the
// 18 x 19 knob moves between x 27 and 148 at y 20.
enum : int32_t {
  kBarLeft = 27,
  kBarTop = 19,
  kBarLength = 139,
  kKnobTop = 20,
  kKnobWidth = 18,
  kKnobHeight = 19,
  kKnobLeftmost = 27,
  kKnobRightmost = 148,
};

// Left edge of the knob for a value in [min, max] (an empty range counts
// as one step wide).
int32_t knobLeftForValue(int32_t value, int32_t levelMin, int32_t levelMax);
// Left edge of the knob while it is dragged with the pointer at x.
int32_t knobDragLeft(int32_t pointerX, int32_t grabOffset);
// The value a knob released with the pointer at x stands for. The point
// read is the knob's centre as the pointer would put it, clamped to the
// bar's ends independently of the knob's own stops.
int32_t knobReleaseValue(int32_t pointerX, int32_t grabOffset, int32_t levelMin, int32_t levelMax);

}  // namespace viewer
