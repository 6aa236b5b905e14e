// viewer_probe: looks at and operates the viewer's windows from outside, as
// a person would, for the checks under Wine. One command per run:
//   wait TITLE MS            a visible top-level window of that title appears;
//                            prints its rectangle "left top right bottom"
//   gone TITLE MS            no such window is left
//   splash MS                the untitled 350 x 159 splash window appears
//   item TITLE ID            prints a control's rectangle (the control may
//                            sit in a child dialog, as in a file dialog)
//   click TITLE ID           mouse press and release on the control's centre
//   visible TITLE ID         prints "visible" or "hidden" for a control
//   text TITLE ID            prints a control's text
//   checked TITLE ID         prints 1 when a button is checked, else 0
//   progress TITLE ID        prints a progress bar's position
//   box CAPTION MS           a message box of that caption appears; prints
//                            "icon=<error|information|question|warning>" and
//                            its text lines
//   answer CAPTION ID        clicks button ID (1 OK, 6 Yes, 7 No) of the box
//                            (of the window of that caption that has one)
//   picture TITLE            prints a checksum of the window's client area
//   metrics                  prints caption height and work-area size
//   close TITLE              asks the window to close
//   hold                     brings the desktop up, prints "ready" and stays
//                            attached to it until killed
//   point TITLE X Y          prints the screen point of a client point (for
//                            real mouse input by xdotool)
//   sized W H MS             a visible untitled window of that size appears
//                            (the control panel's input and resolution
//                            dialogs); prints its rectangle
//   shows TITLE EXE ID X Y   the window shows bitmap ID of program EXE with
//                            its top-left at client point X, Y (pixels of
//                            the key colour, which let the panel show
//                            through, are not compared)
// Exit status 0 when the condition held, 1 when not.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum { kMessageBoxTextId = 0xFFFF };

struct Search {
  const char* title;
  bool untitledSplash;
  HWND found;
  int childId;  // when not 0: only a window with a control of this id
  int width = 350, height = 159;  // the untitled window looked for
};

HWND findItem(HWND top, int id);

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM lParam) {
  Search* s = reinterpret_cast<Search*>(lParam);
  if (!IsWindowVisible(hwnd)) return TRUE;
  char text[256] = {0};
  GetWindowTextA(hwnd, text, sizeof text);
  if (s->untitledSplash) {
    RECT r;
    GetWindowRect(hwnd, &r);
    if (text[0] == 0 && r.right - r.left == s->width && r.bottom - r.top == s->height) s->found = hwnd;
  } else if (std::strcmp(text, s->title) == 0 && (s->childId == 0 || findItem(hwnd, s->childId))) {
    s->found = hwnd;
  }
  return s->found ? FALSE : TRUE;
}

HWND findTop(const char* title, bool splash = false, int childId = 0) {
  Search s{title, splash, nullptr, childId};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND waitTop(const char* title, DWORD ms, bool splash = false) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND w = findTop(title, splash);
    if (w || GetTickCount() - start > ms) return w;
    Sleep(25);
  }
}

// A visible untitled window of the given size (the splash's, or one of the
// control panel's frameless dialogs).
HWND waitUntitled(int width, int height, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    Search s{"", true, nullptr, 0, width, height};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&s));
    if (s.found || GetTickCount() - start > ms) return s.found;
    Sleep(25);
  }
}

