// AVX2 variant of the conversion, bit-exact with convertRowScalar.
//
// The arithmetic is that of the SSE2 variant (see convert_sse2.cpp), on
// 256-bit registers: 16 groups (32 pixels, 64 input bytes) per block give
// 96 output bytes. AVX2 packs and shuffles work within 128-bit halves, so
// the input is regrouped first: one register takes groups 0-3 and 8-11, the
// other groups 4-7 and 12-15; packing the two then leaves pixels 0-15 in
// the low half and 16-31 in the high half, in order.
//
// Built with -mavx2 and only called when the CPU and OS support AVX2;
// everything in this file has internal linkage. The 32-bit Windows build
// also realigns the stack on entry (the caller may give 4-byte alignment
// only, and ymm spills need 32).
#include "devlink/convert.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include "devlink/convert_blocks.h"
#endif

namespace devlink {

#if defined(__AVX2__)
namespace {
const int kBlockGroups = 16;  // 32 pixels, 64 input bytes, 96 output bytes

struct Channels16 {
  __m256i blue, green, red;
};

inline __attribute__((always_inline)) Channels16 channelsOf(__m256i groups) {
  const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
  const __m256i highBytes = _mm256_set1_epi16(static_cast<short>(0xFF00));
  const __m256i signFlip = _mm256_set1_epi16(static_cast<short>(0x8000));
  const __m256i redBlueFactors = _mm256_setr_epi16(359, 454, 359, 454, 359, 454, 359, 454,  //
                                                   359, 454, 359, 454, 359, 454, 359, 454);
  const __m256i greenFactors = _mm256_setr_epi16(-183, -88, -183, -88, -183, -88, -183, -88,  //
                                                 -183, -88, -183, -88, -183, -88, -183, -88);
  const __m256i lowWordTwice = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13,  //
                                                0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
  const __m256i highWordTwice = _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15,  //
                                                 2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);

  const __m256i luma = _mm256_and_si256(groups, lowBytes);
  const __m256i chroma256 = _mm256_xor_si256(_mm256_and_si256(groups, highBytes), signFlip);
  const __m256i redBlue = _mm256_mulhi_epi16(chroma256, redBlueFactors);  // (red, blue) per group
  const __m256i green = _mm256_madd_epi16(chroma256, greenFactors);       // green in the high word
  Channels16 c;
  c.red = _mm256_add_epi16(luma, _mm256_shuffle_epi8(redBlue, lowWordTwice));
  c.blue = _mm256_add_epi16(luma, _mm256_shuffle_epi8(redBlue, highWordTwice));
  c.green = _mm256_add_epi16(luma, _mm256_shuffle_epi8(green, highWordTwice));
  return c;
}

// Loads two 16-byte pieces into the low and high halves.
inline __attribute__((always_inline)) __m256i loadHalves(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

inline __attribute__((always_inline)) void storeHalves(__m256i v, uint8_t* low, uint8_t* high) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(low), _mm256_castsi256_si128(v));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(high), _mm256_extracti128_si256(v, 1));
}

// Converts 16 groups at in into exactly 96 bytes at out.
inline __attribute__((always_inline)) void convertBlock(const uint8_t* in, uint8_t* out) {
  // Per half, a holds the first 8 pixels and b the next 8: the low halves
  // pixels 0-15, the high halves pixels 16-31.
  const Channels16 a = channelsOf(loadHalves(in, in + 32));       // groups 0-3, 8-11
  const Channels16 b = channelsOf(loadHalves(in + 16, in + 48));  // groups 4-7, 12-15
  // Per half: B0-7 G0-7 of a, B0-7 G0-7 of b, R0-7 of a then of b.
  const __m256i blueGreenA = _mm256_packus_epi16(a.blue, a.green);
  const __m256i blueGreenB = _mm256_packus_epi16(b.blue, b.green);
  const __m256i red = _mm256_packus_epi16(a.red, b.red);

  // Each half: 16 pixels into 48 bytes B G R B G R ...
  const __m256i part0FromA = _mm256_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5,  //
                                              0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
  const __m256i part0FromRed = _mm256_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1,  //
                                                -1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m256i part1FromA = _mm256_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1,  //
                                              13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m256i part1FromB = _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, 8, -1, 1, 9, -1, 2, 10,  //
                                              -1, -1, -1, -1, -1, -1, -1, -1, 0, 8, -1, 1, 9, -1, 2, 10);
  const __m256i part1FromRed = _mm256_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1,  //
                                                -1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m256i part2FromB = _mm256_setr_epi8(-1, 3, 11, -1, 4, 12, -1, 5, 13, -1, 6, 14, -1, 7, 15, -1,  //
                                              -1, 3, 11, -1, 4, 12, -1, 5, 13, -1, 6, 14, -1, 7, 15, -1);
  const __m256i part2FromRed = _mm256_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15,  //
                                                10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  const __m256i part0 =
      _mm256_or_si256(_mm256_shuffle_epi8(blueGreenA, part0FromA), _mm256_shuffle_epi8(red, part0FromRed));
  const __m256i part1 = _mm256_or_si256(
      _mm256_or_si256(_mm256_shuffle_epi8(blueGreenA, part1FromA), _mm256_shuffle_epi8(blueGreenB, part1FromB)),
      _mm256_shuffle_epi8(red, part1FromRed));
  const __m256i part2 =
      _mm256_or_si256(_mm256_shuffle_epi8(blueGreenB, part2FromB), _mm256_shuffle_epi8(red, part2FromRed));
  // part0..2 hold bytes 0-47 in their low halves and 48-95 in their high
  // halves.
  storeHalves(part0, out, out + 48);
  storeHalves(part1, out + 16, out + 64);
  storeHalves(part2, out + 32, out + 80);
}

void convertRowAvx2(const uint8_t* groups, uint8_t* bgr, size_t groupCount) {
  convertRowInBlocks<kBlockGroups, 0, convertBlock>(groups, bgr, groupCount);
  // Leave no dirty upper ymm state for SSE code in the caller.
  _mm256_zeroupper();
}
}  // namespace

ConvertRowFn convertRowAvx2Fn() { return convertRowAvx2; }
#else
ConvertRowFn convertRowAvx2Fn() { return nullptr; }
#endif

}  // namespace devlink
