#include "viewer/skinned_button.h"

#include "viewer/viewer_resources.h"

namespace viewer {

const ButtonBitmaps* findButtonBitmaps(const ButtonBitmaps* table, size_t count, int id) {
  for (size_t n = 0; n < count; ++n)
    if (table[n].id == id) return &table[n];
  return nullptr;
}

int chooseButtonBitmap(const DrawRequest& request, int normalBitmap, int pressedBitmap) {
  int bitmap = 0;
  if (request.action & (kDrawEntire | kDrawSelect)) bitmap = normalBitmap;
  if (request.pressed) bitmap = pressedBitmap;
  return bitmap;
}

int captureButtonBitmap(const DrawRequest& request, bool frozen) {
  int state = frozen ? IDB_CAPTURE_FROZEN : IDB_CAPTURE_LIVE;
  return chooseButtonBitmap(request, state, state);
}

void drawSkinnedButton(WindowHandle panel, const DrawRequest& request, int bitmapId) {
  windowOps().drawKeyedBitmap(panel, request.button, bitmapId);
}

void drawIndicator(WindowHandle panel, const WindowRect& rect, int bitmapId) {
  windowOps().drawOpaqueBitmap(panel, rect, bitmapId);
}

}  // namespace viewer