// Whether the screen at a window's client point shows a bitmap of another
// program's resources, pixel for pixel; key-coloured pixels are skipped.
int showsBitmap(HWND w, const char* exe, int id, int x, int y) {
  HMODULE module = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HBITMAP bitmap = module ? LoadBitmapA(module, MAKEINTRESOURCEA(id)) : nullptr;
  if (!bitmap) {
    std::printf("no bitmap %d\n", id);
    return 1;
  }
  BITMAP info;
  GetObjectA(bitmap, sizeof info, &info);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = info.bmWidth;
  header.biHeight = -info.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::string pixels(static_cast<size_t>(info.bmWidth * info.bmHeight * 4), '\0');
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, info.bmHeight, &pixels[0], reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  POINT origin = {x, y};
  ClientToScreen(w, &origin);
  int compared = 0, differing = 0;
  char first[96] = "";
  for (int row = 0; row < info.bmHeight; ++row)
    for (int col = 0; col < info.bmWidth; ++col) {
      const unsigned char* p = reinterpret_cast<const unsigned char*>(&pixels[(row * info.bmWidth + col) * 4]);
      if (p[2] == 189 && p[1] == 190 && p[0] == 189) continue;
      COLORREF seen = GetPixel(screen, origin.x + col, origin.y + row);
      compared++;
      if (seen != RGB(p[2], p[1], p[0]) && differing++ == 0)
        std::snprintf(first, sizeof first, ", first at %d,%d: %06lx for %02x%02x%02x", col, row,
                      static_cast<unsigned long>(seen), p[0], p[1], p[2]);
    }
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  FreeLibrary(module);
  if (differing == 0 && compared > 0) {
    std::printf("shown\n");
    return 0;
  }
  std::printf("differs in %d of %d pixels%s\n", differing, compared, first);
  return 1;
}

struct ItemSearch {
  int id;
  HWND found;
};

BOOL CALLBACK matchItem(HWND hwnd, LPARAM lParam) {
  ItemSearch* s = reinterpret_cast<ItemSearch*>(lParam);
  if (GetDlgCtrlID(hwnd) == s->id && IsWindowVisible(hwnd)) s->found = hwnd;
  return s->found ? FALSE : TRUE;
}

