// zelview_driver: the viewer program, unchanged, over ZELB1's pipe-bind
// test build under Wine. Its only difference from zelview is the
// device-path seam installed before the viewer starts (pipe_bind_seam.h).
// Test only, never shipped.
#include <windows.h>

#include "tests/wine/driver_e2e/pipe_bind_seam.h"
#include "viewer/main_window.h"
#include "viewer/window_ops_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  plat::installDevicePathSeam(pipeBindSeam());
  viewer::installWindowOps(viewer::win32WindowOps());
  viewer::installPrinterOps(viewer::win32PrinterOps());
  return viewer::runViewer();
}
