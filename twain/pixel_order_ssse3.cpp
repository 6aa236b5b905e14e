// The SSSE3 pixel-order reversal: five pixels (15 bytes) per 16-byte
// shuffle. The 16th byte stored is the next pixel's first byte in the wrong
// place; the next store (or the scalar tail) writes that pixel whole, so
// the loop runs only while a pixel follows the five.
#include "twain/pixel_order.h"

#if defined(__i386__) || defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace twain {

#if defined(__i386__) || defined(__x86_64__)

__attribute__((target("ssse3"))) void reversePixelsSsse3(uint8_t* out, const uint8_t* in, uint32_t pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  uint32_t p = 0;
  for (; p + 6 <= pixels; p += 5) {
    const __m128i five = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * p), _mm_shuffle_epi8(five, order));
  }
  reversePixelsScalar(out + 3 * p, in + 3 * p, pixels - p);
}
#else
void reversePixelsSsse3(uint8_t* out, const uint8_t* in, uint32_t pixels) { reversePixelsScalar(out, in, pixels); }
#endif

}  // namespace twain
