// Painting a bitmap in the native builds: onto a Canvas in memory, each
// device pixel taking the bitmap pixel under its centre.
#include <cstring>

#include "imaging/failure_requests.h"
#include "imaging/imaging_layer.h"

namespace imaging {

DeviceContext paintBitmap(DeviceContext dc, const LibraryBitmap* bitmap, int32_t x, int32_t y, int32_t width,
                          int32_t height, int32_t flags) {
  if (failureRequested(Step::Paint) || !dc || !bitmap || !bitmap->rows || width <= 0 || height <= 0 || flags != 0)
    return nullptr;
  Canvas* canvas = static_cast<Canvas*>(dc);
  const int64_t left = x > 0 ? x : 0, top = y > 0 ? y : 0;
  const int64_t right = static_cast<int64_t>(x) + width < canvas->width ? static_cast<int64_t>(x) + width : canvas->width;
  const int64_t bottom =
      static_cast<int64_t>(y) + height < canvas->height ? static_cast<int64_t>(y) + height : canvas->height;
  for (int64_t dy = top; dy < bottom; ++dy) {
    // The record keeps its bottom row first.
    const int64_t pictureRow = (2 * (dy - y) + 1) * bitmap->height / (2 * static_cast<int64_t>(height));
    const uint8_t* from = bitmap->rows + static_cast<size_t>(bitmap->height - 1 - pictureRow) * bitmap->stride;
    uint8_t* to = canvas->pixels + static_cast<size_t>(dy) * 3 * static_cast<size_t>(canvas->width);
    for (int64_t dx = left; dx < right; ++dx) {
      const int64_t column = (2 * (dx - x) + 1) * bitmap->width / (2 * static_cast<int64_t>(width));
      std::memcpy(to + 3 * dx, from + 3 * column, 3);
    }
  }
  return dc;
}

}  // namespace imaging
