// viewer_probe: looks at and operates the viewer's windows from outside, as
// a person would, for the checks under Wine. One command per run:
//   wait TITLE MS            a visible top-level window of that title appears;
//                            prints its rectangle "left top right bottom"
//   gone TITLE MS            no such window is left
//   splash MS                the untitled 350 x 159 splash window appears
//   item TITLE ID            prints a control's rectangle (the control may
//                            sit in a child dialog, as in a file dialog)
//   click TITLE ID           mouse press and release on the control's centre
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
    if (text[0] == 0 && r.right - r.left == 350 && r.bottom - r.top == 159) s->found = hwnd;
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
      char text[512] = {0};
      GetWindowTextA(item, text, sizeof text);
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
