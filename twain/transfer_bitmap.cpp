// Transfer bitmap: preparation from the template and the captured frame,
// hand-over, memory strips and the BMP file.
#include "twain/transfer_bitmap.h"

#include <cstring>

#include "devlink/frame_geometry.h"
#include "imaging/bmp_file.h"
#include "twain/capabilities.h"
#include "twain/global_memory.h"
#include "twain/pixel_order.h"
#include "twain/source_record.h"

namespace twain {

TW_HANDLE transferDib = nullptr;
StripCursor stripCursor = {0, nullptr, nullptr, 0, 0};

namespace {

// The pixels of a bitmap prepared with PixelFill::WhenNeeded, still to be
// written from the frame; frame is null when there are none.
struct PendingPixels {
  const uint8_t* frame;
  uint8_t* bits;
  uint32_t bitsBytes;
  int32_t width;
  int32_t height;
};

PendingPixels pending = {nullptr, nullptr, 0, 0, 0};

void clearCursor() {
  stripCursor = {0, nullptr, nullptr, 0, 0};
  pending = {nullptr, nullptr, 0, 0, 0};
}

// Frame row y is bitmap row height-1-y (row 0 the bottom one), blue, green,
// red unchanged. Row padding and whatever the template's image size adds
// past the rows are zero. Every byte is written: the block comes unfilled.
// The frame is read in its own order, which the processor fetches ahead
// best.
void writePixels(uint8_t* bits, uint32_t bitsBytes, const uint8_t* frame, int32_t width, int32_t height,
                 uint32_t bytesPerRow) {
  const size_t rowPixelBytes = static_cast<size_t>(width) * 3;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * bytesPerRow;
    std::memcpy(row, frame + static_cast<size_t>(y) * rowPixelBytes, rowPixelBytes);
    std::memset(row + rowPixelBytes, 0, bytesPerRow - rowPixelBytes);
  }
  const size_t rowsBytes = static_cast<size_t>(height) * bytesPerRow;
  std::memset(bits + rowsBytes, 0, bitsBytes - rowsBytes);
}

}  // namespace

bool transferSize(int32_t viewSize, bool largeModel, int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  if (viewSize != devlink::kFullSize && viewSize != devlink::kHalfSize) return false;
  const devlink::FrameGeometry frame = devlink::frameGeometry(devlink::modelBase(largeModel), viewSize);
  *width = frame.width;
  *height = frame.height;
  return true;
}

const char* templateName(TW_UINT16 pixelType, bool largeModel, int32_t viewSize) {
  if (pixelType == TWPT_GRAY) return "twaingray.bmp";
  if (pixelType != TWPT_RGB) return "twainbw.bmp";
  if (viewSize == 0) return largeModel ? "SXGA_FULL.bmp" : "XGA_FULL.bmp";
  if (viewSize == 1) return largeModel ? "SXGA_HALF.bmp" : "XGA_HALF.bmp";
  return nullptr;
}

TW_HANDLE readBitmapHeader(std::FILE* file) {
  imaging::BmpHeaders headers;
  if (!imaging::readBmpHeaders(file, &headers)) return nullptr;
  const uint32_t tableBytes = headers.header.colorsUsed * 4;
  TW_HANDLE block = gmem::alloc(imaging::kBitmapInfoHeaderBytes + tableBytes);
  if (!block) return nullptr;
  uint8_t* out = static_cast<uint8_t*>(gmem::lock(block));
  std::memcpy(out, &headers.header, sizeof headers.header);
  std::memcpy(out + imaging::kBitmapInfoHeaderBytes, headers.colourTable, tableBytes);
  gmem::unlock(block);
  return block;
}

