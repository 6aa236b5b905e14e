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

}  // namespace plat
