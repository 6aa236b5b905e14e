// Painting a bitmap onto a device context (a printer's) with the platform's
// stretching of device-independent bitmaps.
#include <windows.h>

#include "imaging/failure_requests.h"
#include "imaging/imaging_layer.h"

namespace imaging {

DeviceContext paintBitmap(DeviceContext dc, const LibraryBitmap* bitmap, int32_t x, int32_t y, int32_t width,
                          int32_t height, int32_t flags) {
  if (failureRequested(Step::Paint) || !dc || !bitmap || !bitmap->rows || width <= 0 || height <= 0 || flags != 0)
    return nullptr;
  HDC device = static_cast<HDC>(dc);
  // The record keeps its rows bottom row first: a positive height says so.
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = bitmap->width;
  header.biHeight = bitmap->height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = bitmap->stride * static_cast<DWORD>(bitmap->height);
  // Averaging the pixels a device pixel covers, as printers scale best.
  SetStretchBltMode(device, HALFTONE);
  SetBrushOrgEx(device, 0, 0, nullptr);
  const int lines = StretchDIBits(device, x, y, width, height, 0, 0, bitmap->width, bitmap->height, bitmap->rows,
                                  reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, SRCCOPY);
  return lines == 0 || lines == static_cast<int>(GDI_ERROR) ? nullptr : dc;
}

}  // namespace imaging
