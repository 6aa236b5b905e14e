// Chunk-level conversion: places a chunk of the raw frame into the bitmap at
// the frame position the counters give, with or without the first-row drop.
#include "devlink/convert.h"

namespace devlink {

namespace {
// Groups g >= 0 of a chunk whose left pixel, start + 2g, lies before
// pixelLimit.
int64_t groupsBefore(int64_t pixelLimit, int64_t start) {
  return pixelLimit > start ? (pixelLimit - start + 1) / 2 : 0;
}

int64_t clampTo(int64_t v, int64_t low, int64_t high) { return v < low ? low : (v > high ? high : v); }
}  // namespace

void convertChunk(const uint8_t* chunk, uint32_t chunkBytes, const ConvertTarget& target,
                  ConvertCounters* counters, bool dropFirstRow) {
  const uint32_t groupCount = chunkBytes / 4;
  uint32_t written = 0;
  const bool validSize = target.sizeIndex >= 0 && target.sizeIndex <= 2 && target.width > 0;
  if (validSize) {
    // The groups written are [first, last). Rows only grow along a chunk, so
    // with the first-row drop the skipped groups form a run at the start
    // (left pixel in row 0) and a run at the end (left pixel in a row past
    // the base height).
    uint32_t first = 0;
    uint32_t last = groupCount;
    if (dropFirstRow) {
      const int64_t start = counters->pixelCount;
      const int64_t width = target.width;
      first = static_cast<uint32_t>(clampTo(groupsBefore(width, start), 0, groupCount));
      const int64_t pastBase = (static_cast<int64_t>(target.baseHeight) + 1) * width;
      last = static_cast<uint32_t>(clampTo(groupsBefore(pastBase, start), first, groupCount));
    }
    // Never write past the bitmap, whatever the counters say.
    uint32_t room = 0;
    if (counters->writeOffset < target.imageBytes) room = (target.imageBytes - counters->writeOffset) / 6;
    uint32_t count = last - first;
    if (count > room) count = room;
    if (count > 0) {
      bestConvertRow()(chunk + 4 * first, target.image + counters->writeOffset, count);
      written = count * 6;
    }
  }
  counters->writeOffset += written;
  counters->pixelCount += 2 * groupCount;
  counters->consumedOutput += static_cast<int32_t>(chunkBytes * 3 / 2);
}

}  // namespace devlink
