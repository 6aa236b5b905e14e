#include "imaging/bmp_headers.h"

#include "imaging/bitmap_header.h"

namespace imaging {

namespace {
uint8_t* put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
  return at + 2;
}
uint8_t* put32(uint8_t* at, uint32_t value) { return put16(put16(at, value & 0xFFFF), value >> 16); }
}  // namespace

void writeBmpHeaders(uint8_t* out, int32_t width, int32_t height) {
  const uint32_t imageBytes = rowStride(width, 24) * static_cast<uint32_t>(height);
  uint8_t* at = put16(out, 0x4D42);  // "BM"
  at = put32(at, kBmpHeadersBytes + imageBytes);
  at = put32(at, 0);
  at = put32(at, kBmpHeadersBytes);
  at = put32(at, kBmpInfoHeaderBytes);
  at = put32(at, static_cast<uint32_t>(width));
  at = put32(at, static_cast<uint32_t>(height));
  at = put16(at, 1);
  at = put16(at, 24);
  at = put32(at, 0);
  at = put32(at, imageBytes);
  at = put32(at, 0);
  at = put32(at, 0);
  at = put32(at, 0);
  put32(at, 0);
}

}  // namespace imaging
