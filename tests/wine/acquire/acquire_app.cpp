// acquire_app: a TWAIN application for the acquisition checks under Wine.
// It opens a data source (by product name) through the system's source
// manager and then does what the scenario asks, one command at a time,
// written into "acquire.cmd" in its working directory (deleted once read);
// each command ends with a line "done <command>". Meanwhile its message
// loop passes every event through MSG_PROCESSEVENT, as an application must.
//
//   enable                MSG_ENABLEDS with the user interface; prints the
//                         return code and the source window's title
//   arm MECH [W H]        on the next MSG_XFERREADY: image information,
//                         then a transfer (native, file or memory) written
//                         as out_<n>.bmp; or "disable": MSG_DISABLEDS at
//                         once, in the middle of the handshake
//   end                   MSG_ENDXFER of the transfer taken
//   buttons               whether Full and Half are enabled
//   disable               MSG_DISABLEDS
//   closereqs             how many MSG_CLOSEDSREQ have arrived
//   cycles N              N enable/disable cycles, with the process's
//                         threads, handles and memory counted before and after
//   quit                  disable, close the source and the manager, end
//
// Lines "ok ..." and "FAIL ..." are its own checks; the exit code is the
// number of failed ones.
//
// With --bind-pipes (the run over ZELB1's pipe-bind test build under Wine)
// the opened data source's own CreateFileA import is pointed at an opener
// that binds pipe paths with the test build's device-control code, since
// Wine passes neither the path below a device name to the driver nor the
// driver's answer back; the library itself is the shipped one, unchanged.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/logic/pipe_bind.h"
#include "tests/wine/common/test_application_identity.h"
#include "twain/twain_types.h"

namespace {

const TW_UINT32 kMemoryAppOwns = 0x0001, kMemoryPointer = 0x0008;  // TWMF_APPOWNS, TWMF_POINTER

DSMENTRYPROC dsmEntry = nullptr;
TW_IDENTITY app;
TW_IDENTITY source;
HWND appWindow = nullptr;
int failures = 0;
bool enabled = false;
int closeRequests = 0;
int xferReadyCount = 0;

// What the next MSG_XFERREADY starts.
std::string armedMechanism;
int expectWidth = 0, expectHeight = 0;
int transfersTaken = 0;
bool transferOpen = false;
DWORD armedAt = 0;

void say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
}

void check(bool ok, const std::string& what) {
  if (!ok) ++failures;
  say("%s %s", ok ? "ok" : "FAIL", what.c_str());
}

TW_UINT16 toSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return dsmEntry(&app, &source, dg, dat, msg, data);
}

struct WindowSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK matchSourceWindow(HWND hwnd, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  char title[128] = {0};
  GetWindowTextA(hwnd, title, sizeof title);
  if (process == search->process && std::strncmp(title, "ZEL TWAIN Driver", 16) == 0) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The source window: ours, titled by the camera model.
HWND sourceWindow() {
  WindowSearch search{GetCurrentProcessId(), nullptr};
  EnumWindows(matchSourceWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// --- Writing what arrived as BMP files --------------------------------------
void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A packed DIB (40-byte header, no colour table) as a BMP file.
bool writePackedDib(const char* path, const uint8_t* dib, uint32_t bytes) {
  std::vector<uint8_t> file = {'B', 'M'};
  put32(file, 14 + bytes);
  put32(file, 0);
  put32(file, 14 + 40);
  file.insert(file.end(), dib, dib + bytes);
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok;
}

std::string outName() { return "out_" + std::to_string(transfersTaken) + ".bmp"; }

void nativeTransfer() {
  TW_UINT32 handleValue = 0;
  TW_UINT16 rc = toSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handleValue);
  check(rc == TWRC_XFERDONE, "native transfer answers XFERDONE");
  HGLOBAL dib = reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handleValue));
  if (rc != TWRC_XFERDONE || !dib) return;
  const uint8_t* bytes = static_cast<const uint8_t*>(GlobalLock(dib));
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes, sizeof header);
  say("native %ld x %ld, %u bits, compression %lu", header.biWidth, header.biHeight, header.biBitCount,
      header.biCompression);
  check(header.biWidth == expectWidth && header.biHeight == expectHeight, "native bitmap bottom-up, of the image size");
  check(header.biBitCount == 24 && header.biCompression == BI_RGB, "native bitmap 24-bit uncompressed");
  const uint32_t size = 40 + static_cast<uint32_t>(expectWidth) * 3 * static_cast<uint32_t>(expectHeight);
  check(GlobalSize(dib) >= size, "native bitmap holds every row");
  if (GlobalSize(dib) >= size) writePackedDib(outName().c_str(), bytes, size);
  GlobalUnlock(dib);
  GlobalFree(dib);
}

