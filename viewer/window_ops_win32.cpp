// The window operations over Win32: dialogs from the program's templates,
// one dialog procedure that forwards to the viewer's message handlers, and
// the drawing calls (stretched live picture, colour-keyed button bitmaps).
#include <windows.h>
#include <commctrl.h>

#include "platform/keyed_bitmap.h"
#include "viewer/skinned_button.h"
#include "viewer/window_ops_win32.h"

namespace viewer {

namespace {

HINSTANCE instance() { return GetModuleHandleA(nullptr); }
HWND hwndOf(WindowHandle window) { return static_cast<HWND>(window); }

// The handler travels in the creation parameter and then in the window's
// user data; every message is forwarded to it unchanged, except the draw
// request, which is translated into the platform-free DrawRequest.
INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageHandler handler = reinterpret_cast<MessageHandler>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_INITDIALOG) {
    handler = reinterpret_cast<MessageHandler>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handler));
  }
  if (!handler) return FALSE;
  if (message == WM_DRAWITEM) {
    const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlType != ODT_BUTTON) return FALSE;
    DrawRequest request{static_cast<int>(item->CtlID), item->itemAction, (item->itemState & ODS_SELECTED) != 0,
                        item->hwndItem};
    return handler(hwnd, message, wParam, reinterpret_cast<intptr_t>(&request)) ? TRUE : FALSE;
  }
  intptr_t result = handler(hwnd, message, wParam, message == WM_INITDIALOG ? 0 : lParam);
  if (message == WM_DEVICECHANGE) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  return result ? TRUE : FALSE;
}

WindowHandle createDialog(int templateId, WindowHandle owner, MessageHandler handler) {
  return CreateDialogParamA(instance(), MAKEINTRESOURCEA(templateId), hwndOf(owner), dialogProc,
                            reinterpret_cast<LPARAM>(handler));
}

intptr_t runModalDialog(int templateId, WindowHandle owner, MessageHandler handler) {
  return DialogBoxParamA(instance(), MAKEINTRESOURCEA(templateId), hwndOf(owner), dialogProc,
                         reinterpret_cast<LPARAM>(handler));
}

void endDialog(WindowHandle dialog, intptr_t result) { EndDialog(hwndOf(dialog), result); }
void destroyWindow(WindowHandle window) { DestroyWindow(hwndOf(window)); }

void moveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint) {
  MoveWindow(hwndOf(window), x, y, width, height, repaint ? TRUE : FALSE);
}

void showWindow(WindowHandle window, ShowMode mode) {
  int how = mode == ShowMode::Hide ? SW_HIDE : (mode == ShowMode::Maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  ShowWindow(hwndOf(window), how);
}

void updateWindow(WindowHandle window) { UpdateWindow(hwndOf(window)); }
void invalidate(WindowHandle window, bool erase) { InvalidateRect(hwndOf(window), nullptr, erase ? TRUE : FALSE); }

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(hwndOf(window), message, wParam, lParam) != FALSE;
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return SendMessageA(hwndOf(window), message, wParam, lParam);
}

int systemMetric(int index) { return GetSystemMetrics(index); }

WindowRect windowRect(WindowHandle window) {
  RECT r = {0, 0, 0, 0};
  GetWindowRect(hwndOf(window), &r);
  return WindowRect{r.left, r.top, r.right, r.bottom};
}

WindowHandle dialogItem(WindowHandle dialog, int controlId) { return GetDlgItem(hwndOf(dialog), controlId); }

WindowRect clientRect(WindowHandle window) {
  RECT r = {0, 0, 0, 0};
  GetClientRect(hwndOf(window), &r);
  return WindowRect{r.left, r.top, r.right, r.bottom};
}

void enableWindow(WindowHandle window, bool enabled) { EnableWindow(hwndOf(window), enabled ? TRUE : FALSE); }

void setWindowIcon(WindowHandle window, int iconId) {
  HICON big = static_cast<HICON>(LoadImageA(instance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  HICON small = static_cast<HICON>(LoadImageA(instance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageA(hwndOf(window), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageA(hwndOf(window), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void setMouseCapture(WindowHandle window) { SetCapture(hwndOf(window)); }
bool releaseMouseCapture() { return ReleaseCapture() != FALSE; }

DrawingSurface getSurface(WindowHandle window) { return GetDC(hwndOf(window)); }

void stretchPicture(DrawingSurface surface, const WindowRect& target, const imaging::BitmapInfoHeader& info,
                    const uint8_t* pixels) {
  if (!pixels) return;
  HDC dc = static_cast<HDC>(surface);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                info.width, -info.height, pixels, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                SRCCOPY);
}

void releaseSurface(WindowHandle window, DrawingSurface surface) {
  ReleaseDC(hwndOf(window), static_cast<HDC>(surface));
}

bool drawKeyedBitmap(WindowHandle panel, WindowHandle button, int bitmapId) {
  return plat::drawKeyedBitmap(instance(), panel, button, bitmapId, (kKeyRed << 16) | (kKeyGreen << 8) | kKeyBlue);
}

// Draws a status bitmap opaque at a rectangle of the panel: onto the screen
// now, and into the picture control that lies there (the panel's
// background, or a strip laid on it), so that the panel's next repaint
// shows it too instead of the bare background.
bool drawOpaqueBitmap(WindowHandle panelWindow, const WindowRect& rect, int bitmapId) {
  HBITMAP bitmap = LoadBitmapA(instance(), MAKEINTRESOURCEA(bitmapId));
  if (!bitmap) return false;
  HWND panel = hwndOf(panelWindow);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  HDC panelDc = GetDC(panel);
  HDC bitmapDc = CreateCompatibleDC(panelDc);
  HGDIOBJ old = SelectObject(bitmapDc, bitmap);
  int originX = 0, originY = 0;
  HBITMAP picture =
      static_cast<HBITMAP>(plat::backgroundPictureUnder(panel, rect.left, rect.top, &originX, &originY));
  if (picture) {
    HDC pictureDc = CreateCompatibleDC(panelDc);
    HGDIOBJ oldPicture = SelectObject(pictureDc, picture);
    BitBlt(pictureDc, rect.left - originX, rect.top - originY, w, h, bitmapDc, 0, 0, SRCCOPY);
    SelectObject(pictureDc, oldPicture);
    DeleteDC(pictureDc);
  }
  BitBlt(panelDc, rect.left, rect.top, w, h, bitmapDc, 0, 0, SRCCOPY);
  SelectObject(bitmapDc, old);
  DeleteDC(bitmapDc);
  ReleaseDC(panel, panelDc);
  DeleteObject(bitmap);
  return true;
}

const WindowOps kWin32Ops = {createDialog,  runModalDialog, endDialog,       destroyWindow,  moveWindow,
                             showWindow,    updateWindow,   invalidate,      postMessage,    sendMessage,
                             systemMetric,  windowRect,     dialogItem,      clientRect,     enableWindow,
                             setWindowIcon, setMouseCapture,
                             releaseMouseCapture, getSurface, stretchPicture, releaseSurface, drawKeyedBitmap,
                             drawOpaqueBitmap, runSaveFileDialogWin32};

}  // namespace

const WindowOps* win32WindowOps() {
  // The progress bars of the guidance windows are common controls.
  static const BOOL registered = [] {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&classes);
  }();
  (void)registered;
  return &kWin32Ops;
}

}  // namespace viewer
