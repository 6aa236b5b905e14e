// The window operations over Win32: dialogs from the program's templates,
// one dialog procedure that forwards to the viewer's message handlers, and
// the drawing calls (stretched live picture, colour-keyed button bitmaps).
#include <windows.h>
#include <commctrl.h>

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

void setWindowIcon(WindowHandle window, int iconId) {
  HICON big = static_cast<HICON>(LoadImageA(instance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  HICON small = static_cast<HICON>(LoadImageA(instance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageA(hwndOf(window), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageA(hwndOf(window), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void setMouseCapture(WindowHandle window) { SetCapture(hwndOf(window)); }
void releaseMouseCapture() { ReleaseCapture(); }

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

// The panel's background picture (a static control showing a bitmap) that
// lies under a point of the panel's client area, and its own top-left.
HBITMAP backgroundUnder(HWND panel, POINT at, POINT* origin) {
  for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[16] = {0};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
    RECT r;
    GetWindowRect(child, &r);
    POINT topLeft = {r.left, r.top};
    ScreenToClient(panel, &topLeft);
    if (at.x >= topLeft.x && at.y >= topLeft.y && at.x < topLeft.x + (r.right - r.left) &&
        at.y < topLeft.y + (r.bottom - r.top)) {
      *origin = topLeft;
      return reinterpret_cast<HBITMAP>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
    }
  }
  return nullptr;
}

// Draws a button bitmap with key-coloured pixels showing the panel behind:
// a one-bit mask set on the key colour, a copy of the bitmap with those
// pixels black, the panel's pixels under the button cleared where the mask
// is not set, the two combined and copied onto the button's place.
bool drawKeyedBitmap(WindowHandle panelWindow, WindowHandle buttonWindow, int bitmapId) {
  HWND panel = hwndOf(panelWindow);
  HWND button = hwndOf(buttonWindow);
  RECT r;
  GetWindowRect(button, &r);
  POINT at = {r.left, r.top};
  ScreenToClient(panel, &at);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HBITMAP bitmap = LoadBitmapA(instance(), MAKEINTRESOURCEA(bitmapId));
  if (!bitmap) return false;

  HDC panelDc = GetDC(panel);
  HDC bitmapDc = CreateCompatibleDC(panelDc);
  HDC maskDc = CreateCompatibleDC(panelDc);
  HDC keyedDc = CreateCompatibleDC(panelDc);
  HDC backDc = CreateCompatibleDC(panelDc);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  HBITMAP keyed = CreateCompatibleBitmap(panelDc, w, h);
  HBITMAP back = CreateCompatibleBitmap(panelDc, w, h);
  HGDIOBJ oldBitmap = SelectObject(bitmapDc, bitmap);
  HGDIOBJ oldMask = SelectObject(maskDc, mask);
  HGDIOBJ oldKeyed = SelectObject(keyedDc, keyed);
  HGDIOBJ oldBack = SelectObject(backDc, back);

  // Mask: 1 where the bitmap has the key colour.
  SetBkColor(bitmapDc, RGB(kKeyRed, kKeyGreen, kKeyBlue));
  BitBlt(maskDc, 0, 0, w, h, bitmapDc, 0, 0, SRCCOPY);
  // Keyed copy: the bitmap with key pixels black (dest AND NOT mask).
  BitBlt(keyedDc, 0, 0, w, h, bitmapDc, 0, 0, SRCCOPY);
  SetBkColor(keyedDc, RGB(255, 255, 255));
  SetTextColor(keyedDc, RGB(0, 0, 0));
  BitBlt(keyedDc, 0, 0, w, h, maskDc, 0, 0, 0x00220326);
  // What lies under the button: the panel's background picture if it has
  // one there (the screen under a button shows the button itself), else the
  // panel's pixels.
  POINT origin = {0, 0};
  HBITMAP background = backgroundUnder(panel, at, &origin);
  if (background) {
    HDC sourceDc = CreateCompatibleDC(panelDc);
    HGDIOBJ oldSource = SelectObject(sourceDc, background);
    BitBlt(backDc, 0, 0, w, h, sourceDc, at.x - origin.x, at.y - origin.y, SRCCOPY);
    SelectObject(sourceDc, oldSource);
    DeleteDC(sourceDc);
  } else {
    BitBlt(backDc, 0, 0, w, h, panelDc, at.x, at.y, SRCCOPY);
  }
  // Keep the background only where the mask is set, then add the bitmap.
  SetBkColor(backDc, RGB(255, 255, 255));
  SetTextColor(backDc, RGB(0, 0, 0));
  BitBlt(backDc, 0, 0, w, h, maskDc, 0, 0, SRCAND);
  BitBlt(backDc, 0, 0, w, h, keyedDc, 0, 0, SRCPAINT);
  // Onto the button's place (through the button's own surface, so that the
  // sibling controls' clipping does not cut it).
  HDC buttonDc = GetDC(button);
  BitBlt(buttonDc, 0, 0, w, h, backDc, 0, 0, SRCCOPY);
  ReleaseDC(button, buttonDc);

  SelectObject(bitmapDc, oldBitmap);
  SelectObject(maskDc, oldMask);
  SelectObject(keyedDc, oldKeyed);
  SelectObject(backDc, oldBack);
  DeleteObject(mask);
  DeleteObject(keyed);
  DeleteObject(back);
  DeleteDC(bitmapDc);
  DeleteDC(maskDc);
  DeleteDC(keyedDc);
  DeleteDC(backDc);
  ReleaseDC(panel, panelDc);
  DeleteObject(bitmap);
  return true;
}

bool drawOpaqueBitmap(WindowHandle panelWindow, const WindowRect& rect, int bitmapId) {
  HBITMAP bitmap = LoadBitmapA(instance(), MAKEINTRESOURCEA(bitmapId));
  if (!bitmap) return false;
  HWND panel = hwndOf(panelWindow);
  HDC panelDc = GetDC(panel);
  HDC bitmapDc = CreateCompatibleDC(panelDc);
  HGDIOBJ old = SelectObject(bitmapDc, bitmap);
  BitBlt(panelDc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bitmapDc, 0, 0, SRCCOPY);
  SelectObject(bitmapDc, old);
  DeleteDC(bitmapDc);
  ReleaseDC(panel, panelDc);
  DeleteObject(bitmap);
  return true;
}

const WindowOps kWin32Ops = {createDialog,  runModalDialog, endDialog,       destroyWindow,  moveWindow,
                             showWindow,    updateWindow,   invalidate,      postMessage,    sendMessage,
                             systemMetric,  windowRect,     dialogItem,      setWindowIcon,  setMouseCapture,
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
