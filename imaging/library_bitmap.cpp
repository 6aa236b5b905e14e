// The bitmap record of the imaging layer: allocation, taking the pixels,
// sizing and turning over; and the failure requests of the tests.
#include <cstring>

#include "imaging/failure_requests.h"
#include "imaging/imaging_layer.h"
#include "platform/platform.h"

namespace imaging {

namespace {

bool requested[static_cast<int>(Step::Paint) + 1];

uint8_t* rowAt(const LibraryBitmap* bitmap, int32_t row) {
  return bitmap->rows + static_cast<size_t>(row) * bitmap->stride;
}

}  // namespace

void failOnRequest(Step step) { requested[static_cast<int>(step)] = true; }

void clearFailureRequests() {
  for (bool& r : requested) r = false;
}

bool failureRequested(Step step) {
  const bool asked = requested[static_cast<int>(step)];
  requested[static_cast<int>(step)] = false;
  return asked;
}

int32_t allocateBitmap(LibraryBitmap* bitmap, int32_t width, int32_t height, int32_t bitsPerPixel) {
  if (!bitmap) return 0;
  freeBitmap(bitmap);
  if (failureRequested(Step::Allocate) || bitsPerPixel != 24 || width <= 0 || height <= 0 || width > 0x4000 ||
      height > 0x4000)
    return 0;
  const uint32_t stride = bitmapRowBytes(static_cast<uint32_t>(bitsPerPixel), static_cast<uint32_t>(width));
  uint8_t* rows = static_cast<uint8_t*>(plat::allocPages(static_cast<size_t>(stride) * static_cast<size_t>(height)));
  if (!rows) return 0;
  *bitmap = LibraryBitmap{width, height, stride, rows};
  return 1;
}

void freeBitmap(LibraryBitmap* bitmap) {
  if (!bitmap || !bitmap->rows) return;
  plat::freePages(bitmap->rows);
  *bitmap = LibraryBitmap{0, 0, 0, nullptr};
}

int32_t takePixels(LibraryBitmap* bitmap, const BitmapInfoHeader& header, const uint8_t* pixels) {
  if (failureRequested(Step::TakePixels) || !bitmap || !bitmap->rows || !pixels) return 0;
  const int32_t height = header.height < 0 ? -header.height : header.height;
  if (header.size != sizeof(BitmapInfoHeader) || header.bitCount != 24 || header.compression != 0 ||
      header.width != bitmap->width || height != bitmap->height)
    return 0;
  if (header.height > 0) {
    // Rows declared bottom row first: stored in the order given.
    std::memcpy(bitmap->rows, pixels, static_cast<size_t>(bitmap->stride) * height);
  } else {
    for (int32_t row = 0; row < height; ++row)
      std::memcpy(rowAt(bitmap, height - 1 - row), pixels + static_cast<size_t>(row) * bitmap->stride, bitmap->stride);
  }
  return 1;
}

int32_t setBitmapSize(LibraryBitmap* bitmap, int32_t width, int32_t height) {
  if (failureRequested(Step::SetSize) || !bitmap || !bitmap->rows) return 0;
  if (width == bitmap->width && height == bitmap->height) return 1;
  LibraryBitmap scaled{0, 0, 0, nullptr};
  if (!allocateBitmap(&scaled, width, height, 24)) return 0;
  // Each new pixel takes the old pixel under its centre.
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = rowAt(bitmap, static_cast<int32_t>((2 * static_cast<int64_t>(y) + 1) * bitmap->height / (2 * height)));
    uint8_t* to = rowAt(&scaled, y);
    for (int32_t x = 0; x < width; ++x)
      std::memcpy(to + 3 * x, from + 3 * ((2 * static_cast<int64_t>(x) + 1) * bitmap->width / (2 * width)), 3);
  }
  freeBitmap(bitmap);
  *bitmap = scaled;
  return 1;
}

int32_t flipBitmap(LibraryBitmap* bitmap) {
  if (failureRequested(Step::Flip) || !bitmap || !bitmap->rows) return 0;
  uint8_t swap[4096];
  for (int32_t top = 0, bottom = bitmap->height - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = rowAt(bitmap, top);
    uint8_t* b = rowAt(bitmap, bottom);
    for (uint32_t done = 0; done < bitmap->stride; done += sizeof swap) {
      const size_t n = bitmap->stride - done < sizeof swap ? bitmap->stride - done : sizeof swap;
      std::memcpy(swap, a + done, n);
      std::memcpy(a + done, b + done, n);
      std::memcpy(b + done, swap, n);
    }
  }
  return 1;
}

}  // namespace imaging
