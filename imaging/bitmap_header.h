// The standard 40-byte bitmap information header that describes a 24-bit
// picture wherever user-mode code hands one on (drawing, saving, printing,
// BMP files). A positive height declares the rows bottom row first, a
// negative one top row first.
#pragma once

#include <cstdint>

namespace imaging {

struct BitmapHeader {
  uint32_t size;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t colorsUsed;
  uint32_t colorsImportant;
};
static_assert(sizeof(BitmapHeader) == 40, "bitmap information header is 40 bytes");

// Bytes per row of a bitmap: whole 4-byte words.
inline uint32_t rowStride(int32_t width, int32_t bitsPerPixel) {
  return (static_cast<uint32_t>(width) * static_cast<uint32_t>(bitsPerPixel) / 8 + 3) / 4 * 4;
}

}  // namespace imaging
