// SSE2 variant of the conversion, bit-exact with convertRowScalar.
//
// Every channel is Y plus a per-group offset, because
// (Y*256 + t) >> 8 == Y + (t >> 8) for an arithmetic shift. Read as 16-bit
// lanes a group is (Y0 | Cr<<8, Y1 | Cb<<8); masking the high bytes and
// flipping their top bit gives (cr*256, cb*256) as signed values, from which
//   mulhi(cr*256, 359) = (359*cr) >> 8       red offset
//   mulhi(cb*256, 454) = (454*cb) >> 8       blue offset
//   madd(cr*256, cb*256; -183, -88) >> 16   green offset, (-tG) >> 8
// (green is one shift of the whole sum, not a sum of shifted terms). The
// offsets are copied to both pixels of the group, added to Y in 16 bits,
// and packus clamps to 0..255.
//
// This file is built with -msse2 and only called when the CPU has SSE2.
// Everything in it has internal linkage, so no SSE2 code can stand in for
// a function another file uses.
#include "devlink/convert.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "devlink/convert_blocks.h"
#endif

namespace devlink {

#if defined(__SSE2__)
namespace {
const int kBlockGroups = 8;  // 16 pixels, 32 input bytes, 48 output bytes
const int kBlockOverrunBytes = 2;  // written past the 48 (see storeFourPixels)

// Blue, green and red of the 8 pixels of 4 groups, as 16-bit lanes.
struct Channels16 {
  __m128i blue, green, red;
};

inline __attribute__((always_inline)) Channels16 channelsOf(__m128i groups) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  const __m128i highBytes = _mm_set1_epi16(static_cast<short>(0xFF00));
  const __m128i signFlip = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i redBlueFactors = _mm_setr_epi16(359, 454, 359, 454, 359, 454, 359, 454);
  const __m128i greenFactors = _mm_setr_epi16(-183, -88, -183, -88, -183, -88, -183, -88);

  const __m128i luma = _mm_and_si128(groups, lowBytes);
  const __m128i chroma256 = _mm_xor_si128(_mm_and_si128(groups, highBytes), signFlip);
  const __m128i redBlue = _mm_mulhi_epi16(chroma256, redBlueFactors);  // (red, blue) per group
  const __m128i green = _mm_madd_epi16(chroma256, greenFactors);       // green in the high word
  Channels16 c;
  c.red = _mm_add_epi16(luma, _mm_shufflehi_epi16(_mm_shufflelo_epi16(redBlue, 0xA0), 0xA0));
  c.blue = _mm_add_epi16(luma, _mm_shufflehi_epi16(_mm_shufflelo_epi16(redBlue, 0xF5), 0xF5));
  c.green = _mm_add_epi16(luma, _mm_shufflehi_epi16(_mm_shufflelo_epi16(green, 0xF5), 0xF5));
  return c;
}

// Writes 4 pixels given as B G R 0 dwords as 12 bytes at out; also writes
// 2 bytes past them.
inline __attribute__((always_inline)) void storeFourPixels(__m128i bgrx, uint8_t* out) {
  // Bytes 0-2 and 3-5 of each 64-bit half.
  const __m128i firstPixel = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
  const __m128i secondPixel = _mm_set_epi32(0x0000FFFF, static_cast<int>(0xFF000000), 0x0000FFFF,
                                            static_cast<int>(0xFF000000));
  // Each 64-bit half B0 G0 R0 0 B1 G1 R1 0 becomes B0 G0 R0 B1 G1 R1 0 0.
  const __m128i packed =
      _mm_or_si128(_mm_and_si128(bgrx, firstPixel), _mm_and_si128(_mm_srli_epi64(bgrx, 8), secondPixel));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
  _mm_storeh_pi(reinterpret_cast<__m64*>(out + 6), _mm_castsi128_ps(packed));
}

// Converts 8 groups at in into 48 bytes at out, writing up to 2 bytes past.
inline __attribute__((always_inline)) void convertBlock(const uint8_t* in, uint8_t* out) {
  const Channels16 a = channelsOf(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
  const Channels16 b = channelsOf(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16)));
  const __m128i blue = _mm_packus_epi16(a.blue, b.blue);
  const __m128i green = _mm_packus_epi16(a.green, b.green);
  const __m128i red = _mm_packus_epi16(a.red, b.red);
  const __m128i zero = _mm_setzero_si128();
  const __m128i blueGreenLow = _mm_unpacklo_epi8(blue, green);
  const __m128i blueGreenHigh = _mm_unpackhi_epi8(blue, green);
  const __m128i redLow = _mm_unpacklo_epi8(red, zero);
  const __m128i redHigh = _mm_unpackhi_epi8(red, zero);
  storeFourPixels(_mm_unpacklo_epi16(blueGreenLow, redLow), out);
  storeFourPixels(_mm_unpackhi_epi16(blueGreenLow, redLow), out + 12);
  storeFourPixels(_mm_unpacklo_epi16(blueGreenHigh, redHigh), out + 24);
  storeFourPixels(_mm_unpackhi_epi16(blueGreenHigh, redHigh), out + 36);
}
}  // namespace

ConvertRowFn convertRowSse2Fn() { return convertRowInBlocks<kBlockGroups, kBlockOverrunBytes, convertBlock>; }
#else
ConvertRowFn convertRowSse2Fn() { return nullptr; }
#endif

}  // namespace devlink
