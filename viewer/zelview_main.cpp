// zelview: the viewer program over the real camera driver.
#include <windows.h>

#include "viewer/main_window.h"
#include "viewer/window_ops_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  viewer::installWindowOps(viewer::win32WindowOps());
  viewer::installPrinterOps(viewer::win32PrinterOps());
  return viewer::runViewer();
}
