// TWAIN test application: drives TWZEL_32 through the system's source
// manager (TWAIN_32.DLL) as an application would. It lists the sources,
// opens ours by product name, checks its identity, walks every capability
// with every operation, checks the state machine's answers, their condition
// codes and failure boxes (closed by a watcher thread, which checks text,
// caption and owner), and closes cleanly. Exit code: number of failed checks.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/wine/common/test_application_identity.h"
#include "twain/twain_types.h"

namespace {

const char kProductName[] = "ZEL TWAIN Data Source";
const char kBoxCaption[] = "Veltrum Lumidesk TWAIN Error";

DSMENTRYPROC dsmEntry = nullptr;
TW_IDENTITY app;
TW_IDENTITY source;
HWND appWindow = nullptr;
int failures = 0;

void check(bool ok, const char* what) {
  if (!ok) ++failures;
  std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what);
  std::fflush(stdout);
}

// --- Failure boxes: the watcher closes each one and keeps what it showed ---
struct SeenBox {
  std::string text;
  std::string caption;
  HWND owner;
};
SeenBox seenBox;
SeenBox seenDriverBox;
volatile LONG boxesSeen = 0;
volatile LONG driverBoxesSeen = 0;
volatile LONG watching = 1;

// Closes a box of that caption if one shows, keeping what it showed.
bool closeBox(const char* caption, SeenBox* seen, volatile LONG* count) {
  HWND box = FindWindowA("#32770", caption);
  if (!box || !IsWindowVisible(box)) return false;
  char text[512] = {}, title[128] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  GetWindowTextA(box, title, sizeof title);
  seen->text = text;
  seen->caption = title;
  seen->owner = GetWindow(box, GW_OWNER);
  InterlockedIncrement(count);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  while (IsWindow(box) && watching) Sleep(10);
  return true;
}

DWORD WINAPI watchBoxes(void*) {
  while (watching) {
    closeBox(kBoxCaption, &seenBox, &boxesSeen);
    // The device link's own box when no camera answers (owned by nobody).
    closeBox("Error - Device Driver", &seenDriverBox, &driverBoxesSeen);
    Sleep(20);
  }
  return 0;
}

// Checks that exactly one box came with this call and showed `text`.
void expectBox(LONG before, const char* text, const char* what) {
  std::string name = std::string(what) + ": one box";
  check(boxesSeen == before + 1, name.c_str());
  if (boxesSeen != before + 1) return;
  name = std::string(what) + ": box text";
  check(seenBox.text == text, name.c_str());
  if (seenBox.text != text) std::printf("      got \"%s\"\n", seenBox.text.c_str());
  check(seenBox.caption == kBoxCaption, "box caption");
  check(seenBox.owner == appWindow, "box owned by the application's window");
}

TW_UINT16 toSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return dsmEntry(&app, &source, dg, dat, msg, data);
}

