// Test helper: a device the imaging layer can paint on, and its pixels read
// back: a Canvas natively, a memory device context with a device-independent
// bitmap in the Windows build.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/imaging_layer.h"

struct PaintTarget;

// A width x height device, all white.
PaintTarget* createPaintTarget(int32_t width, int32_t height);
void destroyPaintTarget(PaintTarget* target);
imaging::DeviceContext paintTargetDevice(PaintTarget* target);
void clearPaintTarget(PaintTarget* target);  // all white again
// The device's pixels: top row first, 3 bytes a pixel (blue, green, red).
std::vector<uint8_t> paintTargetPixels(PaintTarget* target);

// The smallest rectangle holding every pixel that is not white (all of
// left, top, right, bottom -1 when there is none), right and bottom
// exclusive.
struct PaintedBox {
  int32_t left, top, right, bottom;
};
PaintedBox paintedBox(const std::vector<uint8_t>& pixels, int32_t width, int32_t height);
