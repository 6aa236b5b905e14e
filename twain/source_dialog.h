// The source window (dialog 1010): start-up (camera, frame pipeline,
// placement by camera model, preview thread), Full and Half, the hold
// buttons, EXIT, the preview thread's messages and shut-down. Written
// against the window operations of source_ui.h; installSourceDialog puts it
// behind the source-window seam that MSG_ENABLEDS and MSG_DISABLEDS use.
#pragma once

#include <cstdint>

#include "twain/source_ui.h"

namespace twain {

// The key colour of the window's button bitmaps: RGB(255, 0, 0).
enum : uint32_t { kSourceKeyColour = 0xFF0000 };

// Texts of the window.
extern const char kSmallModelTitle[];
extern const char kLargeModelTitle[];
extern const char kUsbCommText[];
extern const char kUsbCommCaption[];

// Where each control goes (client pixels), by id.
struct ControlPlace {
  int controlId;
  int x, y, width, height;
};
extern const ControlPlace kButtonPlaces[];
extern const int kButtonPlaceCount;

// The bitmap an owner-drawn button of the window shows for a draw request,
// 0 for "draw nothing".
int sourceButtonBitmap(const DrawRequest& request, bool largeModel);

// The handlers of the window and of its splash picture.
intptr_t sourceWindowHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t sourceSplashHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct SourceWindowSeam;
// This window as the source-window seam sees it (the installed SourceUi
// draws it); installSourceDialog puts it behind the seam.
const SourceWindowSeam* sourceDialogSeam();
void installSourceDialog();

}  // namespace twain