TW_UINT16 sourceCondition() {
  TW_STATUS status{0xFFFF, 0xFFFF};
  TW_UINT16 rc = toSource(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return rc == TWRC_SUCCESS ? status.ConditionCode : 0xFFFF;
}

// --- Capabilities ----------------------------------------------------------
struct Container {
  TW_CAPABILITY cap;
  TW_UINT16 rc;
};

Container capCall(TW_UINT16 id, TW_UINT16 msg, TW_UINT16 conType = 0, HGLOBAL container = nullptr) {
  Container c;
  c.cap.Cap = id;
  c.cap.ConType = conType;
  c.cap.hContainer = container;
  c.rc = toSource(DG_CONTROL, DAT_CAPABILITY, msg, &c.cap);
  return c;
}

void freeContainer(Container& c) {
  if (c.rc == TWRC_SUCCESS && c.cap.hContainer) GlobalFree(c.cap.hContainer);
  c.cap.hContainer = nullptr;
}

uint32_t oneValueItem(const Container& c) {
  const TW_ONEVALUE* one = static_cast<const TW_ONEVALUE*>(GlobalLock(c.cap.hContainer));
  uint32_t item = one ? one->Item : 0xFFFFFFFF;
  GlobalUnlock(c.cap.hContainer);
  return item;
}

void walkCapability(TW_UINT16 id) {
  char what[160];
  Container support = capCall(id, MSG_QUERYSUPPORT);
  std::snprintf(what, sizeof what, "cap 0x%04x MSG_QUERYSUPPORT", id);
  check(support.rc == TWRC_SUCCESS && support.cap.ConType == TWON_ONEVALUE, what);
  if (support.rc != TWRC_SUCCESS) return;
  uint32_t mask = oneValueItem(support);
  freeContainer(support);
  std::snprintf(what, sizeof what, "cap 0x%04x support mask 13 or 31", id);
  check(mask == 13 || mask == 31, what);

  const TW_UINT16 reads[] = {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT};
  for (TW_UINT16 msg : reads) {
    Container c = capCall(id, msg);
    std::snprintf(what, sizeof what, "cap 0x%04x msg %u answers a container", id, msg);
    check(c.rc == TWRC_SUCCESS && c.cap.hContainer != nullptr && GlobalSize(c.cap.hContainer) >= 6, what);
    freeContainer(c);
  }

  bool writable = mask == 31;
  Container reset = capCall(id, MSG_RESET);
  std::snprintf(what, sizeof what, "cap 0x%04x MSG_RESET %s", id, writable ? "succeeds" : "refused");
  check((reset.rc == TWRC_SUCCESS) == writable, what);
  freeContainer(reset);
  if (!writable) {
    std::snprintf(what, sizeof what, "cap 0x%04x MSG_RESET condition CAPBADOPERATION", id);
    check(sourceCondition() == TWCC_CAPBADOPERATION, what);
  }

  // Setting the current value back: a read-only row refuses the operation;
  // a writable one takes it, or refuses the value when the current value is
  // not among its stored items (a range's items are its ends and step).
  Container current = capCall(id, MSG_GETCURRENT);
  if (current.rc == TWRC_SUCCESS && current.cap.ConType == TWON_ONEVALUE) {
    Container set = capCall(id, MSG_SET, TWON_ONEVALUE, current.cap.hContainer);
    TW_UINT16 condition = set.rc == TWRC_SUCCESS ? static_cast<TW_UINT16>(TWCC_SUCCESS) : sourceCondition();
    std::snprintf(what, sizeof what, "cap 0x%04x MSG_SET answer fits the row", id);
    check(writable ? (condition == TWCC_SUCCESS || condition == TWCC_BADVALUE) : condition == TWCC_CAPBADOPERATION,
          what);
  }
  freeContainer(current);

  Container unknownMessage = capCall(id, MSG_GETFIRST);
  std::snprintf(what, sizeof what, "cap 0x%04x MSG_GETFIRST unsupported", id);
  check(unknownMessage.rc == TWRC_FAILURE && sourceCondition() == TWCC_CAPUNSUPPORTED, what);
}

void walkCapabilities() {
  Container supported = capCall(CAP_SUPPORTEDCAPS, MSG_GET);
  check(supported.rc == TWRC_SUCCESS && supported.cap.ConType == TWON_ARRAY, "CAP_SUPPORTEDCAPS is an array");
  if (supported.rc != TWRC_SUCCESS) return;
  const uint8_t* array = static_cast<const uint8_t*>(GlobalLock(supported.cap.hContainer));
  TW_UINT32 count;
  std::memcpy(&count, array + 2, 4);
  check(count == 40, "forty capabilities");
  TW_UINT16 ids[40] = {};
  for (TW_UINT32 i = 0; i < count && i < 40; ++i) std::memcpy(&ids[i], array + 6 + 2 * i, 2);
  GlobalUnlock(supported.cap.hContainer);
  freeContainer(supported);
  for (TW_UINT32 i = 0; i < count && i < 40; ++i) walkCapability(ids[i]);

  // A few values an application relies on.
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
  TW_ONEVALUE* one = static_cast<TW_ONEVALUE*>(GlobalLock(memory));
  one->ItemType = TWTY_UINT16;
  one->Item = TWSX_MEMORY;
  GlobalUnlock(memory);
  check(capCall(ICAP_XFERMECH, MSG_SET, TWON_ONEVALUE, memory).rc == TWRC_SUCCESS, "ICAP_XFERMECH := memory");
  one = static_cast<TW_ONEVALUE*>(GlobalLock(memory));
  one->Item = 3;
  GlobalUnlock(memory);
  check(capCall(ICAP_XFERMECH, MSG_SET, TWON_ONEVALUE, memory).rc == TWRC_FAILURE, "ICAP_XFERMECH := 3 refused");
  check(sourceCondition() == TWCC_BADVALUE, "ICAP_XFERMECH := 3 is a bad value");
  GlobalFree(memory);
  Container reset = capCall(ICAP_XFERMECH, MSG_RESET);
  freeContainer(reset);

  Container depth = capCall(ICAP_BITDEPTH, MSG_GET);
  bool depthOk = depth.rc == TWRC_SUCCESS && depth.cap.ConType == TWON_ENUMERATION;
  if (depthOk) {
    const TW_ENUMERATION* e = static_cast<const TW_ENUMERATION*>(GlobalLock(depth.cap.hContainer));
    TW_UINT16 first;
    std::memcpy(&first, e->ItemList, 2);
    depthOk = e->NumItems == 1 && first == 24;
    GlobalUnlock(depth.cap.hContainer);
  }
  check(depthOk, "ICAP_BITDEPTH is the enumeration {24}");
  freeContainer(depth);

  Container count1 = capCall(CAP_XFERCOUNT, MSG_GET);
  check(count1.rc == TWRC_SUCCESS && oneValueItem(count1) == 65535, "CAP_XFERCOUNT reads 65535");
  freeContainer(count1);
  Container none = capCall(0x7777, MSG_GET);
  check(none.rc == TWRC_FAILURE && sourceCondition() == TWCC_CAPUNSUPPORTED, "unknown capability unsupported");
}

// --- The rest of the state machine in state 4 ------------------------------
void checkState4Answers() {
  LONG before = boxesSeen;
  TW_USERINTERFACE ui{1, 0, appWindow};
  // No camera behind the device paths: the window cannot open the camera,
  // the device link says so, and enabling fails.
  check(toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) == TWRC_FAILURE, "MSG_ENABLEDS without camera fails");
  check(driverBoxesSeen == 1, "the device link's box comes first");
  check(seenDriverBox.text == "Fail to find USB device driver.\nCheck the USB plug or the power of the USB set.",
        "the device link's box names the USB set");
  expectBox(before,
            "General failure in response to MSG_ENABLEDS.  There is a problem in communication of USB.\n"
            "Please disconnect the plug of USB and reconnect it.",
            "MSG_ENABLEDS");
  check(sourceCondition() == TWCC_LOWMEMORY, "MSG_ENABLEDS condition LOWMEMORY");
  check(sourceCondition() == TWCC_SUCCESS, "DAT_STATUS clears the condition");

  before = boxesSeen;
  TW_IMAGEINFO info{};
  check(toSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) == TWRC_FAILURE, "DAT_IMAGEINFO in state 4 fails");
  expectBox(before, "General failure in transfer.  DG DAT MSG is out of expected sequence.", "DAT_IMAGEINFO");
  check(sourceCondition() == TWCC_SEQERROR, "DAT_IMAGEINFO condition SEQERROR");

  before = boxesSeen;
  check(toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) == TWRC_FAILURE, "MSG_DISABLEDS in state 4 fails");
  expectBox(before, "General failure in response to MSG_DISABLEDS.  DG DAT MSG is out of expected sequence.",
            "MSG_DISABLEDS");

  TW_PENDINGXFERS pending{};
  check(toSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending) == TWRC_SUCCESS && pending.Count == 1,
        "DAT_PENDINGXFERS counts one");
  TW_SETUPMEMXFER memory{};
  check(toSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &memory) == TWRC_SUCCESS && memory.MinBufSize == 16384 &&
            memory.MaxBufSize == 65535 && memory.Preferred == 65535,
        "DAT_SETUPMEMXFER buffer sizes");
  TW_SETUPFILEXFER file{};
  check(toSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &file) == TWRC_SUCCESS &&
            std::strcmp(file.FileName, "c:\\twain.bmp") == 0 && file.Format == TWFF_BMP,
        "DAT_SETUPFILEXFER default file");
  TW_UINT32 group = 0;
  check(toSource(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group) == TWRC_SUCCESS && group == DG_IMAGE,
        "DAT_XFERGROUP is the image group");
  TW_IMAGELAYOUT layout{};
  check(toSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout) == TWRC_SUCCESS && layout.PageNumber == 88,
        "DAT_IMAGELAYOUT fixed layout");
  TW_HANDLE bitmap = nullptr;
  before = boxesSeen;
  check(toSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap) == TWRC_FAILURE && bitmap == nullptr,
        "native transfer in state 4 fails");
  expectBox(before, "General failure in response to DAT_IMAGENATIVEXFER.  DG DAT MSG is out of expected sequence.",
            "DAT_IMAGENATIVEXFER");
  check(toSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr) == TWRC_FAILURE, "file transfer without picture fails");
  check(sourceCondition() == TWCC_OPERATIONERROR, "file transfer condition OPERATIONERROR");
  check(boxesSeen == before + 1, "file transfer failure shows no box");
}

