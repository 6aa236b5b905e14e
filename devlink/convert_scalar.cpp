// The reference conversion: integer multiplies, adds, shifts and clamps only.
#include "devlink/convert.h"

namespace devlink {

namespace {
inline uint8_t clampByte(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }
}  // namespace

void convertRowScalar(const uint8_t* groups, uint8_t* bgr, size_t groupCount) {
  for (size_t g = 0; g < groupCount; ++g, groups += 4, bgr += 6) {
    const int32_t cr = static_cast<int32_t>(groups[1]) - 128;
    const int32_t cb = static_cast<int32_t>(groups[3]) - 128;
    const int32_t tB = 454 * cb;
    const int32_t tG = 183 * cr + 88 * cb;
    const int32_t tR = 359 * cr;
    const int32_t y0 = groups[0] * 256;
    const int32_t y1 = groups[2] * 256;
    bgr[0] = clampByte((y0 + tB) >> 8);
    bgr[1] = clampByte((y0 - tG) >> 8);
    bgr[2] = clampByte((y0 + tR) >> 8);
    bgr[3] = clampByte((y1 + tB) >> 8);
    bgr[4] = clampByte((y1 - tG) >> 8);
    bgr[5] = clampByte((y1 + tR) >> 8);
  }
}

}  // namespace devlink
