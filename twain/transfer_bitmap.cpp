// Transfer bitmap: preparation from the template and the captured frame,
// hand-over, memory strips and the BMP file.
#include "twain/transfer_bitmap.h"

#include <cstring>

#include "twain/capabilities.h"
#include "twain/global_memory.h"
#include "twain/pixel_order.h"
#include "twain/source_record.h"

TW_HANDLE transferDib = nullptr;
StripCursor stripCursor = {0, nullptr, nullptr, 0};

namespace {

// A colour table larger than 256 entries belongs to no bitmap we can use.
const uint32_t kMaxColours = 256;
// Larger than any transfer bitmap (1280 x 1024 x 3 plus headers).
const uint64_t kMaxBitmapBytes = 64u * 1024u * 1024u;

uint32_t rowBytes(uint32_t bitCount, uint32_t width) {
  return static_cast<uint32_t>(((static_cast<uint64_t>(bitCount) * width + 31) / 32) * 4);
}

uint32_t defaultColours(uint16_t bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// Fills biSizeImage and biClrUsed when the file leaves them 0; false when
// the image size does not fit the bounds above.
bool completeHeader(BitmapInfoHeader* header) {
  if (header->biSizeImage == 0) {
    uint64_t height = header->biHeight < 0 ? -static_cast<int64_t>(header->biHeight) : header->biHeight;
    uint64_t width = header->biWidth < 0 ? 0 : static_cast<uint64_t>(header->biWidth);
    uint64_t bytes = ((header->biBitCount * width + 31) / 32) * 4 * height;
    if (bytes > kMaxBitmapBytes) return false;
    header->biSizeImage = static_cast<uint32_t>(bytes);
  }
  if (header->biClrUsed == 0) header->biClrUsed = defaultColours(header->biBitCount);
  return header->biClrUsed <= kMaxColours;
}

void clearCursor() { stripCursor = {0, nullptr, nullptr, 0}; }

bool readExactly(std::FILE* file, void* buffer, size_t bytes) { return std::fread(buffer, 1, bytes, file) == bytes; }

}  // namespace

bool transferSize(int32_t viewSize, bool largeModel, int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  if (viewSize != 0 && viewSize != 1) return false;
  int32_t divisor = viewSize == 0 ? 1 : 2;
  *width = (largeModel ? 1280 : 1024) / divisor;
  *height = (largeModel ? 1024 : 768) / divisor;
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
  long start = std::ftell(file);
  if (start < 0) return nullptr;
  uint8_t fileHeader[kBitmapFileHeaderBytes];
  uint32_t bitsOffset = 0;
  if (readExactly(file, fileHeader, sizeof fileHeader) && fileHeader[0] == 'B' && fileHeader[1] == 'M') {
    std::memcpy(&bitsOffset, fileHeader + 10, 4);
  } else if (std::fseek(file, start, SEEK_SET) != 0) {
    return nullptr;
  }

  long headerStart = std::ftell(file);
  BitmapInfoHeader header;
  std::memset(&header, 0, sizeof header);
  size_t got = std::fread(&header, 1, sizeof header, file);
  bool coreHeader = header.biSize == 12 && got >= 12;
  if (coreHeader) {
    uint8_t core[12];
    std::memcpy(core, &header, sizeof core);
    uint16_t width, height, planes, bitCount;
    std::memcpy(&width, core + 4, 2);
    std::memcpy(&height, core + 6, 2);
    std::memcpy(&planes, core + 8, 2);
    std::memcpy(&bitCount, core + 10, 2);
    std::memset(&header, 0, sizeof header);
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = planes;
    header.biBitCount = bitCount;
    // The colour table follows the 12 bytes of the core header.
    if (headerStart < 0 || std::fseek(file, headerStart + 12, SEEK_SET) != 0) return nullptr;
  } else if (header.biSize != 40 || got != sizeof header) {
    return nullptr;
  }
  if (!completeHeader(&header)) return nullptr;

  uint32_t colours = header.biClrUsed;
  TW_HANDLE block = gmem::alloc(kBitmapInfoHeaderBytes + colours * 4);
  if (!block) return nullptr;
  uint8_t* out = static_cast<uint8_t*>(gmem::lock(block));
  std::memcpy(out, &header, sizeof header);
  bool complete = true;
  for (uint32_t i = 0; i < colours && complete; ++i) {
    complete = readExactly(file, out + kBitmapInfoHeaderBytes + 4 * i, coreHeader ? 3 : 4);
  }
  gmem::unlock(block);
  if (complete && bitsOffset != 0) complete = std::fseek(file, start + static_cast<long>(bitsOffset), SEEK_SET) == 0;
  if (!complete) {
    gmem::release(block);
    return nullptr;
  }
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

  BitmapInfoHeader header;
  std::memcpy(&header, gmem::lock(block), sizeof header);
  gmem::unlock(block);
  uint32_t bytesPerRow = rowBytes(header.biBitCount, static_cast<uint32_t>(width));
  // Only a template of exactly this size, 24 bits and no colour table
  // describes the rows copied below; any other is refused.
  bool matches = header.biWidth == width && header.biHeight == height && header.biBitCount == 24 &&
                 header.biCompression == 0 && header.biClrUsed == 0 &&
                 static_cast<uint64_t>(header.biSizeImage) >= static_cast<uint64_t>(bytesPerRow) * height &&
                 header.biSizeImage <= kMaxBitmapBytes;
  TW_HANDLE grown = matches ? gmem::resize(block, kBitmapInfoHeaderBytes + header.biSizeImage) : nullptr;
  if (!grown) {
    gmem::release(block);
    return false;
  }
  uint8_t* bits = static_cast<uint8_t*>(gmem::lock(grown)) + kBitmapInfoHeaderBytes;
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
  if (blockBytes < kBitmapInfoHeaderBytes || !fileName) return;
  const uint8_t* packed = static_cast<const uint8_t*>(gmem::lock(dib));
  if (!packed) return;
  BitmapInfoHeader header;
  std::memcpy(&header, packed, sizeof header);
  uint64_t width = header.biWidth < 0 ? 0 : static_cast<uint64_t>(header.biWidth);
  uint64_t height = header.biHeight < 0 ? 0 : static_cast<uint64_t>(header.biHeight);
  uint64_t fileBytes = (((header.biBitCount * width + 31) / 32) * height + header.biClrUsed) * 4 + 54;
  uint32_t offBits = header.biClrUsed * 4 + 54;
  std::FILE* file = std::fopen(fileName, "wb");
  if (file) {
    uint8_t fileHeader[kBitmapFileHeaderBytes] = {'B', 'M'};
    uint32_t bfSize = static_cast<uint32_t>(fileBytes);
    std::memcpy(fileHeader + 2, &bfSize, 4);
    std::memcpy(fileHeader + 10, &offBits, 4);
    std::fwrite(fileHeader, 1, sizeof fileHeader, file);
    // Never more than the block holds.
    uint64_t rest = fileBytes - kBitmapFileHeaderBytes;
    if (rest > blockBytes) rest = blockBytes;
    std::fwrite(packed, 1, static_cast<size_t>(rest), file);
    std::fclose(file);
  }
  gmem::unlock(dib);
}
