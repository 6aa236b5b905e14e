// The transfer bitmap: a packed bottom-up 24-bit bitmap in one movable
// block, its header taken from a template file beside the library and its
// pixels from the captured frame; handed over whole (native), cut into
// strips (memory) or written as a BMP file (file transfer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "imaging/bitmap_header.h"
#include "twain/twain_types.h"

namespace twain {

// Where the next strip starts. The rows are read from the bitmap (bottom
// row first in memory) or, while its pixels are left for later, straight
// from the captured frame (top row first).
struct StripCursor {
  uint32_t bytesPerRow;
  const uint8_t* nextRow;  // starts at the image's top row
  const uint8_t* lastRow;  // the image's bottom row
  std::ptrdiff_t rowStep;  // from a row to the one below it in the image
  uint32_t rowsCopied;
};

// When prepareTransferDib writes the bitmap's pixels.
enum class PixelFill {
  Now,
  // The memory transfer: its strips are cut straight from the frame, and
  // the bitmap gets its pixels only if it is handed over or the frame is
  // about to be forgotten (detachFromCaptureFrame).
  WhenNeeded,
};

extern TW_HANDLE transferDib;
extern StripCursor stripCursor;

// Transfer size of a view size (0 full, 1 half) and camera model; false
// (and 0 x 0) for any other view size.
bool transferSize(int32_t viewSize, bool largeModel, int32_t* width, int32_t* height);
// Template file name for a pixel type, model and view size; null when no
// name is formed.
const char* templateName(TW_UINT16 pixelType, bool largeModel, int32_t viewSize);

// Builds transferDib from the frame (frameBytes long, rows from the top);
// true when a bitmap now exists. With PixelFill::WhenNeeded the frame must
// stay as it is until detachFromCaptureFrame or releaseTransferDib.
bool prepareTransferDib(const uint8_t* frame, uint32_t frameBytes, int32_t viewSize, bool largeModel,
                        PixelFill fill = PixelFill::Now);
// Writes the pixels of a bitmap prepared with PixelFill::WhenNeeded from the
// frame, and moves the strips over to the bitmap at the same row: afterwards
// nothing reads the frame. Nothing to do for any other bitmap.
void detachFromCaptureFrame();
// Hands the bitmap over (unlocked, its pixels written; the caller owns it);
// null when there is none or the current resolution is not 100.
TW_HANDLE takeTransferDib();
void releaseTransferDib();
// Copies whole rows, top of the image first, into buffer; false when no
// bitmap is held.
bool copyStrip(uint8_t* buffer, uint32_t length, uint32_t* bytesWritten, bool* lastRow);
// Writes a packed bitmap as a BMP file; a file that cannot be created is
// silently skipped.
void writeBitmapFile(TW_HANDLE dib, const char* fileName);
// Reads a BMP file's headers and colour table into a new block (header
// widened to 40 bytes, colour table in 4-byte entries) and leaves the file
// at the pixel bits; null when the file is no usable bitmap.
TW_HANDLE readBitmapHeader(std::FILE* file);

}  // namespace twain
