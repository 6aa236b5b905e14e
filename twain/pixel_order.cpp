// The scalar pixel-order reversal and the choice of variant.
#include "twain/pixel_order.h"

namespace twain {

void reversePixelsScalar(uint8_t* out, const uint8_t* in, uint32_t pixels) {
  for (uint32_t p = 0; p < pixels; ++p, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

bool cpuHasSsse3() {
#if defined(__i386__) || defined(__x86_64__)
  return __builtin_cpu_supports("ssse3");
#else
  return false;
#endif
}

void reversePixels(uint8_t* out, const uint8_t* in, uint32_t pixels) {
  static const auto variant = cpuHasSsse3() ? reversePixelsSsse3 : reversePixelsScalar;
  variant(out, in, pixels);
}

}  // namespace twain
