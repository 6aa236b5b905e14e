#include "viewer/camera_status.h"

#include "viewer/viewer_resources.h"

namespace viewer {

namespace {

uint8_t byteOf(uint64_t reply, int n) { return static_cast<uint8_t>(reply >> (8 * n)); }
int32_t bit(uint8_t value, int n) { return (value >> n) & 1; }

int lampBitmap(int32_t lamp) {
  if (lamp == 0) return IDB_SHOW_LAMP_OFF;
  if (lamp == 2) return IDB_SHOW_LAMP_LOWER;
  return IDB_SHOW_LAMP_UPPER;  // 1, and 3 shown as upper
}

int inputBitmap(int32_t input) {
  switch (input) {
    case 0: return IDB_SHOW_INT;
    case 4: return IDB_SHOW_NOSYNC1;
    case 5: return IDB_SHOW_NOSYNC2;
    case 6: return IDB_SHOW_EXT1;
    case 7: return IDB_SHOW_EXT2;
    default: return IDB_SHOW_EMPTY;
  }
}

int outputBitmap(int32_t outputMode) {
  switch (outputMode) {
    case 1: return IDB_SHOW_XGA;
    case 2: return IDB_SHOW_SVGA;
    case 3: return IDB_SHOW_OUTPUT_3;
    default: return IDB_SHOW_EMPTY;
  }
}

int memoryModeBitmap(const CameraStatus& s) {
  if (s.recall) return IDB_SHOW_RECALL;
  if (s.divide) return IDB_SHOW_DIVIDE;
  if (s.multi) return IDB_SHOW_MULTI;
  return IDB_SHOW_EMPTY;
}

}  // namespace

void decodeStatusA(uint64_t reply, CameraStatus* s) {
  if (reply == 0) return;
  const uint8_t b3 = byteOf(reply, 3), b4 = byteOf(reply, 4);
  s->negative = bit(b4, 7);
  s->input = (b4 >> 4) & 7;
  s->lamp = (b4 >> 2) & 3;
  s->outputMode = b4 & 3;
  s->presetLockBit = bit(b3, 4);
  s->apertureOff = bit(b3, 2);
}

void decodeStatusB(uint64_t reply, CameraStatus* s) {
  if (reply == 0) return;
  const uint8_t b3 = byteOf(reply, 3);
  s->recall = bit(b3, 7);
  s->freeze = bit(b3, 6);
  s->rotationHalf = bit(b3, 5);
  s->rotationQuarter = bit(b3, 4);
  s->multi = bit(b3, 3);
  s->divide = bit(b3, 2);
}

int rotationAngle(const CameraStatus& s) { return 90 * s.rotationQuarter + 180 * s.rotationHalf; }

void chooseIndicators(const CameraStatus& s, Indicator out[kIndicatorCount]) {
  out[0] = Indicator{{81, 132, 147, 140}, lampBitmap(s.lamp)};
  out[1] = Indicator{{211, 36, 261, 48}, s.negative ? IDB_SHOW_NEGA : IDB_SHOW_POSI};
  out[2] = Indicator{{271, 34, 321, 46}, inputBitmap(s.input)};
  out[3] = Indicator{{211, 58, 261, 70}, outputBitmap(s.outputMode)};
  out[4] = Indicator{{271, 51, 321, 63}, s.freeze ? IDB_SHOW_FREEZE : IDB_SHOW_EMPTY};
  // A locked preset set hides the rotation.
  out[5] = Indicator{{216, 80, 266, 92},
                     s.presetLockBit ? IDB_SHOW_EMPTY
                                     : IDB_SHOW_ROTATION_0 + 2 * s.rotationHalf + s.rotationQuarter};
  out[6] = Indicator{{274, 68, 324, 80}, memoryModeBitmap(s)};
  out[7] = Indicator{{272, 84, 322, 96}, s.apertureOff ? IDB_SHOW_EMPTY : IDB_SHOW_APERTURE};
}

}  // namespace viewer
