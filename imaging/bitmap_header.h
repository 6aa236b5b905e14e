// The 40-byte bitmap information header (the platform's BITMAPINFOHEADER
// layout, little-endian), the one header type of all user-mode code: it
// describes the pictures the viewer paints, the data source's transfer
// bitmap and the pictures in BMP files.
#pragma once

#include <cstdint>

namespace imaging {

struct BitmapInfoHeader {
  uint32_t size;  // 40
  int32_t width;
  int32_t height;  // negative: rows from the top
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t colorsUsed;
  uint32_t colorsImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "bitmap information header is 40 bytes");

enum : uint32_t { kBitmapInfoHeaderBytes = 40, kBitmapFileHeaderBytes = 14 };

// Bytes of one bitmap row: rows are padded to whole 32-bit words.
inline uint32_t bitmapRowBytes(uint32_t bitCount, uint32_t width) {
  return static_cast<uint32_t>(((static_cast<uint64_t>(bitCount) * width + 31) / 32) * 4);
}

// The header of a picture as the system holds it: 24 bits per pixel (blue,
// green, red), rows from the top, no colour table.
inline BitmapInfoHeader topDownPictureHeader(int32_t width, int32_t height) {
  BitmapInfoHeader header = {};
  header.size = kBitmapInfoHeaderBytes;
  header.width = width;
  header.height = -height;
  header.planes = 1;
  header.bitCount = 24;
  header.sizeImage = bitmapRowBytes(24, static_cast<uint32_t>(width)) * static_cast<uint32_t>(height);
  return header;
}

}  // namespace imaging
