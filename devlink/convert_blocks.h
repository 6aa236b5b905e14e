// The row loop shared by the SIMD variants of the conversion. A variant
// converts a fixed number of groups per block; whole blocks go straight
// from the row to the bitmap, and the odd-width tail through a zero-padded
// block of its own, so that no variant reads or writes past the row. A
// block that also writes a few bytes past its output (kOverrunBytes) runs
// in place only while at least one more group follows it.
//
// Included only by the variant files: each instantiates it with its own
// (internal) block routine, under its own instruction set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace devlink {

typedef void (*ConvertBlockFn)(const uint8_t* groups, uint8_t* bgr);

template <size_t kBlockGroups, size_t kOverrunBytes, ConvertBlockFn convertBlock>
void convertRowInBlocks(const uint8_t* groups, uint8_t* bgr, size_t groupCount) {
  while (groupCount > kBlockGroups || (groupCount == kBlockGroups && kOverrunBytes == 0)) {
    convertBlock(groups, bgr);
    groups += 4 * kBlockGroups;
    bgr += 6 * kBlockGroups;
    groupCount -= kBlockGroups;
  }
  if (groupCount > 0) {
    uint8_t in[4 * kBlockGroups] = {};
    uint8_t out[6 * kBlockGroups + kOverrunBytes];
    std::memcpy(in, groups, 4 * groupCount);
    convertBlock(in, out);
    std::memcpy(bgr, out, 6 * groupCount);
  }
}

}  // namespace devlink
