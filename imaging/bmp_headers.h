// The two headers that open a 24-bit BMP file: the 14-byte file header and
// the 40-byte information header, little-endian, rows bottom row first.
#pragma once

#include <cstdint>

namespace imaging {

enum : uint32_t { kBmpFileHeaderBytes = 14, kBmpInfoHeaderBytes = 40, kBmpHeadersBytes = 54 };

// Fills `out` (kBmpHeadersBytes) for a width x height 24-bit picture whose
// rows follow, bottom row first, each padded to whole 4-byte words.
void writeBmpHeaders(uint8_t* out, int32_t width, int32_t height);

}  // namespace imaging