void fileTransfer() {
  char path[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, path);
  std::string name = std::string(path) + "\\" + outName();
  TW_SETUPFILEXFER setup{};
  std::strncpy(setup.FileName, name.c_str(), sizeof setup.FileName - 1);
  setup.Format = TWFF_BMP;
  check(toSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup) == TWRC_SUCCESS, "file transfer set up");
  check(toSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr) == TWRC_XFERDONE, "file transfer answers XFERDONE");
}

// Memory strips put together, top row first, then written bottom-up in
// blue-green-red order like the native bitmap.
void memoryTransfer() {
  TW_SETUPMEMXFER setup{};
  check(toSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) == TWRC_SUCCESS, "memory transfer set up");
  std::vector<uint8_t> strip(setup.Preferred ? setup.Preferred : 65535);
  std::vector<uint8_t> image;
  uint32_t rows = 0, strips = 0, bytesPerRow = 0;
  bool offsetsRight = true;
  TW_UINT16 rc;
  do {
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory.Flags = kMemoryAppOwns | kMemoryPointer;
    xfer.Memory.Length = static_cast<TW_UINT32>(strip.size());
    xfer.Memory.TheMem = strip.data();
    rc = toSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) break;
    offsetsRight = offsetsRight && xfer.YOffset == rows && xfer.Columns == static_cast<TW_UINT32>(expectWidth);
    bytesPerRow = xfer.BytesPerRow;
    image.insert(image.end(), strip.begin(), strip.begin() + xfer.BytesWritten);
    rows += xfer.Rows;
    ++strips;
  } while (rc == TWRC_SUCCESS && strips < 10000);
  say("memory %u strips, %u rows of %u bytes", strips, rows, bytesPerRow);
  check(rc == TWRC_XFERDONE, "last strip answers XFERDONE");
  check(rows == static_cast<uint32_t>(expectHeight) && offsetsRight, "strips cover every row in order");
  if (rows != static_cast<uint32_t>(expectHeight) || bytesPerRow != static_cast<uint32_t>(expectWidth) * 3) return;
  std::vector<uint8_t> dib(40 + image.size());
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = expectWidth;
  header.biHeight = expectHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  std::memcpy(dib.data(), &header, 40);
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t* from = &image[y * bytesPerRow];
    uint8_t* to = &dib[40 + (rows - 1 - y) * bytesPerRow];
    for (uint32_t x = 0; x < bytesPerRow; x += 3) {
      to[x] = from[x + 2];
      to[x + 1] = from[x + 1];
      to[x + 2] = from[x];
    }
  }
  writePackedDib(outName().c_str(), dib.data(), static_cast<uint32_t>(dib.size()));
}

void disableSource(const char* what) {
  DWORD start = GetTickCount();
  TW_USERINTERFACE ui{0, 0, appWindow};
  TW_UINT16 rc = toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
  say("%s rc=%u in %lu ms", what, rc, GetTickCount() - start);
  check(rc == TWRC_SUCCESS, std::string(what) + " succeeds");
  enabled = false;
}

