// Chunk-level conversion: places a chunk of the raw frame into the bitmap at
// the frame position the counters give, with or without the first-row drop.
#include "devlink/convert.h"

void convertChunk(const uint8_t* chunk, uint32_t chunkBytes, const ConvertTarget& target,
                  ConvertCounters* counters, bool dropFirstRow) {
  const uint32_t groupCount = chunkBytes / 4;
  uint32_t written = 0;
  const bool validSize = target.sizeIndex >= 0 && target.sizeIndex <= 2 && target.width > 0;
  if (validSize) {
    const uint64_t width = static_cast<uint64_t>(target.width);
    // Groups never straddle rows (widths are multiples of 4 pixels), so the
    // groups to skip form a run at the start (row 0) and a run at the end
    // (rows past the base height).
    uint32_t first = 0;
    uint32_t last = groupCount;
    if (dropFirstRow) {
      for (; first < groupCount; ++first) {
        const uint64_t row = (counters->pixelCount + 2ull * first) / width;
        if (row != 0) break;
      }
      while (last > first) {
        const uint64_t row = (counters->pixelCount + 2ull * (last - 1)) / width;
        if (row <= static_cast<uint64_t>(target.baseHeight)) break;
        --last;
      }
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
