#include "tools/frames/bmp_file.h"

#include <cstdio>
#include <vector>

namespace {
void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
}  // namespace

bool writeBmpFile(const char* path, const uint8_t* topDownBgr, int width, int height) {
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
  std::vector<uint8_t> header;
  put16(header, 0x4D42);  // "BM"
  put32(header, 54 + imageBytes);
  put32(header, 0);
  put32(header, 54);
  put32(header, 40);
  put32(header, static_cast<uint32_t>(width));
  put32(header, static_cast<uint32_t>(height));
  put16(header, 1);
  put16(header, 24);
  put32(header, 0);
  put32(header, imageBytes);
  put32(header, 2835);
  put32(header, 2835);
  put32(header, 0);
  put32(header, 0);
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
  std::vector<uint8_t> row(rowBytes, 0);
  for (int y = height - 1; y >= 0 && ok; --y) {
    const uint8_t* source = topDownBgr + static_cast<size_t>(y) * width * 3;
    std::copy(source, source + width * 3, row.begin());
    ok = std::fwrite(row.data(), 1, rowBytes, file) == rowBytes;
  }
  return std::fclose(file) == 0 && ok;
}
