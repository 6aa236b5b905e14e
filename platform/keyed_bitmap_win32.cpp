// Colour-keyed drawing of a button bitmap over a panel (Win32).
#include <windows.h>

#include "platform/keyed_bitmap.h"

namespace plat {

namespace {

// The panel's visible background picture (a static control showing a
// bitmap) that lies under a point of the panel's client area, and its own top-left.
HBITMAP backgroundUnder(HWND panel, POINT at, POINT* origin) {
  for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[16] = {0};
    GetClassNameA(child, cls, sizeof cls);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    // A hidden picture (a panel with one background per model) is not behind anything.
    if (lstrcmpiA(cls, "Static") != 0 || (style & SS_TYPEMASK) != SS_BITMAP || !(style & WS_VISIBLE)) continue;
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

}  // namespace

void* backgroundPictureUnder(WindowHandle panel, int x, int y, int* originX, int* originY) {
  POINT origin = {0, 0};
  HBITMAP picture = backgroundUnder(static_cast<HWND>(panel), POINT{x, y}, &origin);
  *originX = origin.x;
  *originY = origin.y;
  return picture;
}

// Draws a button bitmap with key-coloured pixels showing the panel behind:
// a one-bit mask set on the key colour, a copy of the bitmap with those
// pixels black, the panel's pixels under the button cleared where the mask
// is not set, the two combined and copied onto the button's place.
bool drawKeyedBitmap(void* module, WindowHandle panelWindow, WindowHandle buttonWindow, int bitmapId,
                     uint32_t keyColour) {
  HWND panel = static_cast<HWND>(panelWindow);
  HWND button = static_cast<HWND>(buttonWindow);
  RECT r;
  GetWindowRect(button, &r);
  POINT at = {r.left, r.top};
  ScreenToClient(panel, &at);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HBITMAP bitmap = LoadBitmapA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(bitmapId));
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
  SetBkColor(bitmapDc, RGB((keyColour >> 16) & 0xFF, (keyColour >> 8) & 0xFF, keyColour & 0xFF));
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

}  // namespace plat
