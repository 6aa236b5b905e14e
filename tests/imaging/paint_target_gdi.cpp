// The paint target of the Windows build: a memory device context with a
// top-down 24-bit device-independent bitmap selected into it.
#include <windows.h>

#include <cstring>

#include "tests/imaging/paint_target.h"

struct PaintTarget {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
  uint8_t* bits;
  int32_t width, height;
  uint32_t stride;
};

PaintTarget* createPaintTarget(int32_t width, int32_t height) {
  PaintTarget* target = new PaintTarget{};
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  target->dc = CreateCompatibleDC(nullptr);
  target->bitmap = CreateDIBSection(target->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  target->previous = SelectObject(target->dc, target->bitmap);
  target->bits = static_cast<uint8_t*>(bits);
  target->width = width;
  target->height = height;
  target->stride = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
  clearPaintTarget(target);
  return target;
}

void destroyPaintTarget(PaintTarget* target) {
  SelectObject(target->dc, target->previous);
  DeleteObject(target->bitmap);
  DeleteDC(target->dc);
  delete target;
}

imaging::DeviceContext paintTargetDevice(PaintTarget* target) { return target->dc; }

void clearPaintTarget(PaintTarget* target) {
  GdiFlush();
  std::memset(target->bits, 0xFF, static_cast<size_t>(target->stride) * target->height);
}

std::vector<uint8_t> paintTargetPixels(PaintTarget* target) {
  GdiFlush();
  std::vector<uint8_t> pixels(static_cast<size_t>(target->width) * target->height * 3);
  for (int32_t row = 0; row < target->height; ++row)
    std::memcpy(&pixels[static_cast<size_t>(row) * target->width * 3], target->bits + static_cast<size_t>(row) * target->stride,
                static_cast<size_t>(target->width) * 3);
  return pixels;
}
