// BMP files: the 14-byte file header followed by a packed bitmap (the
// 40-byte information header, the colour table, the rows bottom-up, each
// padded to 4 bytes).
#pragma once

#include <cstdint>
#include <cstdio>

#include "imaging/bitmap_header.h"

namespace imaging {

// No BMP file this system reads or writes holds a larger picture (the
// largest is 1280 x 1024 x 3); larger sizes in a file are refused.
enum : uint32_t { kMaxBmpImageBytes = 64u * 1024u * 1024u, kMaxBmpColours = 256 };

// The bytes that open the BMP file of a width x height 24-bit picture: the
// file header and the information header (72 dpi); the rows follow bottom
// row first, each padded to whole 4-byte words.
enum : uint32_t { kPictureBmpHeadersBytes = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes };
void pictureBmpHeaders(int32_t width, int32_t height, uint8_t out[kPictureBmpHeadersBytes]);

// Writes a picture as the system holds it (24 bits, rows from the top,
// 3 bytes a pixel, no row padding) as a bottom-up BMP file at 72 dpi.
// False when the file cannot be written whole.
bool writePictureBmp(const char* path, const uint8_t* topDownBgr, int32_t width, int32_t height);

// Writes a packed bitmap as it is, behind the file header that its
// information header calls for (file size and bits offset from the width,
// height, bit count and colour count); never more than `packedBytes` bytes
// of it. False when the file cannot be created or `packedBytes` is too
// short for the information header.
bool writePackedBmp(const char* path, const uint8_t* packed, uint32_t packedBytes);

// The headers of a BMP file: the information header (a 12-byte core header
// widened to 40 bytes; sizeImage and colorsUsed filled in where the file
// leaves them 0) and its colour table in 4-byte entries.
struct BmpHeaders {
  BitmapInfoHeader header;
  uint8_t colourTable[4 * kMaxBmpColours];  // header.colorsUsed entries: blue, green, red, 0
};

// Reads the headers at the file's position (with or without the 14-byte
// file header) and leaves the file at the pixel bits when the file header
// says where they are. False when the file is no usable bitmap: another
// header size, an image larger than kMaxBmpImageBytes, more than 256
// colours, or a short colour table.
bool readBmpHeaders(std::FILE* file, BmpHeaders* out);

}  // namespace imaging