// MSG_XFERREADY: the armed transfer, if any; others are counted and left.
void onXferReady() {
  ++xferReadyCount;
  if (armedMechanism.empty() || transferOpen) return;
  std::string mechanism = armedMechanism;
  armedMechanism.clear();
  say("xferready after %lu ms", GetTickCount() - armedAt);
  if (mechanism == "disable") {
    disableSource("disable in the handshake");
    say("done arm");
    return;
  }
  TW_IMAGEINFO info{};
  TW_UINT16 rc = toSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
  say("imageinfo %ld x %ld, %d bits, pixel type %d", info.ImageWidth, info.ImageLength, info.BitsPerPixel,
      info.PixelType);
  check(rc == TWRC_SUCCESS && info.ImageWidth == expectWidth && info.ImageLength == expectHeight &&
            info.BitsPerPixel == 24,
        "image information " + std::to_string(expectWidth) + "x" + std::to_string(expectHeight) + "x24");
  ++transfersTaken;
  if (mechanism == "native") nativeTransfer();
  if (mechanism == "file") fileTransfer();
  if (mechanism == "memory") memoryTransfer();
  transferOpen = true;
  say("transferred %s %s", mechanism.c_str(), outName().c_str());
  say("done arm");
}

void endTransfer() {
  TW_PENDINGXFERS pending{};
  TW_UINT16 rc = toSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  check(rc == TWRC_SUCCESS && pending.Count == 0, "MSG_ENDXFER, no more pending");
  transferOpen = false;
}

bool enableSource() {
  TW_USERINTERFACE ui{1, 0, appWindow};
  TW_UINT16 rc = toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  enabled = rc == TWRC_SUCCESS;
  return enabled;
}

// --- The resources check ------------------------------------------------------
// What the process holds, counted in ways that work under Wine too: its
// threads; the value the next handle gets (the lowest free slot, so it
// grows with every handle left open); its committed private memory; its
// windows.
struct Counts {
  int threads;
  uintptr_t nextHandle;
  SIZE_T privateBytes;
  int windows;
};

BOOL CALLBACK countOwnWindow(HWND hwnd, LPARAM param) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process == GetCurrentProcessId()) ++*reinterpret_cast<int*>(param);
  return TRUE;
}

Counts countResources() {
  Counts c{0, 0, 0, 0};
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++c.threads;
  CloseHandle(snapshot);
  HANDLE probe = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  c.nextHandle = reinterpret_cast<uintptr_t>(probe);
  CloseHandle(probe);
  MEMORY_BASIC_INFORMATION region;
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) c.privateBytes += region.RegionSize;
    if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < at) break;
  }
  EnumWindows(countOwnWindow, reinterpret_cast<LPARAM>(&c.windows));
  return c;
}

void pumpFor(DWORD ms);

void cycles(int n) {
  // One cycle first: what the first opening loads for good is not a leak.
  enableSource();
  pumpFor(300);
  disableSource("warm-up disable");
  pumpFor(200);
  Counts before = countResources();
  const DWORD started = GetTickCount();
  int failedEnables = 0;
  for (int i = 0; i < n; ++i) {
    if (!enableSource()) ++failedEnables;
    pumpFor(50);
    TW_USERINTERFACE ui{0, 0, appWindow};
    if (toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS) ++failedEnables;
    enabled = false;
  }
  pumpFor(300);
  Counts after = countResources();
  say("resources before: %d threads, next handle %#lx, %lu KiB private, %d windows", before.threads,
      static_cast<unsigned long>(before.nextHandle), static_cast<unsigned long>(before.privateBytes / 1024),
      before.windows);
  say("resources after %d cycles (%lu ms): %d threads, next handle %#lx, %lu KiB private, %d windows", n,
      GetTickCount() - started, after.threads, static_cast<unsigned long>(after.nextHandle),
      static_cast<unsigned long>(after.privateBytes / 1024), after.windows);
  check(failedEnables == 0, "every cycle enabled and disabled");
  check(after.threads == before.threads, "no thread left behind");
  check(after.nextHandle <= before.nextHandle, "no handle left behind");
  check(after.windows == before.windows, "no window left behind");
  // Heaps grow in steps; a leak of the frame buffers (0.6 MB a cycle) or of
  // anything per cycle would pass 1 MB over fifty cycles.
  check(after.privateBytes <= before.privateBytes + 1024 * 1024, "no memory left behind");
}

