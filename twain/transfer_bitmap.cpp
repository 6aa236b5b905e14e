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
StripCursor stripCursor = {0, nullptr, nullptr, 0};

namespace {

void clearCursor() { stripCursor = {0, nullptr, nullptr, 0}; }

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

bool prepareTransferDib(const uint8_t* frame, uint32_t frameBytes, int32_t viewSize, bool largeModel) {
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
  for (int32_t k = 0; k < height; ++k) {
    std::memcpy(bits + static_cast<size_t>(k) * bytesPerRow,
                frame + static_cast<size_t>(height - 1 - k) * width * 3, static_cast<size_t>(width) * 3);
  }
  transferDib = grown;
  stripCursor.bytesPerRow = bytesPerRow;
  stripCursor.firstRow = bits;
  stripCursor.nextRow = bits + static_cast<size_t>(height - 1) * bytesPerRow;
  stripCursor.rowsCopied = 0;
  return true;
}

TW_HANDLE takeTransferDib() {
  TW_HANDLE dib = transferDib;
  if (!dib) return nullptr;
  if (currentResolution() != 100.0) return nullptr;
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
    if (stripCursor.nextRow == stripCursor.firstRow) {
      *lastRow = true;
      break;
    }
    stripCursor.nextRow -= stripCursor.bytesPerRow;
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
