// Pixel order of the memory transfer's strips: the transfer bitmap holds
// blue, green, red; the strips carry red, green, blue. The scalar routine is
// the reference; the SSSE3 variant has the same signature and is chosen
// once from the processor's features.
#pragma once

#include <cstdint>

namespace twain {

// Copies `pixels` 3-byte pixels from `in` to `out` with the first and the
// third byte of each exchanged. The two areas do not overlap.
void reversePixelsScalar(uint8_t* out, const uint8_t* in, uint32_t pixels);
void reversePixelsSsse3(uint8_t* out, const uint8_t* in, uint32_t pixels);
bool cpuHasSsse3();
// The fastest variant this processor runs.
void reversePixels(uint8_t* out, const uint8_t* in, uint32_t pixels);

}  // namespace twain
