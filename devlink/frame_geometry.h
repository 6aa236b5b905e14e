// The camera's frame geometry, written down once: the base sizes of the two
// camera models, the size indexes with their divisors, and the byte counts
// of a frame (raw on the image pipe, as a 24-bit bitmap, in chunks).
#pragma once

#include <cstdint>

namespace devlink {

// Base frame of each model: the viewer's camera is always the first; the
// data source also serves the second.
struct FrameBase {
  int32_t width, height;
};
constexpr FrameBase kXgaBase = {1024, 768};
constexpr FrameBase kSxgaBase = {1280, 1024};
inline FrameBase modelBase(bool largeModel) { return largeModel ? kSxgaBase : kXgaBase; }

// Size indexes 0, 1 and 2 are full, half and quarter size.
enum : int { kFullSize = 0, kHalfSize = 1, kQuarterSize = 2 };
inline bool isValidSizeIndex(int sizeIndex) { return sizeIndex >= kFullSize && sizeIndex <= kQuarterSize; }
// Divisor of a size index: 1, 2 or 4 (2*s, or 1 for s = 0).
inline int32_t sizeDivisor(int sizeIndex) { return sizeIndex == 0 ? 1 : 2 * sizeIndex; }

// One image-pipe read is at most this many bytes.
enum : int32_t { kChunkLimit = 131072 };

// A frame at one size index: raw frames carry 2 bytes per pixel (4-byte
// groups Y0 Cr Y1 Cb), bitmaps 3 (blue, green, red; every width is a
// multiple of 4 pixels, so rows need no padding).
struct FrameGeometry {
  int32_t width, height;
  uint32_t rawBytes;
  uint32_t bitmapBytes;
  uint32_t chunkCount;  // image-pipe reads of at most kChunkLimit bytes
};

inline FrameGeometry frameGeometry(FrameBase base, int sizeIndex) {
  const int32_t d = sizeDivisor(sizeIndex);
  FrameGeometry g;
  g.width = base.width / d;
  g.height = base.height / d;
  const uint32_t pixels = static_cast<uint32_t>(g.width) * static_cast<uint32_t>(g.height);
  g.rawBytes = pixels * 2;
  g.bitmapBytes = pixels * 3;
  g.chunkCount = (g.rawBytes + kChunkLimit - 1) / kChunkLimit;
  return g;
}

}  // namespace devlink
