#include "viewer/layout.h"

#include <algorithm>

#include "viewer/live_view.h"
#include "viewer/viewer_resources.h"

namespace viewer {

FitArea fitAreaFor(int32_t cx, int32_t cy) {
  FitArea fit;
  // The picture's 4:3 area; a screen wider than 1.3:1 (13 included) is
  // limited by its height.
  const devlink::FrameBase fullPicture = devlink::kXgaBase;
  if (cy > 0 && cx * 10 / cy >= 13) {
    fit.height = cy;
    fit.width = cy * fullPicture.width / fullPicture.height;
  } else {
    fit.width = cx;
    fit.height = cx * fullPicture.height / fullPicture.width;
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
  const devlink::FrameBase fullPicture = devlink::kXgaBase;
  if (fit.width <= fullPicture.width && p.x == 0) {
    // Full size on a small screen: the window takes the whole screen.
    p.maximized = true;
    p.width = fullPicture.width;
    p.height = fullPicture.height;
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
  WindowHandle main = viewerState.mainWindow;
  MainWindowPlacement p = mainWindowPlacementFor(level, FitArea{viewerState.fitWidth, viewerState.fitHeight},
                                                 ui.systemMetric(kMetricCaptionHeight));
  if (viewerState.fitWidth > devlink::kXgaBase.width) {
    ui.moveWindow(main, p.x, p.y, p.width, p.height, true);
  } else {
    ui.showWindow(main, p.maximized ? ShowMode::Maximized : ShowMode::Normal);
    ui.moveWindow(main, p.x, p.y, p.width, p.height, true);
  }
  viewerState.viewRect = p.viewRect;
  publishLiveView();
  ui.moveWindow(ui.dialogItem(main, IDC_VIEW_PLACEHOLDER), p.placeholderX, p.placeholderY, zoomWidth(level),
                zoomHeight(level), true);
  return level;
}

}  // namespace viewer
