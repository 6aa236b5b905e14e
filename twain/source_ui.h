// The window operations the source window's logic is written against:
// dialogs from the library's templates, placing and showing windows,
// messages, metrics, the keyed button drawing and the preview's painting.
// source_ui_win32.cpp drives Win32 with the library's own resources; the
// tests install a recording stand-in, so that the window's handler and the
// preview thread run natively.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "imaging/bitmap_header.h"

namespace twain {

using plat::WindowHandle;

// Window messages the handler receives (the platform's numbers), and the
// window's own.
enum : uint32_t {
  kMsgDestroy = 0x0002,
  kMsgDrawItem = 0x002B,
  kMsgInitDialog = 0x0110,
  kMsgCommand = 0x0111,
  kMsgReturnToHalf = 0x0400 + 10,    // ReturnToHalf (1034)
  kMsgThreadStopped = 0x0400 + 14,   // ThreadStopped (1038)
  // From the preview thread: enable (wParam 1) or disable (0) Full and
  // Half. The thread never changes the window itself: that would wait for
  // the window's thread, which may be waiting for the thread to stop.
  kMsgCaptureButtons = 0x0400 + 20,
};

// Notification code of a button click in a kMsgCommand's wParam (high word).
enum : uint32_t { kButtonClicked = 0 };

// Metrics (platform numbering).
enum : int {
  kMetricScreenWidth = 0,
  kMetricScreenHeight = 1,
  kMetricCaptionHeight = 4,
  kMetricFullScreenWidth = 16,
  kMetricFullScreenHeight = 17,
};

// A draw request for an owner-drawn button; kMsgDrawItem carries a pointer
// to one in lParam. Action bits are the platform's.
enum : uint32_t { kDrawEntire = 1, kDrawSelect = 2, kDrawFocus = 4 };
struct DrawRequest {
  int controlId;
  uint32_t action;
  bool pressed;
  bool disabled;
  WindowHandle button;
};

struct WindowRect {
  int32_t left, top, right, bottom;
};

typedef intptr_t (*MessageHandler)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct SourceUi {
  // Modeless dialog from the library's templates; the handler receives
  // kMsgInitDialog before this returns. Null when none results.
  WindowHandle (*createDialog)(int templateId, WindowHandle owner, MessageHandler handler);
  void (*destroyWindow)(WindowHandle window);
  void (*moveWindow)(WindowHandle window, int x, int y, int width, int height);
  void (*showWindow)(WindowHandle window, bool visible);
  void (*updateWindow)(WindowHandle window);
  void (*invalidate)(WindowHandle window, bool erase);
  bool (*postMessage)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  int (*systemMetric)(int index);
  WindowHandle (*dialogItem)(WindowHandle dialog, int controlId);
  void (*setWindowText)(WindowHandle window, const char* text);
  void (*enableWindow)(WindowHandle window, bool enabled);
  void (*setWindowIcon)(WindowHandle window, int iconId);
  // True when the dialog manager takes the platform's message for the window.
  bool (*isDialogMessage)(WindowHandle window, void* message);
  // Draws a bitmap over a button with pixels of the key colour (0xRRGGBB)
  // left showing the window behind; false when the bitmap is missing.
  bool (*drawKeyedBitmap)(WindowHandle window, WindowHandle button, int bitmapId, uint32_t keyColour);
  // From the preview thread: the top-down 24-bit picture stretched onto a
  // rectangle of the window (halftone or plain stretching), and a line of
  // text on a transparent background.
  void (*paintPicture)(WindowHandle window, const WindowRect& target, const imaging::BitmapInfoHeader& header,
                       const uint8_t* pixels, bool halftone);
  void (*drawText)(WindowHandle window, int x, int y, uint32_t colour, const char* text);
};

void installSourceUi(const SourceUi* ui);
const SourceUi& sourceUi();
bool sourceUiInstalled();

}  // namespace twain
