// The paint target of the native builds: a Canvas in memory.
#include <cstring>

#include "tests/imaging/paint_target.h"

struct PaintTarget {
  imaging::Canvas canvas;
  std::vector<uint8_t> pixels;
};

PaintTarget* createPaintTarget(int32_t width, int32_t height) {
  PaintTarget* target = new PaintTarget;
  target->pixels.assign(static_cast<size_t>(width) * height * 3, 0xFF);
  target->canvas = imaging::Canvas{width, height, target->pixels.data()};
  return target;
}

void destroyPaintTarget(PaintTarget* target) { delete target; }
imaging::DeviceContext paintTargetDevice(PaintTarget* target) { return &target->canvas; }
void clearPaintTarget(PaintTarget* target) { std::memset(target->pixels.data(), 0xFF, target->pixels.size()); }
std::vector<uint8_t> paintTargetPixels(PaintTarget* target) { return target->pixels; }