// --- Pipe paths over the pipe-bind test build ----------------------------------
// "\\.\NAME\c\i\a\p": the device path opened, then bound to the pipe.
HANDLE WINAPI openBindingPipes(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile) {
  const char* pipe = std::strncmp(path, "\\\\.\\", 4) == 0 ? std::strchr(path + 4, '\\') : nullptr;
  if (!pipe) return CreateFileA(path, access, share, security, disposition, flags, templateFile);
  const std::string device(path, pipe);
  HANDLE handle = CreateFileA(device.c_str(), access, share, security, disposition, flags, templateFile);
  if (handle == INVALID_HANDLE_VALUE) return handle;
  WCHAR name[64];
  const size_t units = std::strlen(pipe) < 64 ? std::strlen(pipe) : 64;
  for (size_t n = 0; n < units; ++n) name[n] = static_cast<unsigned char>(pipe[n]);
  DWORD got = 0;
  if (!DeviceIoControl(handle, zelb1::kControlBindPipe, name, static_cast<DWORD>(units * sizeof(WCHAR)), nullptr, 0,
                       &got, nullptr)) {
    const DWORD code = GetLastError();
    CloseHandle(handle);
    SetLastError(code ? code : ERROR_GEN_FAILURE);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

// The loaded data source: the module, other than the manager, exporting DS_Entry.
HMODULE sourceModule() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  HMODULE found = nullptr;
  for (BOOL more = Module32First(snapshot, &entry); more && !found; more = Module32Next(snapshot, &entry)) {
    if (GetProcAddress(entry.hModule, "DS_Entry")) found = entry.hModule;
  }
  CloseHandle(snapshot);
  return found;
}

// Points a module's import of kernel32!function at a replacement.
bool replaceImport(HMODULE module, const char* function, void* replacement) {
  uint8_t* base = reinterpret_cast<uint8_t*>(module);
  const IMAGE_NT_HEADERS* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (const IMAGE_IMPORT_DESCRIPTOR* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
           base + directory.VirtualAddress);
       library->Name; ++library) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "kernel32.dll") != 0) continue;
    const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const IMAGE_IMPORT_BY_NAME* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<uintptr_t>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      return true;
    }
  }
  return false;
}

// --- Commands ---------------------------------------------------------------
void reportButtons() {
  HWND window = sourceWindow();
  if (!window) {
    say("buttons none");
    return;
  }
  say("buttons full=%d half=%d", IsWindowEnabled(GetDlgItem(window, 1019)) ? 1 : 0,
      IsWindowEnabled(GetDlgItem(window, 1018)) ? 1 : 0);
}

void runCommand(const std::string& line) {
  char word[32] = {0}, mechanism[32] = {0};
  int a = 0, b = 0;
  std::sscanf(line.c_str(), "%31s %31s %d %d", word, mechanism, &a, &b);
  std::string command = word;
  if (command == "enable") {
    bool ok = enableSource();
    HWND window = sourceWindow();
    char title[128] = {0};
    if (window) GetWindowTextA(window, title, sizeof title);
    say("enable %s, window \"%s\"", ok ? "succeeded" : "failed", title);
  } else if (command == "arm") {
    armedMechanism = mechanism;
    expectWidth = a;
    expectHeight = b;
    armedAt = GetTickCount();
    say("armed %s", mechanism);
    return;  // "done arm" follows the transfer
  } else if (command == "end") {
    endTransfer();
  } else if (command == "buttons") {
    reportButtons();
  } else if (command == "disable") {
    disableSource("disable");
  } else if (command == "closereqs") {
    say("closereqs %d", closeRequests);
  } else if (command == "cycles") {
    cycles(std::atoi(mechanism));
  } else if (command == "quit") {
    if (transferOpen) endTransfer();
    if (enabled) disableSource("disable");
    check(dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source) == TWRC_SUCCESS, "MSG_CLOSEDS");
    PostQuitMessage(0);
  }
  say("done %s", command.c_str());
}

