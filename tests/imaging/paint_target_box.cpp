#include "tests/imaging/paint_target.h"

#include <cstddef>

PaintedBox paintedBox(const std::vector<uint8_t>& pixels, int32_t width, int32_t height) {
  PaintedBox box{-1, -1, -1, -1};
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
      if (p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF) continue;
      if (box.left < 0 || x < box.left) box.left = x;
      if (box.top < 0) box.top = y;
      if (x + 1 > box.right) box.right = x + 1;
      box.bottom = y + 1;
    }
  }
  return box;
}
