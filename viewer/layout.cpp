#include "viewer/layout.h"

#include <algorithm>

#include "viewer/live_view.h"
#include "viewer/viewer_resources.h"

FitArea fitAreaFor(int32_t cx, int32_t cy) {
  FitArea fit;
  // A screen wider than 1.3:1 (13 included) is limited by its height.
  if (cy > 0 && cx * 10 / cy >= 13) {
    fit.height = cy;
    fit.width = cy * 1024 / 768;
  } else {
    fit.width = cx;
    fit.height = cx * 768 / 1024;
  }
  return fit;
}

MainWindowPlacement mainWindowPlacementFor(int level, FitArea fit, int32_t captionHeight) {
  const int32_t w = zoomWidth(level);
  const int32_t h = zoomHeight(level);
  MainWindowPlacement p;
  p.width = w + 20;
  p.height = captionHeight + h + 20;
  if (w > 600) {
    p.x = 0;
    p.y = 0;
  } else if (fit.width <= 900) {
    p.x = w > 300 ? 60 : 100;
    p.y = w > 300 ? 40 : 65;
  } else {
    p.x = w > 300 ? 180 : 260;
    p.y = w > 300 ? 100 : 150;
  }
  p.maximized = false;
  if (fit.width <= 1024 && p.x == 0) {
    // Full size on a small screen: the window takes the whole screen.
    p.maximized = true;
    p.width = 1024;
    p.height = 768;
  }
  if (fit.width < w || fit.height < h) {
    p.viewRect = ViewRect{0, 0, w, h};
    p.placeholderX = p.x;
    p.placeholderY = p.y;
  } else {
    p.viewRect = ViewRect{5, 5, w + 5, h + 5};
    p.placeholderX = 5;
    p.placeholderY = 5;
  }
  return p;
}

SplashPosition splashPositionFor(int32_t cx, int32_t cy) {
  return SplashPosition{std::max((cx - kSplashWidth) / 2, 0), std::max((cy - kSplashHeight) / 2 - 50, 0)};
}

void computeFitArea() {
  const WindowOps& ui = windowOps();
  FitArea fit = fitAreaFor(ui.systemMetric(kMetricFullScreenWidth), ui.systemMetric(kMetricFullScreenHeight));
  viewerState.fitWidth = fit.width;
  viewerState.fitHeight = fit.height;
}

int layoutMainWindow(int level) {
  const WindowOps& ui = windowOps();
  ViewerState& vs = viewerState;
  WindowHandle main = vs.mainWindow;
  MainWindowPlacement p =
      mainWindowPlacementFor(level, FitArea{vs.fitWidth, vs.fitHeight}, ui.systemMetric(kMetricCaptionHeight));
  if (vs.fitWidth > 1024) {
    ui.moveWindow(main, p.x, p.y, p.width, p.height, true);
  } else {
    ui.showWindow(main, p.maximized ? ShowMode::Maximized : ShowMode::Normal);
    ui.moveWindow(main, p.x, p.y, p.width, p.height, true);
  }
  vs.viewRect = p.viewRect;
  publishLiveView();
  ui.moveWindow(ui.dialogItem(main, IDC_VIEW_PLACEHOLDER), p.placeholderX, p.placeholderY, zoomWidth(level),
                zoomHeight(level), true);
  return level;
}