bool prepareTransferDib(const uint8_t* frame, uint32_t frameBytes, int32_t viewSize, bool largeModel,
                        PixelFill fill) {
  const char* directory = libraryDirectory();
  clearCursor();
  releaseTransferDib();
  if (currentResolution() != 100.0) return false;
  const char* name = templateName(currentPixelType(), largeModel, viewSize);
  if (currentPixelType() != TWPT_RGB) return false;
  int32_t width, height;
  if (!name || !transferSize(viewSize, largeModel, &width, &height)) return false;
  // No frame of this size has been captured: there is nothing to deliver.
  uint32_t framePixelBytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 3;
  if (!frame || frameBytes < framePixelBytes) return false;

  char path[300];
  std::snprintf(path, sizeof path, "%s%s", directory, name);
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  TW_HANDLE block = readBitmapHeader(file);
  std::fclose(file);
  if (!block) return false;

  imaging::BitmapInfoHeader header;
  std::memcpy(&header, gmem::lock(block), sizeof header);
  gmem::unlock(block);
  uint32_t bytesPerRow = imaging::bitmapRowBytes(header.bitCount, static_cast<uint32_t>(width));
  // Only a template of exactly this size, 24 bits and no colour table
  // describes the rows copied below; any other is refused.
  bool matches = header.width == width && header.height == height && header.bitCount == 24 &&
                 header.compression == 0 && header.colorsUsed == 0 &&
                 static_cast<uint64_t>(header.sizeImage) >= static_cast<uint64_t>(bytesPerRow) * height &&
                 header.sizeImage <= imaging::kMaxBmpImageBytes;
  TW_HANDLE grown = matches ? gmem::resize(block, imaging::kBitmapInfoHeaderBytes + header.sizeImage) : nullptr;
  if (!grown) {
    gmem::release(block);
    return false;
  }
  uint8_t* bits = static_cast<uint8_t*>(gmem::lock(grown)) + imaging::kBitmapInfoHeaderBytes;
  transferDib = grown;
  // Without row padding (as at every transfer size) a bitmap row read for a
  // strip holds the same bytes as the frame row it was copied from: the
  // strips can be cut straight from the frame, with no copy in between.
  pending = {frame, bits, header.sizeImage, width, height};
  stripCursor = {bytesPerRow, frame, frame + static_cast<size_t>(height - 1) * bytesPerRow,
                 static_cast<std::ptrdiff_t>(bytesPerRow), 0};
  if (fill == PixelFill::Now || bytesPerRow != static_cast<uint32_t>(width) * 3) detachFromCaptureFrame();
  return true;
}

void detachFromCaptureFrame() {
  if (!pending.frame) return;
  const uint32_t bytesPerRow = stripCursor.bytesPerRow;
  writePixels(pending.bits, pending.bitsBytes, pending.frame, pending.width, pending.height, bytesPerRow);
  // The same row of the image, now in the bitmap, where the rows run from
  // the bottom. Once the last row has gone, the cursor stays on it.
  const uint32_t lastImageRow = static_cast<uint32_t>(pending.height) - 1;
  const uint32_t imageRow = stripCursor.rowsCopied < lastImageRow ? stripCursor.rowsCopied : lastImageRow;
  stripCursor.nextRow = pending.bits + static_cast<size_t>(lastImageRow - imageRow) * bytesPerRow;
  stripCursor.lastRow = pending.bits;
  stripCursor.rowStep = -static_cast<std::ptrdiff_t>(bytesPerRow);
  pending.frame = nullptr;
}

TW_HANDLE takeTransferDib() {
  TW_HANDLE dib = transferDib;
  if (!dib) return nullptr;
  if (currentResolution() != 100.0) return nullptr;
  detachFromCaptureFrame();
  gmem::unlock(dib);
  transferDib = nullptr;
  clearCursor();
  return dib;
}

void releaseTransferDib() {
  if (transferDib) {
    gmem::unlock(transferDib);
    gmem::release(transferDib);
    transferDib = nullptr;
  }
  clearCursor();
}

bool copyStrip(uint8_t* buffer, uint32_t length, uint32_t* bytesWritten, bool* lastRow) {
  *bytesWritten = 0;
  *lastRow = false;
  if (!transferDib || stripCursor.bytesPerRow == 0) return false;
  uint32_t rows = length / stripCursor.bytesPerRow;
  bool reverse = currentPixelType() == TWPT_RGB;
  uint32_t pixels = stripCursor.bytesPerRow / 3;
  for (uint32_t r = 0; r < rows; ++r) {
    uint8_t* out = buffer + static_cast<size_t>(r) * stripCursor.bytesPerRow;
    const uint8_t* in = stripCursor.nextRow;
    if (reverse) {
      reversePixels(out, in, pixels);
    } else {
      std::memcpy(out, in, stripCursor.bytesPerRow);
    }
    *bytesWritten += stripCursor.bytesPerRow;
    ++stripCursor.rowsCopied;
    if (stripCursor.nextRow == stripCursor.lastRow) {
      *lastRow = true;
      break;
    }
    stripCursor.nextRow += stripCursor.rowStep;
  }
  return true;
}

void writeBitmapFile(TW_HANDLE dib, const char* fileName) {
  uint32_t blockBytes = gmem::size(dib);
  if (blockBytes < imaging::kBitmapInfoHeaderBytes || !fileName) return;
  const uint8_t* packed = static_cast<const uint8_t*>(gmem::lock(dib));
  if (!packed) return;
  imaging::writePackedBmp(fileName, packed, blockBytes);
  gmem::unlock(dib);
}

}  // namespace twain