bool findOurSource() {
  TW_IDENTITY candidate{};
  TW_UINT16 rc = dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &candidate);
  bool found = false;
  int listed = 0;
  while (rc == TWRC_SUCCESS) {
    ++listed;
    std::printf("      source: \"%s\" by \"%s\"\n", candidate.ProductName, candidate.Manufacturer);
    if (std::strcmp(candidate.ProductName, kProductName) == 0) {
      source = candidate;
      found = true;
    }
    rc = dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &candidate);
  }
  check(listed >= 1, "the source manager lists sources");
  return found;
}

}  // namespace

int main() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "TwainTestApplication";
  RegisterClassA(&windowClass);
  appWindow = CreateWindowA("TwainTestApplication", "TWAIN test application", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, windowClass.hInstance, nullptr);
  check(appWindow != nullptr, "application window");
  HANDLE watcher = CreateThread(nullptr, 0, watchBoxes, nullptr, 0, nullptr);

  HMODULE manager = LoadLibraryA("TWAIN_32.DLL");
  dsmEntry = manager ? reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")))
                     : nullptr;
  check(dsmEntry != nullptr, "source manager loaded");
  if (!dsmEntry) return 1;

  app = testApplicationIdentity("twain_app");

  // This source manager takes the window handle itself as the parent.
  check(dsmEntry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, reinterpret_cast<TW_MEMREF>(appWindow)) ==
            TWRC_SUCCESS,
        "MSG_OPENDSM");
  bool found = findOurSource();
  check(found, "our source is listed by its product name");
  if (found) {
    check(dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) == TWRC_SUCCESS, "MSG_OPENDS");
    TW_IDENTITY id{};
    check(toSource(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id) == TWRC_SUCCESS, "DAT_IDENTITY MSG_GET");
    check(id.Id == source.Id && id.Id != 0, "identity carries the manager's Id");
    check(std::strcmp(id.Manufacturer, "Veltrum Quorlen Co. Ltd") == 0, "Manufacturer");
    check(std::strcmp(id.ProductFamily, "TWAIN") == 0, "ProductFamily");
    check(std::strcmp(id.ProductName, kProductName) == 0, "ProductName");
    check(std::strcmp(id.Version.Info, "Version 2.00.01 2003/08/26") == 0, "Version.Info");
    check(id.ProtocolMajor == 1 && id.ProtocolMinor == 6 && id.SupportedGroups == 3, "protocol and groups");
    check(sourceCondition() == TWCC_SUCCESS, "DAT_STATUS after open");

    walkCapabilities();
    checkState4Answers();

    check(dsmEntry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source) == TWRC_SUCCESS, "MSG_CLOSEDS");
  }
  check(dsmEntry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, reinterpret_cast<TW_MEMREF>(appWindow)) ==
            TWRC_SUCCESS,
        "MSG_CLOSEDSM");
  watching = 0;
  WaitForSingleObject(watcher, 2000);
  DestroyWindow(appWindow);
  std::printf("%d failed checks\n", failures);
  return failures;
}