// Takes the command file, if there is one, and runs its command. The file
// is first moved out of the way and then read, so that each command file
// is taken exactly once (read, then deleted, a failed delete would run it
// again). A poll from the message pumping inside a command waits for that
// command to end.
void pollCommandFile() {
  static bool running = false;
  if (running) return;
  if (!MoveFileExA("acquire.cmd", "acquire.cmd.taken", MOVEFILE_REPLACE_EXISTING)) return;
  FILE* f = std::fopen("acquire.cmd.taken", "rb");
  if (!f) return;
  char text[128] = {0};
  size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  DeleteFileA("acquire.cmd.taken");
  text[n] = 0;
  std::string line = text;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.empty()) return;
  running = true;
  runCommand(line);
  running = false;
}

// One message through the source first (MSG_PROCESSEVENT), as TWAIN asks.
bool handleMessage(MSG& msg) {
  if (dsmEntry && source.Id) {
    TW_EVENT event{&msg, MSG_NULL};
    TW_UINT16 rc = toSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (event.TWMessage == MSG_XFERREADY) onXferReady();
    if (event.TWMessage == MSG_CLOSEDSREQ) {
      ++closeRequests;
      say("closedsreq %d", closeRequests);
    }
    if (rc == TWRC_DSEVENT) return true;
  }
  if (msg.message == WM_TIMER && msg.hwnd == appWindow) pollCommandFile();
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void pumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == appWindow) continue;  // no nested commands
      handleMessage(msg);
    }
    Sleep(5);
  }
}

bool openSource(const char* productName) {
  TW_IDENTITY candidate{};
  TW_UINT16 rc = dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &candidate);
  bool found = false;
  while (rc == TWRC_SUCCESS) {
    if (std::strcmp(candidate.ProductName, productName) == 0) {
      source = candidate;
      found = true;
    }
    rc = dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &candidate);
  }
  check(found, std::string("source \"") + productName + "\" listed");
  if (!found) return false;
  bool opened = dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) == TWRC_SUCCESS;
  check(opened, "MSG_OPENDS");
  return opened;
}

}  // namespace

int main(int argc, char** argv) {
  const char* productName = argc > 1 ? argv[1] : "ZEL TWAIN Data Source";
  const bool bindPipes = argc > 2 && std::strcmp(argv[2], "--bind-pipes") == 0;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "AcquireTestApplication";
  RegisterClassA(&windowClass);
  appWindow = CreateWindowA("AcquireTestApplication", "acquire test application", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                            100, nullptr, nullptr, windowClass.hInstance, nullptr);
  HMODULE manager = LoadLibraryA("TWAIN_32.DLL");
  dsmEntry = manager ? reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")))
                     : nullptr;
  check(dsmEntry != nullptr, "source manager loaded");
  if (!dsmEntry) return 1;
  app = testApplicationIdentity("acquire_app");
  check(dsmEntry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, reinterpret_cast<TW_MEMREF>(appWindow)) ==
            TWRC_SUCCESS,
        "MSG_OPENDSM");
  if (!openSource(productName)) return failures;
  if (bindPipes) {
    HMODULE library = sourceModule();
    check(library && replaceImport(library, "CreateFileA", reinterpret_cast<void*>(openBindingPipes)),
          "the data source opens pipe paths through the pipe-bind opener");
  }
  DeleteFileA("acquire.cmd");
  SetTimer(appWindow, 1, 50, nullptr);
  say("ready");
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) handleMessage(msg);
  dsmEntry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, reinterpret_cast<TW_MEMREF>(appWindow));
  say("%d failed checks", failures);
  return failures;
}
