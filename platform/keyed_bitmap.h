// Colour-keyed drawing of a button bitmap over a panel, shared by the
// viewer's panels and the data source's window (Win32 builds only).
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace plat {

// Draws bitmap resource `bitmapId` of `module` onto `button`, with the
// pixels of `keyColour` (0xRRGGBB) showing what lies behind the button: the
// panel's background picture where one lies under it, else the panel's own
// pixels. False when the bitmap does not exist (nothing is drawn).
bool drawKeyedBitmap(void* module, WindowHandle panel, WindowHandle button, int bitmapId, uint32_t keyColour);
// The panel's visible background picture (a static control showing a
// bitmap, the topmost where several lie there) under a point of its client
// area, as the bitmap's handle, with the picture's top-left in client
// coordinates; null where there is none.
void* backgroundPictureUnder(WindowHandle panel, int x, int y, int* originX, int* originY);

}  // namespace plat
