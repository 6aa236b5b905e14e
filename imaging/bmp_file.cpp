// BMP files: writing a held picture or a packed bitmap, reading the headers.
#include "imaging/bmp_file.h"

#include <cstring>
#include <vector>

namespace imaging {

namespace {

// 72 dpi, as pixels per metre.
const int32_t kPelsPerMeter = 2835;

// Fills the 14-byte file header for a packed bitmap described by `header`
// ("BM", file size, bits offset); returns the file size it names.
uint64_t fileHeaderFor(const BitmapInfoHeader& header, uint8_t out[kBitmapFileHeaderBytes]) {
  const uint64_t width = header.width < 0 ? 0 : static_cast<uint64_t>(header.width);
  const uint64_t height = header.height < 0 ? 0 : static_cast<uint64_t>(header.height);
  const uint64_t words = (header.bitCount * width + 31) / 32 * height + header.colorsUsed;
  const uint64_t fileBytes = words * 4 + kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes;
  const uint32_t fileSize = static_cast<uint32_t>(fileBytes);
  const uint32_t bitsOffset = header.colorsUsed * 4 + kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes;
  std::memset(out, 0, kBitmapFileHeaderBytes);
  out[0] = 'B';
  out[1] = 'M';
  std::memcpy(out + 2, &fileSize, 4);
  std::memcpy(out + 10, &bitsOffset, 4);
  return fileBytes;
}

bool readExactly(std::FILE* file, void* buffer, size_t bytes) { return std::fread(buffer, 1, bytes, file) == bytes; }

uint32_t defaultColours(uint16_t bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// Fills sizeImage and colorsUsed when the file leaves them 0; false when
// the image size or the colour count is beyond what any usable file has.
bool completeHeader(BitmapInfoHeader* header) {
  if (header->sizeImage == 0) {
    const uint64_t height = header->height < 0 ? -static_cast<int64_t>(header->height) : header->height;
    const uint64_t width = header->width < 0 ? 0 : static_cast<uint64_t>(header->width);
    const uint64_t bytes = ((header->bitCount * width + 31) / 32) * 4 * height;
    if (bytes > kMaxBmpImageBytes) return false;
    header->sizeImage = static_cast<uint32_t>(bytes);
  }
  if (header->colorsUsed == 0) header->colorsUsed = defaultColours(header->bitCount);
  return header->colorsUsed <= kMaxBmpColours;
}

// A 12-byte core header (16-bit width, height, planes, bit count) as a
// 40-byte one.
BitmapInfoHeader widenCoreHeader(const uint8_t core[12]) {
  uint16_t width, height, planes, bitCount;
  std::memcpy(&width, core + 4, 2);
  std::memcpy(&height, core + 6, 2);
  std::memcpy(&planes, core + 8, 2);
  std::memcpy(&bitCount, core + 10, 2);
  BitmapInfoHeader header = {};
  header.size = kBitmapInfoHeaderBytes;
  header.width = width;
  header.height = height;
  header.planes = planes;
  header.bitCount = bitCount;
  return header;
}

}  // namespace

void pictureBmpHeaders(int32_t width, int32_t height, uint8_t out[kPictureBmpHeadersBytes]) {
  BitmapInfoHeader header = topDownPictureHeader(width, height);
  header.height = height;  // the file holds its rows bottom-up
  header.xPelsPerMeter = kPelsPerMeter;
  header.yPelsPerMeter = kPelsPerMeter;
  fileHeaderFor(header, out);
  std::memcpy(out + kBitmapFileHeaderBytes, &header, sizeof header);
}

bool writePictureBmp(const char* path, const uint8_t* topDownBgr, int32_t width, int32_t height) {
  uint8_t headers[kPictureBmpHeadersBytes];
  pictureBmpHeaders(width, height, headers);
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(headers, 1, sizeof headers, file) == sizeof headers;
  const uint32_t rowBytes = bitmapRowBytes(24, static_cast<uint32_t>(width));
  const size_t pixelBytes = static_cast<size_t>(width) * 3;
  std::vector<uint8_t> row(rowBytes, 0);
  for (int32_t y = height - 1; y >= 0 && ok; --y) {
    std::memcpy(row.data(), topDownBgr + static_cast<size_t>(y) * pixelBytes, pixelBytes);
    ok = std::fwrite(row.data(), 1, rowBytes, file) == rowBytes;
  }
  return std::fclose(file) == 0 && ok;
}

bool writePackedBmp(const char* path, const uint8_t* packed, uint32_t packedBytes) {
  if (!path || !packed || packedBytes < kBitmapInfoHeaderBytes) return false;
  BitmapInfoHeader header;
  std::memcpy(&header, packed, sizeof header);
  uint8_t fileHeader[kBitmapFileHeaderBytes];
  uint64_t rest = fileHeaderFor(header, fileHeader) - kBitmapFileHeaderBytes;
  if (rest > packedBytes) rest = packedBytes;
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(fileHeader, 1, sizeof fileHeader, file) == sizeof fileHeader &&
            std::fwrite(packed, 1, static_cast<size_t>(rest), file) == rest;
  return std::fclose(file) == 0 && ok;
}

bool readBmpHeaders(std::FILE* file, BmpHeaders* out) {
  const long start = std::ftell(file);
  if (start < 0) return false;
  uint8_t fileHeader[kBitmapFileHeaderBytes];
  uint32_t bitsOffset = 0;
  if (readExactly(file, fileHeader, sizeof fileHeader) && fileHeader[0] == 'B' && fileHeader[1] == 'M') {
    std::memcpy(&bitsOffset, fileHeader + 10, 4);
  } else if (std::fseek(file, start, SEEK_SET) != 0) {
    return false;
  }

  const long headerStart = std::ftell(file);
  BitmapInfoHeader& header = out->header;
  std::memset(&header, 0, sizeof header);
  const size_t got = std::fread(&header, 1, sizeof header, file);
  const bool coreHeader = header.size == 12 && got >= 12;
  if (coreHeader) {
    uint8_t core[12];
    std::memcpy(core, &header, sizeof core);
    header = widenCoreHeader(core);
    // The colour table follows the 12 bytes of the core header.
    if (headerStart < 0 || std::fseek(file, headerStart + 12, SEEK_SET) != 0) return false;
  } else if (header.size != kBitmapInfoHeaderBytes || got != sizeof header) {
    return false;
  }
  if (!completeHeader(&header)) return false;

  std::memset(out->colourTable, 0, sizeof out->colourTable);
  for (uint32_t i = 0; i < header.colorsUsed; ++i) {
    if (!readExactly(file, out->colourTable + 4 * i, coreHeader ? 3 : 4)) return false;
  }
  if (bitsOffset != 0 && std::fseek(file, start + static_cast<long>(bitsOffset), SEEK_SET) != 0) return false;
  return true;
}

}  // namespace imaging
