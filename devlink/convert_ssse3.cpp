// SSSE3 variant of the conversion, bit-exact with convertRowScalar.
//
// The arithmetic is that of the SSE2 variant (see convert_sse2.cpp): each
// channel is Y plus a per-group offset, (Y*256 + t) >> 8 == Y + (t >> 8).
// pshufb copies the offsets to both pixels of a group and interleaves the
// clamped blue, green and red bytes of 16 pixels into 48 bytes with exact
// stores.
//
// Built with -mssse3 and only called when the CPU has SSSE3; everything in
// this file has internal linkage.
#include "devlink/convert.h"

#if defined(__SSSE3__)
#include <tmmintrin.h>

#include "devlink/convert_blocks.h"
#endif

namespace devlink {

#if defined(__SSSE3__)
namespace {
const int kBlockGroups = 8;  // 16 pixels, 32 input bytes, 48 output bytes

struct Channels16 {
  __m128i blue, green, red;
};

inline __attribute__((always_inline)) Channels16 channelsOf(__m128i groups) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  const __m128i highBytes = _mm_set1_epi16(static_cast<short>(0xFF00));
  const __m128i signFlip = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i redBlueFactors = _mm_setr_epi16(359, 454, 359, 454, 359, 454, 359, 454);
  const __m128i greenFactors = _mm_setr_epi16(-183, -88, -183, -88, -183, -88, -183, -88);
  // Word 0 or word 1 of each group, for both pixels.
  const __m128i lowWordTwice = _mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
  const __m128i highWordTwice = _mm_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);

  const __m128i luma = _mm_and_si128(groups, lowBytes);
  const __m128i chroma256 = _mm_xor_si128(_mm_and_si128(groups, highBytes), signFlip);
  const __m128i redBlue = _mm_mulhi_epi16(chroma256, redBlueFactors);  // (red, blue) per group
  const __m128i green = _mm_madd_epi16(chroma256, greenFactors);       // green in the high word
  Channels16 c;
  c.red = _mm_add_epi16(luma, _mm_shuffle_epi8(redBlue, lowWordTwice));
  c.blue = _mm_add_epi16(luma, _mm_shuffle_epi8(redBlue, highWordTwice));
  c.green = _mm_add_epi16(luma, _mm_shuffle_epi8(green, highWordTwice));
  return c;
}

// Converts 8 groups at in into exactly 48 bytes at out.
inline __attribute__((always_inline)) void convertBlock(const uint8_t* in, uint8_t* out) {
  const Channels16 a = channelsOf(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));       // pixels 0-7
  const Channels16 b = channelsOf(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16)));  // pixels 8-15
  // B0-7 G0-7 of a, B0-7 G0-7 of b, R0-7 of a then of b.
  const __m128i blueGreenA = _mm_packus_epi16(a.blue, a.green);
  const __m128i blueGreenB = _mm_packus_epi16(b.blue, b.green);
  const __m128i red = _mm_packus_epi16(a.red, b.red);

  // 16 pixels into 48 bytes B G R B G R ...
  const __m128i part0FromA = _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
  const __m128i part0FromRed = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i part1FromA = _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i part1FromB = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, 8, -1, 1, 9, -1, 2, 10);
  const __m128i part1FromRed = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m128i part2FromB = _mm_setr_epi8(-1, 3, 11, -1, 4, 12, -1, 5, 13, -1, 6, 14, -1, 7, 15, -1);
  const __m128i part2FromRed = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  const __m128i part0 = _mm_or_si128(_mm_shuffle_epi8(blueGreenA, part0FromA), _mm_shuffle_epi8(red, part0FromRed));
  const __m128i part1 =
      _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blueGreenA, part1FromA), _mm_shuffle_epi8(blueGreenB, part1FromB)),
                   _mm_shuffle_epi8(red, part1FromRed));
  const __m128i part2 = _mm_or_si128(_mm_shuffle_epi8(blueGreenB, part2FromB), _mm_shuffle_epi8(red, part2FromRed));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), part0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), part1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), part2);
}
}  // namespace

ConvertRowFn convertRowSsse3Fn() { return convertRowInBlocks<kBlockGroups, 0, convertBlock>; }
#else
ConvertRowFn convertRowSsse3Fn() { return nullptr; }
#endif

}  // namespace devlink
