// The window operations the viewer's logic is written against: dialogs from
// templates, destroy, move, show, invalidate, messages, screen metrics,
// mouse capture and the few drawing calls. One implementation drives Win32
// (window_ops_win32.cpp); the tests install a recording stand-in. Message
// handlers are the same code under both.
#pragma once

#include <cstdint>

#include "imaging/bitmap_header.h"
#include "platform/platform.h"

namespace viewer {

using plat::WindowHandle;

typedef intptr_t (*MessageHandler)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Window messages the handlers receive. Numbers are the platform's own, so
// the Win32 dialog procedure forwards them unchanged.
enum : uint32_t {
  kMsgDestroy = 0x0002,
  kMsgClose = 0x0010,
  kMsgDrawItem = 0x002B,
  kMsgInitDialog = 0x0110,
  kMsgCommand = 0x0111,
  kMsgDeviceChange = 0x0219,  // 537
  kMsgMouseMove = 0x0200,
  kMsgLeftButtonDown = 0x0201,
  kMsgLeftButtonUp = 0x0202,
  kMsgCaptureChanged = 0x0215,
  // Sent to controls.
  kMsgSetText = 0x000C,
  kMsgGetText = 0x000D,  // wParam: buffer size, lParam: the buffer
  kMsgButtonGetCheck = 0x00F0,
  kMsgButtonSetCheck = 0x00F1,
  kMsgProgressSetRange = 0x0401,  // lParam: low word minimum, high word maximum
  kMsgProgressSetPos = 0x0402,
  kMsgProgressSetStep = 0x0404,
  kMsgProgressStepIt = 0x0405,
};

// The platform's save-file dialog, extended below its standard controls by
// a template of the program's and a hook procedure for it. The hook
// receives kMsgInitDialog with lParam pointing to a FileDialogOpening, then
// the commands of the template's controls.
enum : uint32_t {
  kFileDialogOverwritePrompt = 0x00000002,
  kFileDialogPathMustExist = 0x00000800,
  kFileDialogExplorer = 0x00080000,
};
struct FileDialogOpening {
  WindowHandle owner;    // the dialog's owner window
  intptr_t customData;   // as in the request
};
struct SaveFileRequest {
  WindowHandle owner;
  const char* filters;   // pairs "text\0pattern\0", the list ending in an empty text
  uint32_t filterIndex;  // the filter selected at first, 1 for the first
  const char* defaultExtension;
  const char* initialFolder;
  uint32_t flags;        // kFileDialog... values
  const char* templateName;
  MessageHandler hook;
  intptr_t customData;
  char* path;            // the chosen path, zero-terminated
  uint32_t pathSize;
  char* title;           // the chosen file name without its folder
  uint32_t titleSize;
};

// Notices in the high word of kMsgCommand's wParam.
enum : uint32_t {
  kNoticeClicked = 0x0000,
  kNoticeSetFocus = 0x0100,  // an edit gained the focus
  kNoticeKillFocus = 0x0200,
  kNoticeChange = 0x0300,    // an edit's text changed (also when the program set it)
};

// The command id of the Escape key in a dialog.
enum : int { kIdCancelCommand = 2 };

// The client-area point of a mouse message (signed: under the mouse
// capture the pointer may be left of or above the window).
inline int32_t mouseX(intptr_t lParam) { return static_cast<int16_t>(lParam & 0xFFFF); }
inline int32_t mouseY(intptr_t lParam) { return static_cast<int16_t>((lParam >> 16) & 0xFFFF); }

// Device-change event codes the main window looks at.
enum : uintptr_t { kDeviceNodesChanged = 7, kDeviceRemoveComplete = 0x8004 };

// Metrics (platform numbering).
enum : int { kMetricCaptionHeight = 4, kMetricFullScreenWidth = 16, kMetricFullScreenHeight = 17 };

// How a window is shown.
enum class ShowMode { Hide, Normal, Maximized };

struct WindowRect {
  int32_t left, top, right, bottom;
};

// A draw request for an owner-drawn (skinned) button. kMsgDrawItem carries a
// pointer to one in lParam. Action bits are the platform's.
enum : uint32_t { kDrawEntire = 1, kDrawSelect = 2, kDrawFocus = 4 };
struct DrawRequest {
  int controlId;
  uint32_t action;        // kDrawEntire | kDrawSelect | kDrawFocus
  bool pressed;           // the button is in its pressed (selected) state
  WindowHandle button;    // the button's own window
};

typedef void* DrawingSurface;

struct WindowOps {
  // Modeless dialog; the handler receives kMsgInitDialog before this returns.
  // Null on failure.
  WindowHandle (*createDialog)(int templateId, WindowHandle owner, MessageHandler handler);
  // Modal dialog; returns the result given to endDialog.
  intptr_t (*runModalDialog)(int templateId, WindowHandle owner, MessageHandler handler);
  void (*endDialog)(WindowHandle dialog, intptr_t result);
  void (*destroyWindow)(WindowHandle window);
  void (*moveWindow)(WindowHandle window, int x, int y, int width, int height, bool repaint);
  void (*showWindow)(WindowHandle window, ShowMode mode);
  void (*updateWindow)(WindowHandle window);
  void (*invalidate)(WindowHandle window, bool erase);
  bool (*postMessage)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  intptr_t (*sendMessage)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  int (*systemMetric)(int index);
  WindowRect (*windowRect)(WindowHandle window);  // outer rectangle, screen coordinates
  WindowHandle (*dialogItem)(WindowHandle dialog, int controlId);
  WindowRect (*clientRect)(WindowHandle window);  // client area: left and top 0
  void (*enableWindow)(WindowHandle window, bool enabled);
  void (*setWindowIcon)(WindowHandle window, int iconId);
  void (*setMouseCapture)(WindowHandle window);
  bool (*releaseMouseCapture)();  // false when the platform did not let go
  // Drawing into a window from any thread: get its surface, stretch a
  // top-down 24-bit picture onto a rectangle, give the surface back.
  DrawingSurface (*getSurface)(WindowHandle window);
  void (*stretchPicture)(DrawingSurface surface, const WindowRect& target, const imaging::BitmapInfoHeader& info,
                         const uint8_t* pixels);
  void (*releaseSurface)(WindowHandle window, DrawingSurface surface);
  // Skinned drawing (see skinned_button.h): false when the bitmap is missing.
  bool (*drawKeyedBitmap)(WindowHandle panel, WindowHandle button, int bitmapId);
  bool (*drawOpaqueBitmap)(WindowHandle panel, const WindowRect& rect, int bitmapId);
  // Runs the save-file dialog; true when the user confirmed a name.
  bool (*runSaveFileDialog)(const SaveFileRequest& request);
};

void installWindowOps(const WindowOps* ops);
const WindowOps& windowOps();

}  // namespace viewer
