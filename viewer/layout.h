// Window geometry of the viewer: the 4:3 area that fits the screen, where the
// main window goes for each zoom level, and where the splash goes.
#pragma once

#include "viewer/viewer_state.h"

namespace viewer {

// Sets fitWidth/fitHeight from the work area (full-screen client size).
void computeFitArea();
// Places and sizes the main window for a zoom level, moves the placeholder
// and sets viewRect. Returns the level.
int layoutMainWindow(int level);

// The pure arithmetic behind the two, for a given work area and caption.
struct FitArea {
  int32_t width, height;
};
FitArea fitAreaFor(int32_t workWidth, int32_t workHeight);

struct MainWindowPlacement {
  int32_t x, y, width, height;  // what the window is moved to
  bool maximized;
  ViewRect viewRect;
  int32_t placeholderX, placeholderY;
};
MainWindowPlacement mainWindowPlacementFor(int level, FitArea fit, int32_t captionHeight);

struct SplashPosition {
  int32_t x, y;
};
SplashPosition splashPositionFor(int32_t workWidth, int32_t workHeight);
enum : int32_t { kSplashWidth = 350, kSplashHeight = 159 };

}  // namespace viewer