// A control of the window or of any window inside it.
HWND findItem(HWND top, int id) {
  HWND direct = GetDlgItem(top, id);
  if (direct) return direct;
  ItemSearch s{id, nullptr};
  EnumChildWindows(top, matchItem, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void printRect(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
}

void mouseAt(int x, int y, DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>(x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
  in.mi.dy = static_cast<LONG>(y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
  in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
  SendInput(1, &in, sizeof in);
  Sleep(60);
}

void clickAt(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  mouseAt(x, y, 0);
  mouseAt(x, y, MOUSEEVENTF_LEFTDOWN);
  mouseAt(x, y, MOUSEEVENTF_LEFTUP);
}

// Which system icon a message box shows, told by the colours of its icon.
const char* iconKind(HWND box) {
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[32] = {0};
    GetClassNameA(c, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0 || (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    RECT r;
    GetWindowRect(c, &r);
    HDC screen = GetDC(nullptr);
    long red = 0, blue = 0, yellow = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        COLORREF p = GetPixel(screen, x, y);
        int R = GetRValue(p), G = GetGValue(p), B = GetBValue(p);
        if (R > 150 && G < 100 && B < 100) red++;
        if (B > 150 && R < 120) blue++;
        if (R > 180 && G > 150 && B < 100) yellow++;
      }
    ReleaseDC(nullptr, screen);
    if (red > blue && red > yellow) return "error";
    if (yellow > blue) return "warning";
    // Information and question icons are both blue: the question box is the
    // one with Yes and No.
    return GetDlgItem(box, IDYES) ? "question" : "information";
  }
  return "none";
}

unsigned long pictureChecksum(HWND w) {
  RECT c;
  GetClientRect(w, &c);
  POINT o = {0, 0};
  ClientToScreen(w, &o);
  HDC screen = GetDC(nullptr);
  unsigned long sum = 0;
  for (int y = 0; y < c.bottom; y += 3)
    for (int x = 0; x < c.right; x += 3) sum = sum * 31 + GetPixel(screen, o.x + x, o.y + y);
  ReleaseDC(nullptr, screen);
  return sum;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string cmd = argv[1];
  auto ms = [&](int k) { return static_cast<DWORD>(argc > k ? std::atoi(argv[k]) : 5000); };
  if (cmd == "wait" && argc >= 3) {
    HWND w = waitTop(argv[2], ms(3));
    if (!w) return 1;
    printRect(w);
    return 0;
  }
  if (cmd == "gone" && argc >= 3) {
    DWORD start = GetTickCount();
    while (findTop(argv[2])) {
      if (GetTickCount() - start > ms(3)) return 1;
      Sleep(25);
    }
    return 0;
  }
  if (cmd == "splash") {
    HWND w = waitTop("", ms(2), true);
    if (!w) return 1;
    printRect(w);
    return 0;
  }
  if ((cmd == "item" || cmd == "click" || cmd == "text" || cmd == "checked" || cmd == "progress") && argc >= 4) {
    const int id = std::atoi(argv[3]);
    HWND w = findTop(argv[2], false, id);
    HWND item = w ? findItem(w, id) : nullptr;
    if (!item) return 1;
    if (cmd == "click") {
      clickAt(item);
    } else if (cmd == "text") {
      // Asked of the control itself: an edit keeps its text to itself.
      char text[512] = {0};
      SendMessageA(item, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
      std::printf("%s\n", text);
    } else if (cmd == "checked") {
      std::printf("%d\n", SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    } else if (cmd == "progress") {
      std::printf("%d\n", static_cast<int>(SendMessageA(item, PBM_GETPOS, 0, 0)));
    } else {
      printRect(item);
    }
    return 0;
  }
  if (cmd == "box" && argc >= 3) {
    // A message box (its text control has the id 0xFFFF), not another
    // window of the same caption.
    HWND box = findTop(argv[2], false, kMessageBoxTextId);
    for (DWORD start = GetTickCount(); !box && GetTickCount() - start < ms(3);) {
      Sleep(25);
      box = findTop(argv[2], false, kMessageBoxTextId);
    }
    if (!box) return 1;
    Sleep(200);  // let it paint before its icon is looked at
    std::printf("icon=%s\n", iconKind(box));
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      char cls[32] = {0}, text[512] = {0};
      GetClassNameA(c, cls, sizeof cls);
      GetWindowTextA(c, text, sizeof text);
      if (lstrcmpiA(cls, "Static") == 0 && text[0]) std::printf("%s\n", text);
    }
    return 0;
  }
  if (cmd == "answer" && argc >= 4) {
    const int id = std::atoi(argv[3]);
    DWORD start = GetTickCount();
    HWND box = findTop(argv[2], false, id);
    while (!box && GetTickCount() - start < 5000) {
      Sleep(25);
      box = findTop(argv[2], false, id);
    }
    HWND button = box ? GetDlgItem(box, id) : nullptr;
    if (!button) return 1;
    clickAt(button);
    return 0;
  }
  if (cmd == "picture" && argc >= 3) {
    HWND w = findTop(argv[2]);
    if (!w) return 1;
    std::printf("%lu\n", pictureChecksum(w));
    return 0;
  }
  if (cmd == "hold") {
    // The desktop window exists once this returns: the desktop is up before
    // any other program attaches to it.
    if (!GetDesktopWindow()) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) Sleep(1000);
  }
  if (cmd == "visible" && argc >= 4) {
    HWND w = findTop(argv[2]);
    HWND item = w ? GetDlgItem(w, std::atoi(argv[3])) : nullptr;
    if (!item) return 1;
    std::printf("%s\n", IsWindowVisible(item) ? "visible" : "hidden");
    return 0;
  }
  if (cmd == "point" && argc >= 5) {
    HWND w = findTop(argv[2]);
    if (!w) return 1;
    POINT at = {std::atoi(argv[3]), std::atoi(argv[4])};
    ClientToScreen(w, &at);
    std::printf("%ld %ld\n", at.x, at.y);
    return 0;
  }
  if (cmd == "sized" && argc >= 4) {
    HWND w = waitUntitled(std::atoi(argv[2]), std::atoi(argv[3]), ms(4));
    if (!w) return 1;
    printRect(w);
    return 0;
  }
  if (cmd == "shows" && argc >= 7) {
    HWND w = findTop(argv[2]);
    if (!w) return 1;
    return showsBitmap(w, argv[3], std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
  }
  if (cmd == "metrics") {
    std::printf("%d %d %d\n", GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CXFULLSCREEN),
                GetSystemMetrics(SM_CYFULLSCREEN));
    return 0;
  }
  if (cmd == "close" && argc >= 3) {
    HWND w = findTop(argv[2]);
    if (!w) return 1;
    PostMessageA(w, WM_CLOSE, 0, 0);
    return 0;
  }
  return 2;
}
