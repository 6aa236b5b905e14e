// The SSSE3 pixel-order reversal: sixteen pixels (48 bytes) per step, three
// 16-byte stores that neither overlap nor reach past the step's pixels.
// Each stored block needs bytes from 18 input bytes, more than one load
// holds, so it is put together from two overlapping loads, each shuffled
// into its own bytes (0x80 leaves a byte zero) and the two or-ed. Every load
// stays within the step's 48 input bytes; the scalar reference does the
// last pixels.
#include "twain/pixel_order.h"

#if defined(__i386__) || defined(__x86_64__)
#include <tmmintrin.h>
#endif

namespace twain {

#if defined(__i386__) || defined(__x86_64__)

namespace {

const char Z = static_cast<char>(0x80);

__attribute__((target("ssse3"))) inline __m128i load(const uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

}  // namespace

__attribute__((target("ssse3"))) void reversePixelsSsse3(uint8_t* out, const uint8_t* in, uint32_t pixels) {
  // Output bytes 0-15: input 0-14 from the load at 0, input 17 from the load at 2.
  const __m128i first0 = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, Z);
  const __m128i first2 = _mm_setr_epi8(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 15);
  // Output bytes 16-31: input 15-29 from the load at 15, input 31-32 from the load at 17.
  const __m128i second15 = _mm_setr_epi8(1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, Z, Z);
  const __m128i second17 = _mm_setr_epi8(Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, 15, 14);
  // Output bytes 32-47: input 30 from the load at 30, input 33-47 from the load at 32.
  const __m128i third30 = _mm_setr_epi8(0, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z, Z);
  const __m128i third32 = _mm_setr_epi8(Z, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13);
  uint32_t p = 0;
  for (; p + 16 <= pixels; p += 16, in += 48, out += 48) {
    const __m128i a = _mm_or_si128(_mm_shuffle_epi8(load(in), first0), _mm_shuffle_epi8(load(in + 2), first2));
    const __m128i b =
        _mm_or_si128(_mm_shuffle_epi8(load(in + 15), second15), _mm_shuffle_epi8(load(in + 17), second17));
    const __m128i c =
        _mm_or_si128(_mm_shuffle_epi8(load(in + 30), third30), _mm_shuffle_epi8(load(in + 32), third32));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), c);
  }
  reversePixelsScalar(out, in, pixels - p);
}
#else
void reversePixelsSsse3(uint8_t* out, const uint8_t* in, uint32_t pixels) { reversePixelsScalar(out, in, pixels); }
#endif

}  // namespace twain
