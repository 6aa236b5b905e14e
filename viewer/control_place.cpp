#include "viewer/control_place.h"

namespace viewer {

void placeControls(WindowHandle dialog, const ControlPlace* places, size_t count) {
  const WindowOps& ui = windowOps();
  for (size_t n = 0; n < count; ++n)
    ui.moveWindow(ui.dialogItem(dialog, places[n].id), places[n].x, places[n].y, places[n].width, places[n].height,
                  true);
}

}  // namespace viewer
