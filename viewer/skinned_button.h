// Skinned buttons: owner-drawn buttons painted from a normal and a pressed
// bitmap, with RGB(189, 190, 189) pixels left showing the panel behind.
// Every panel of the viewer draws its buttons through these.
#pragma once

#include <cstddef>

#include "viewer/window_ops.h"

namespace viewer {

// The key colour of button bitmaps.
enum : uint32_t { kKeyRed = 189, kKeyGreen = 190, kKeyBlue = 189 };

// A button's bitmaps in a panel's table.
struct ButtonBitmaps {
  int id, normal, pressed;
};
// The row of a table for a button, null when the button has none.
const ButtonBitmaps* findButtonBitmaps(const ButtonBitmaps* table, size_t count, int id);

// The bitmap a plain button shows for a draw request, 0 for "draw nothing":
// a full draw or a selection change takes the normal bitmap, a pressed
// button the pressed one, a bare focus change of a released button nothing.
int chooseButtonBitmap(const DrawRequest& request, int normalBitmap, int pressedBitmap);
// The Capture button shows the picture's state rather than the press.
int captureButtonBitmap(const DrawRequest& request, bool frozen);

// Draws a button bitmap colour-keyed over the panel; a missing bitmap
// leaves the button's area as it was.
void drawSkinnedButton(WindowHandle panel, const DrawRequest& request, int bitmapId);
// Draws a status bitmap opaque at the rectangle.
void drawIndicator(WindowHandle panel, const WindowRect& rect, int bitmapId);

}  // namespace viewer
