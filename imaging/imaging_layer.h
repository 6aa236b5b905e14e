// The imaging layer: the program's own imaging library, with the few
// operations the viewer's save and print components ask of one. A bitmap
// record is allocated at a size, takes 24-bit pixels described by a 40-byte
// bitmap header, can be set to a size and turned over top to bottom, and is
// written to a BMP or JPEG file or painted onto a printer's device context.
//
// Results keep the conventions the callers rely on: allocateBitmap returns
// non-zero when the record holds an allocation; the other operations return
// 1 on success and 0 on failure. Everything runs on the calling thread;
// one record is used by one thread at a time.
//
// Order of use (save and print alike): allocateBitmap, takePixels,
// setBitmapSize, flipBitmap, then writeBitmapFile or paintBitmap, and
// freeBitmap when the record is no longer needed (also after a failure).
#pragma once

#include <cstdint>

#include "imaging/bitmap_header.h"

namespace imaging {

// A bitmap held by the layer: 24-bit blue-green-red pixels, rows stored
// bottom row first (as in a BMP file), each row `stride` bytes.
struct LibraryBitmap {
  int32_t width;
  int32_t height;
  uint32_t stride;
  uint8_t* rows;  // page allocation of stride x height bytes; null when none
};

// File formats and quality factors of writeBitmapFile.
enum : int32_t { kFormatBitmap = 6, kFormatJpeg = 23 };
enum : int32_t { kQualityBitmap = 0, kQualityJpegHigh = 2 };

// Allocates the record's pixels for a width x height bitmap of the given
// depth (24 only). Non-zero when allocated; 0 for another depth, a size of
// 0 or less, or no memory. A record that holds pixels is freed first.
int32_t allocateBitmap(LibraryBitmap* bitmap, int32_t width, int32_t height, int32_t bitsPerPixel);

// Releases the record's pixels; a record without any is left as it is.
void freeBitmap(LibraryBitmap* bitmap);

// Copies the pixels of a 24-bit uncompressed picture into the record, rows
// in the order the header declares them (positive height: the first row in
// memory is the bottom row). The header's width and height must be the
// record's. 1 on success.
int32_t takePixels(LibraryBitmap* bitmap, const BitmapInfoHeader& header, const uint8_t* pixels);

// Sets the bitmap to width x height, scaling the picture when the size
// differs (nearest pixel); the same size leaves it as it is. 1 on success.
int32_t setBitmapSize(LibraryBitmap* bitmap, int32_t width, int32_t height);

// Turns the picture over, top row to bottom. A top-down buffer handed over
// declared bottom row first is the right way up again after this. 1 on
// success.
int32_t flipBitmap(LibraryBitmap* bitmap);

// Writes the bitmap to `path` as a BMP file (kFormatBitmap, quality
// kQualityBitmap) or a JPEG file (kFormatJpeg, quality kQualityJpegHigh),
// 24 bits per pixel. The file is written in full under a temporary name in
// the same folder and only then moved over `path`: a failed write leaves
// neither a partial file nor a temporary one, and the file it would have
// replaced is unchanged. 1 on success.
int32_t writeBitmapFile(const char* path, const LibraryBitmap* bitmap, int32_t format, int32_t bitsPerPixel,
                        int32_t quality);

// A device to paint on: the printer's device context on Windows; in the
// native builds, which have no printers, a Canvas in memory.
typedef void* DeviceContext;
struct Canvas {
  int32_t width;
  int32_t height;
  uint8_t* pixels;  // 24-bit blue-green-red, top row first, 3 x width bytes a row
};

// Paints the whole bitmap scaled into the rectangle at x, y of width x
// height device pixels (parts outside the device are clipped), the same way
// up as the bitmap holds it. `flags` must be 0. Returns `dc` on success,
// null on failure.
DeviceContext paintBitmap(DeviceContext dc, const LibraryBitmap* bitmap, int32_t x, int32_t y, int32_t width,
                          int32_t height, int32_t flags);

// For tests: the steps of the layer, each of which can be made to fail on
// request. The request holds for the next call of that step only.
enum class Step { Allocate, TakePixels, SetSize, Flip, Write, Paint };
void failOnRequest(Step step);
void clearFailureRequests();

}  // namespace imaging
