#include "viewer/level_control.h"

#include <algorithm>

#include "viewer/viewer_resources.h"

namespace viewer {

namespace {

const LevelFunction kFunctions[kFunctionCount] = {
    {IDC_FOCUS, 0x25, 0x45, 0x6A, 0, true},
    {IDC_ZOOM, 0x26, 0x46, 0x69, 1809, true},
    {IDC_IRIS, 0x21, 0x41, 0x65, 120, false},
    {IDC_VOL, 0x22, 0x42, 0x66, 120, false},
    {IDC_RED, 0x23, 0x43, 0x67, 200, false},
    {IDC_BLUE, 0x24, 0x44, 0x68, 200, false},
};

}  // namespace

const LevelFunction& levelFunction(int function) { return kFunctions[function]; }

int functionOfButton(int buttonId) {
  for (int f = 0; f < kFunctionCount; ++f)
    if (kFunctions[f].buttonId == buttonId) return f;
  return -1;
}

devlink::CommandBlock moveStartBlock(int function, bool increase) {
  return devlink::CommandBlock::make(kFunctions[function].moveCode, increase ? devlink::kParamOn : devlink::kParamOff);
}

devlink::CommandBlock moveStopBlock() { return devlink::CommandBlock::make(kCmdStopMove, devlink::kParamOn); }

devlink::CommandBlock setLevelBlock(int function, int32_t value) {
  if (kFunctions[function].wideValue)
    return devlink::CommandBlock::make(kFunctions[function].setCode, static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value));
  return devlink::CommandBlock::make(kFunctions[function].setCode, 0, static_cast<uint8_t>(value));
}

devlink::CommandBlock queryLevelBlock(int function) { return devlink::CommandBlock::make(kFunctions[function].queryCode, 0); }

int32_t levelOfReply(int function, const devlink::CommandBlock& reply) {
  if (kFunctions[function].wideValue) return reply.bytes[3] << 8 | reply.bytes[4];
  return reply.bytes[4];
}

int32_t knobLeftForValue(int32_t value, int32_t levelMin, int32_t levelMax) {
  const int64_t m = levelMax == levelMin ? static_cast<int64_t>(levelMin) + 1 : levelMax;
  // Integer division truncates toward zero, also for values below the range.
  const int64_t x = int64_t{kBarLength} * (int64_t{value} - levelMin) / (m - levelMin) + kBarLeft - kKnobWidth / 2;
  return static_cast<int32_t>(std::clamp<int64_t>(x, kKnobLeftmost, kKnobRightmost));
}

int32_t knobDragLeft(int32_t pointerX, int32_t grabOffset) {
  return std::clamp(pointerX - grabOffset, int32_t{kKnobLeftmost}, int32_t{kKnobRightmost});
}

int32_t knobReleaseValue(int32_t pointerX, int32_t grabOffset, int32_t levelMin, int32_t levelMax) {
  const int64_t p = std::clamp<int64_t>(int64_t{pointerX} - grabOffset + kKnobWidth / 2, kBarLeft, kBarLeft + kBarLength);
  return static_cast<int32_t>((p - kBarLeft) * (int64_t{levelMax} - levelMin) / kBarLength + levelMin);
}

}  // namespace viewer
