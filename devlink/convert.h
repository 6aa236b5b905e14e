// YCbCr 4:2:2 to 24-bit BGR conversion. A raw frame is a run of 4-byte
// groups Y0 Cr Y1 Cb; each group gives two pixels (6 output bytes):
//   blue  = clamp((Y*256 + 454*cb) >> 8)
//   green = clamp((Y*256 - (183*cr + 88*cb)) >> 8)
//   red   = clamp((Y*256 + 359*cr) >> 8)
// with cb = Cb - 128, cr = Cr - 128 and arithmetic shifts.
//
// The scalar row function is the reference; the SIMD variants have the same
// signature, are bit-exact with it, and one is chosen once at run time from
// the CPU's features.
#pragma once

#include <cstddef>
#include <cstdint>

namespace devlink {

typedef void (*ConvertRowFn)(const uint8_t* groups, uint8_t* bgr, size_t groupCount);

void convertRowScalar(const uint8_t* groups, uint8_t* bgr, size_t groupCount);
// Null when the variant was not built for this target.
ConvertRowFn convertRowSse2Fn();
ConvertRowFn convertRowSsse3Fn();
ConvertRowFn convertRowAvx2Fn();
// The fastest variant this CPU runs (decided once), and its name.
ConvertRowFn bestConvertRow();
const char* bestConvertRowName();

// One conversion variant by name ("scalar", "sse2", "ssse3", "avx2").
struct ConvertVariant {
  const char* name;
  ConvertRowFn fn;
};
// Fills `out` (room for `maxCount`) with every variant that was built for
// this target and that this CPU runs, slowest first (the scalar reference
// first, the one bestConvertRow picks last); returns how many it filled.
size_t usableConvertVariants(ConvertVariant* out, size_t maxCount);

// Where one chunk of a frame goes, and the frame counters it advances.
struct ConvertTarget {
  uint8_t* image;        // the bitmap: rows from the top, 3 bytes per pixel
  uint32_t imageBytes;   // its size: output never goes past it
  int32_t width;         // W = baseWidth / d
  int32_t baseHeight;    // camera base height (768, or 1024 for the large model)
  int32_t sizeIndex;     // 0, 1 or 2; any other value writes nothing
};
struct ConvertCounters {
  uint32_t writeOffset;   // bitmap bytes written in this frame
  uint32_t pixelCount;    // pixels of this frame processed
  int32_t consumedOutput; // bitmap bytes accounted for the raw bytes read
};

// Converts one chunk (chunkBytes, a multiple of 4) appended at writeOffset.
// dropFirstRow skips every group whose left pixel lies in row 0 (or in a row
// past baseHeight). Advances the counters as the frame pipeline expects:
// writeOffset by the bytes written, pixelCount by 2 per group (skipped ones
// too), consumedOutput by chunkBytes*3/2.
void convertChunk(const uint8_t* chunk, uint32_t chunkBytes, const ConvertTarget& target,
                  ConvertCounters* counters, bool dropFirstRow);

}  // namespace devlink
