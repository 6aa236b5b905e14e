// The source window's operations over Win32: dialogs from the library's
// own templates, one dialog procedure that forwards to the window's handler,
// and the drawing calls (keyed button bitmaps, the stretched preview, the
// preview's texts).
#include <windows.h>

#include "platform/keyed_bitmap.h"
#include "twain/library_win32.h"
#include "twain/source_ui.h"

namespace twain {
namespace {

HWND hwndOf(WindowHandle window) { return static_cast<HWND>(window); }
HINSTANCE library() { return libraryModule(); }

// The handler travels in the creation parameter and then in the window's
// user data; every message is forwarded unchanged, except the draw request,
// which becomes the platform-free DrawRequest.
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
                        (item->itemState & ODS_DISABLED) != 0, item->hwndItem};
    return handler(hwnd, message, wParam, reinterpret_cast<intptr_t>(&request)) ? TRUE : FALSE;
  }
  return handler(hwnd, message, wParam, message == WM_INITDIALOG ? 0 : lParam) ? TRUE : FALSE;
}

WindowHandle createDialog(int templateId, WindowHandle owner, MessageHandler handler) {
  return CreateDialogParamA(library(), MAKEINTRESOURCEA(templateId), hwndOf(owner), dialogProc,
                            reinterpret_cast<LPARAM>(handler));
}

void destroyWindow(WindowHandle window) { DestroyWindow(hwndOf(window)); }

void moveWindow(WindowHandle window, int x, int y, int width, int height) {
  MoveWindow(hwndOf(window), x, y, width, height, TRUE);
}

void showWindow(WindowHandle window, bool visible) { ShowWindow(hwndOf(window), visible ? SW_SHOW : SW_HIDE); }
void updateWindow(WindowHandle window) { UpdateWindow(hwndOf(window)); }
void invalidate(WindowHandle window, bool erase) { InvalidateRect(hwndOf(window), nullptr, erase ? TRUE : FALSE); }

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(hwndOf(window), message, wParam, lParam) != FALSE;
}

int systemMetric(int index) { return GetSystemMetrics(index); }
WindowHandle dialogItem(WindowHandle dialog, int controlId) { return GetDlgItem(hwndOf(dialog), controlId); }
void setWindowText(WindowHandle window, const char* text) { SetWindowTextA(hwndOf(window), text); }
void enableWindow(WindowHandle window, bool enabled) { EnableWindow(hwndOf(window), enabled ? TRUE : FALSE); }

// Shared icons: loaded once per library and never destroyed, so that
// opening the window again and again takes no new icon handles.
void setWindowIcon(WindowHandle window, int iconId) {
  HICON big = static_cast<HICON>(LoadImageA(library(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  HICON small = static_cast<HICON>(LoadImageA(library(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                              LR_SHARED));
  SendMessageA(hwndOf(window), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageA(hwndOf(window), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

bool isDialogMessage(WindowHandle window, void* message) {
  return IsDialogMessageA(hwndOf(window), static_cast<MSG*>(message)) != FALSE;
}

bool drawKeyedBitmap(WindowHandle window, WindowHandle button, int bitmapId, uint32_t keyColour) {
  return plat::drawKeyedBitmap(library(), window, button, bitmapId, keyColour);
}

void paintPicture(WindowHandle window, const WindowRect& target, const imaging::BitmapInfoHeader& header,
                  const uint8_t* pixels, bool halftone) {
  if (!pixels) return;
  HDC dc = GetDC(hwndOf(window));
  if (!dc) return;
  SetStretchBltMode(dc, halftone ? HALFTONE : COLORONCOLOR);
  if (halftone) SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                header.width, -header.height, pixels, reinterpret_cast<const BITMAPINFO*>(&header),
                DIB_RGB_COLORS, SRCCOPY);
  ReleaseDC(hwndOf(window), dc);
}

void drawText(WindowHandle window, int x, int y, uint32_t colour, const char* text) {
  HDC dc = GetDC(hwndOf(window));
  if (!dc) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF));
  TextOutA(dc, x, y, text, lstrlenA(text));
  ReleaseDC(hwndOf(window), dc);
}

const SourceUi kWin32Ui = {createDialog, destroyWindow, moveWindow,   showWindow,      updateWindow,
                           invalidate,   postMessage,   systemMetric, dialogItem,      setWindowText,
                           enableWindow, setWindowIcon, isDialogMessage, drawKeyedBitmap, paintPicture,
                           drawText};

}  // namespace

const SourceUi* win32SourceUi() { return &kWin32Ui; }

}  // namespace twain
