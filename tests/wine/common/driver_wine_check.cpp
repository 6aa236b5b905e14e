// The driver-level checks of ZELB1 under Wine, against the simulated USB
// bus (sim_bus.cpp).
//
//   driver_wine_check install DIR\sim_bus.inf   registers the root-enumerated
//                                              bus and installs both drivers
//   driver_wine_check run                       the checks; exit code = failures
//   driver_wine_check race PATH ROUNDS          one of the two processes the
//                                              checks start to race for a pipe
//
// The checks use the test build of ZELB1 (pipe-bind device-control code):
// the platform does not hand the path below the device name to the driver.
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <stdio.h>
#include <string.h>

#include <initializer_list>

#include "driver/logic/device_control.h"
#include "driver/logic/extension_image.h"
#include "driver/logic/pipe_bind.h"
#include "tests/wine/common/sim_bus_controls.h"

namespace {

// "A device which does not exist was specified": what no such device
// (0xC000000E) becomes in user mode.
constexpr DWORD kErrorNoSuchDevice = 433;

int failures = 0;

void check(bool ok, const char* what) {
  printf("%s %s\n", ok ? "PASS" : "FAIL", what);
  fflush(stdout);
  if (!ok) ++failures;
}

// ------------------------------------------------------------------ install

int install(const wchar_t* infPath) {
  static const GUID kSystemClass = {0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
  const wchar_t hardwareId[] = L"root\\zelsimbus\0";
  HDEVINFO set = SetupDiCreateDeviceInfoList(&kSystemClass, nullptr);
  if (set == INVALID_HANDLE_VALUE) {
    printf("install: device list: %lu\n", GetLastError());
    return 1;
  }
  SP_DEVINFO_DATA info = {};
  info.cbSize = sizeof(info);
  if (!SetupDiCreateDeviceInfoW(set, L"System", &kSystemClass, nullptr, nullptr, DICD_GENERATE_ID, &info) ||
      !SetupDiSetDeviceRegistryPropertyW(set, &info, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(hardwareId),
                                         sizeof(hardwareId)) ||
      !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &info)) {
    printf("install: register bus: %lu\n", GetLastError());
    SetupDiDestroyDeviceInfoList(set);
    return 1;
  }
  SetupDiDestroyDeviceInfoList(set);
  BOOL reboot = FALSE;
  if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, L"root\\zelsimbus", infPath, INSTALLFLAG_FORCE, &reboot)) {
    printf("install: update driver: %lu\n", GetLastError());
    return 1;
  }
  printf("install: done\n");
  return 0;
}

// ------------------------------------------------------------------ helpers

HANDLE openPath(const wchar_t* path) {
  return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     0, nullptr);
}

// Waits until the path opens (PnP runs asynchronously).
HANDLE waitForPath(const wchar_t* path, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    HANDLE h = openPath(path);
    if (h != INVALID_HANDLE_VALUE || GetTickCount() - start > ms) return h;
    Sleep(100);
  }
}

bool waitForPathGone(const wchar_t* path, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    HANDLE h = openPath(path);
    if (h == INVALID_HANDLE_VALUE) return true;
    CloseHandle(h);
    if (GetTickCount() - start > ms) return false;
    Sleep(100);
  }
}

// Device control; returns the system error code (0 on success).
DWORD control(HANDLE h, DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength, DWORD* returned) {
  DWORD got = 0;
  BOOL ok = DeviceIoControl(h, code, const_cast<void*>(in), inLength, out, outLength, &got, nullptr);
  if (returned) *returned = got;
  return ok ? 0 : GetLastError();
}

// A device handle bound to pipe \0\0\0\p (or another name).
DWORD bindPipe(HANDLE h, const wchar_t* name) {
  return control(h, zelb1::kControlBindPipe, name, static_cast<DWORD>(wcslen(name) * sizeof(wchar_t)), nullptr, 0,
                 nullptr);
}

bool stats(HANDLE bus, uint32_t slot, simbus::SlotStats* out) {
  DWORD got = 0;
  return control(bus, simbus::kControlStats, &slot, sizeof(slot), out, sizeof(*out), &got) == 0 &&
         got == sizeof(*out);
}

struct PlugOptions {
  bool longConfig;
  bool failDeviceDescriptor;
  bool holdStart;
  bool holdSurpriseRemoval;
};

bool plug(HANDLE bus, uint32_t slot, PlugOptions options) {
  simbus::PlugRequest request = {};
  request.slot = slot;
  request.longConfig = options.longConfig;
  request.failDeviceDescriptor = options.failDeviceDescriptor;
  request.holdStart = options.holdStart;
  request.holdSurpriseRemoval = options.holdSurpriseRemoval;
  return control(bus, simbus::kControlPlug, &request, sizeof(request), nullptr, 0, nullptr) == 0;
}

// A control of the bus that names one slot; returns the system error code.
DWORD slotControl(HANDLE bus, DWORD code, uint32_t slot) {
  return control(bus, code, &slot, sizeof(slot), nullptr, 0, nullptr);
}

DWORD power(HANDLE bus, uint32_t slot, uint32_t minor, uint32_t type, uint32_t state) {
  simbus::PowerRequest request = {slot, minor, type, state};
  return control(bus, simbus::kControlPower, &request, sizeof(request), nullptr, 0, nullptr);
}

// The system error code user mode sees for a driver status.
DWORD win32Of(uint32_t status) {
  typedef ULONG(WINAPI * Convert)(LONG);
  static Convert convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
  return convert ? convert(static_cast<LONG>(status)) : 0xFFFFFFFF;
}

// Polls the slot's counters until `done` holds or ms pass; leaves the last
// counters in *s.
template <class Done>
bool waitForStats(HANDLE bus, uint32_t slot, simbus::SlotStats* s, DWORD ms, Done done) {
  DWORD start = GetTickCount();
  for (;;) {
    *s = {};
    if (stats(bus, slot, s) && done(*s)) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(50);
  }
}

// Waits until the device answers for its interface 0: it is started (its
// path opens as soon as it is published, before its start).
bool waitUntilStarted(HANDLE device) {
  uint8_t interface0[256];
  DWORD got = 0;
  DWORD start = GetTickCount();
  while (control(device, zelb1::kControlGetInterface0, nullptr, 0, interface0, sizeof(interface0), &got) != 0) {
    if (GetTickCount() - start > 20000) return false;
    Sleep(50);
  }
  return true;
}

// The caller's copy of the device extension (device control 0x220204).
bool extensionCopy(HANDLE device, zelb1::ExtensionHead* head, bool* tailZero) {
  static uint8_t copy[zelb1::kDeviceExtensionSize];
  DWORD got = 0;
  if (control(device, zelb1::kControlGetDeviceExtension, nullptr, 0, copy, sizeof(copy), &got) != 0 ||
      got != sizeof(copy))
    return false;
  memcpy(head, copy, sizeof(*head));
  *tailZero = true;
  for (size_t k = sizeof(*head); k < sizeof(copy); ++k) *tailZero = *tailZero && copy[k] == 0;
  return true;
}

bool unplug(HANDLE bus, uint32_t slot) {
  return control(bus, simbus::kControlUnplug, &slot, sizeof(slot), nullptr, 0, nullptr) == 0;
}

struct Io {
  DWORD error;
  DWORD bytes;
  DWORD ms;
};

Io writePipe(HANDLE h, const void* data, DWORD count) {
  Io io = {0, 0, GetTickCount()};
  if (!WriteFile(h, data, count, &io.bytes, nullptr)) io.error = GetLastError();
  io.ms = GetTickCount() - io.ms;
  return io;
}

Io readPipe(HANDLE h, void* data, DWORD count) {
  Io io = {0, 0, GetTickCount()};
  if (!ReadFile(h, data, count, &io.bytes, nullptr)) io.error = GetLastError();
  io.ms = GetTickCount() - io.ms;
  return io;
}

// One command block and its reply.
bool exchange(HANDLE command, HANDLE reply, uint8_t code, uint8_t parameter, uint8_t out[8]) {
  const uint8_t block[8] = {0xA0, code, 0, parameter, 0, 0, 0, 0xAF};
  Io w = writePipe(command, block, 8);
  if (w.error || w.bytes != 8) return false;
  Io r = readPipe(reply, out, 8);
  return r.error == 0 && r.bytes == 8 && out[0] == 0xA0 && out[1] == code;
}

// ------------------------------------------------------------------ checks

constexpr uint32_t kStatusDeviceNotReady = 0xC00000A3;
constexpr uint32_t kStatusDeviceNotConnected = 0xC000009D;
constexpr DWORD kWaitMs = 20000;

// The first camera, started: its device object, the caller's copy of its
// extension, system control, power.
void checkStartedCamera(HANDLE bus, HANDLE device) {
  simbus::SlotStats s = {};
  zelb1::ExtensionHead head = {};
  bool tailZero = false;
  bool copied = extensionCopy(device, &head, &tailZero);
  bool noAddress = head.pdo == 0 && head.lowerDevice == 0 && head.configDescriptor == 0 &&
                   head.configurationHandle == 0 && head.deviceDescriptor == 0 && head.pendingPowerIrp == 0;
  for (uintptr_t copy : head.interfaces) noAddress = noAddress && copy == 0;
  check(copied && noAddress && tailZero, "0x220204: 2448 bytes without a kernel address");
  check(head.deviceNumber == 1 && head.started == 1 && head.unconfigured == 0,
        "0x220204: number, started and configured in their places");

  check(slotControl(bus, simbus::kControlSystemControl, 0) == 0, "a system-control request comes back");
  stats(bus, 0, &s);
  check(s.systemControls == 1, "the system-control request was passed down to the bus");

  // System sleep records D3, the working state D0 (once completed); a
  // device request for the recorded state is passed down alone, one for
  // another state first makes the driver ask for that state itself.
  simbus::SlotStats before = {};
  stats(bus, 0, &before);
  check(power(bus, 0, simbus::kSetPower, simbus::kPowerSystem, PowerSystemSleeping3) == 0 &&
            extensionCopy(device, &head, &tailZero) && head.devicePowerState == 4,
        "set power S3: answered, D3 recorded");
  check(power(bus, 0, simbus::kSetPower, simbus::kPowerDevice, PowerDeviceD3) == 0,
        "set power D3 (the recorded state): answered");
  simbus::SlotStats afterD3 = {};
  stats(bus, 0, &afterD3);
  check(afterD3.deviceSetPowers == before.deviceSetPowers + 1, "D3 went down alone");
  DWORD wake = power(bus, 0, simbus::kSetPower, simbus::kPowerDevice, PowerDeviceD0);
  simbus::SlotStats afterD0 = {};
  stats(bus, 0, &afterD0);
  printf("     set power D0: error %lu, device requests at the bus %lu -> %lu\n", wake,
         static_cast<unsigned long>(afterD3.deviceSetPowers), static_cast<unsigned long>(afterD0.deviceSetPowers));
  check(wake == 0 && afterD0.deviceSetPowers == afterD3.deviceSetPowers + 2 && afterD0.lastDeviceState == PowerDeviceD0,
        "set power D0 while D3 is recorded: the driver's own D0 request, then the held one, reach the bus");
  check(power(bus, 0, simbus::kSetPower, simbus::kPowerSystem, PowerSystemWorking) == 0 &&
            extensionCopy(device, &head, &tailZero) && head.devicePowerState == 1,
        "set power S0: answered, D0 recorded on completion");
  check(power(bus, 0, simbus::kQueryPower, simbus::kPowerSystem, PowerSystemSleeping3) == 0,
        "query power S3: answered");
  stats(bus, 0, &s);
  check(s.systemSetPowers == before.systemSetPowers + 2 && s.queryPowers == before.queryPowers + 1,
        "system set-power and query-power requests were passed down");
}

// Stop with a read in flight: the read finishes by its own limit before
// the camera is deconfigured, new I/O is refused while stopped, and a new
// start serves the old pipe handles again.
struct ReadJob {
  HANDLE pipe;
  Io io;
};

DWORD WINAPI readInFlight(void* context) {
  auto job = static_cast<ReadJob*>(context);
  uint8_t reply[8];
  job->io = readPipe(job->pipe, reply, sizeof(reply));
  return 0;
}

void checkStopAndStartWithReadInFlight(HANDLE bus, HANDLE device, HANDLE pipes[4]) {
  simbus::SlotStats s = {};
  ReadJob job = {pipes[1], {}};
  HANDLE thread = CreateThread(nullptr, 0, readInFlight, &job, 0, nullptr);
  check(waitForStats(bus, 0, &s, kWaitMs, [](const simbus::SlotStats& x) { return x.pendingNow >= 1; }),
        "a read of the reply pipe is waiting at the camera");
  const uint32_t transfersBefore = s.transfers;
  DWORD stop = slotControl(bus, simbus::kControlStop, 0);
  bool readDone = WaitForSingleObject(thread, kWaitMs) == WAIT_OBJECT_0;
  CloseHandle(thread);
  stats(bus, 0, &s);
  printf("     stop: error %lu; the read in flight: error %lu after %lu ms\n", stop, job.io.error, job.io.ms);
  check(stop == 0 && readDone && job.io.error == ERROR_SEM_TIMEOUT,
        "stop succeeded; the read in flight ended by its own 5 s limit");
  check(s.deconfigures == 1 && s.pendingAtDeconfigure == 0,
        "stop deconfigured once, after the read in flight had finished");

  const DWORD notReady = win32Of(kStatusDeviceNotReady);
  uint8_t reply[8];
  Io io = readPipe(pipes[1], reply, sizeof(reply));
  HANDLE opened = openPath(L"\\\\.\\ZELBxQ001");
  DWORD got = 0;
  uint8_t descriptor[18];
  DWORD descriptorError = control(device, zelb1::kControlGetDeviceDescriptor, nullptr, 0, descriptor, 18, &got);
  LONG counter = 0;
  DWORD counterError = control(device, zelb1::kControlGetDeviceCounter, nullptr, 0, &counter, 4, &got);
  stats(bus, 0, &s);
  check(io.error == notReady && s.transfers == transfersBefore, "while stopped: a read is refused (not ready) at once");
  check(opened != INVALID_HANDLE_VALUE && bindPipe(opened, L"\\0\\0\\0\\3") == notReady,
        "while stopped: the device opens, a pipe does not (not ready)");
  check(descriptorError == notReady && counterError == 0,
        "while stopped: descriptor reads are refused, the counter is answered");
  if (opened != INVALID_HANDLE_VALUE) CloseHandle(opened);

  check(slotControl(bus, simbus::kControlStart, 0) == 0, "start again succeeded");
  stats(bus, 0, &s);
  check(s.selects == 2, "the configuration was selected again");
  check(exchange(pipes[0], pipes[1], 0x61, 0, reply), "the old pipe handles work again after the new start");
}

// Two processes open the same pipe at the same moment, round after round:
// exactly one may hold it.
constexpr wchar_t kRaceGo[] = L"ZelPipeRaceGo";
constexpr wchar_t kRaceDone[] = L"ZelPipeRaceDone";
constexpr wchar_t kRaceClose[] = L"ZelPipeRaceClose";
constexpr wchar_t kRaceCounts[] = L"ZelPipeRaceCounts";
struct RaceCounts {
  volatile LONG winners;
  volatile LONG busy;
};

int raceChild(const wchar_t* path, int rounds) {
  HANDLE go = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, kRaceGo);
  HANDLE done = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, kRaceDone);
  HANDLE closeNow = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, kRaceClose);
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kRaceCounts);
  if (!go || !done || !closeNow || !mapping) return 1;
  auto counts = static_cast<RaceCounts*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(RaceCounts)));
  for (int round = 0; round < rounds; ++round) {
    if (WaitForSingleObject(go, kWaitMs) != WAIT_OBJECT_0) return 1;
    HANDLE h = openPath(path);
    DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : bindPipe(h, L"\\0\\0\\0\\2");
    if (error == 0) InterlockedIncrement(&counts->winners);
    if (error == ERROR_BUSY) InterlockedIncrement(&counts->busy);
    ReleaseSemaphore(done, 1, nullptr);
    if (WaitForSingleObject(closeNow, kWaitMs) != WAIT_OBJECT_0) return 1;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    ReleaseSemaphore(done, 1, nullptr);
  }
  return 0;
}

void checkTwoProcessesRaceForOnePipe(const wchar_t* path) {
  const int kRounds = 10;
  HANDLE go = CreateSemaphoreW(nullptr, 0, 2, kRaceGo);
  HANDLE done = CreateSemaphoreW(nullptr, 0, 2, kRaceDone);
  HANDLE closeNow = CreateSemaphoreW(nullptr, 0, 2, kRaceClose);
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(RaceCounts), kRaceCounts);
  auto counts = static_cast<RaceCounts*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(RaceCounts)));
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t commandLine[2 * MAX_PATH];
  swprintf(commandLine, 2 * MAX_PATH, L"\"%ls\" race %ls %d", self, path, kRounds);
  PROCESS_INFORMATION children[2] = {};
  bool started = true;
  for (auto& child : children) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    started = started && CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &child);
  }
  auto both = [&](HANDLE semaphore) {
    return WaitForSingleObject(semaphore, kWaitMs) == WAIT_OBJECT_0 &&
           WaitForSingleObject(semaphore, kWaitMs) == WAIT_OBJECT_0;
  };
  int goodRounds = 0;
  for (int round = 0; started && round < kRounds; ++round) {
    counts->winners = counts->busy = 0;
    ReleaseSemaphore(go, 2, nullptr);
    if (!both(done)) break;
    if (counts->winners == 1 && counts->busy == 1) ++goodRounds;
    ReleaseSemaphore(closeNow, 2, nullptr);
    if (!both(done)) break;
  }
  for (auto& child : children) {
    if (!child.hProcess) continue;
    WaitForSingleObject(child.hProcess, kWaitMs);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
  }
  printf("     %d of %d rounds with one holder and one busy opener\n", goodRounds, kRounds);
  check(started && goodRounds == kRounds, "two processes opening pipe 2 at once: exactly one holds it, every round");
  UnmapViewOfFile(counts);
  for (HANDLE h : {go, done, closeNow, mapping}) CloseHandle(h);
}

// The camera is unplugged while its pipes are open; the bus holds the
// surprise removal: until the removal, new opens and I/O are refused at
// once and nothing more is sent to the camera.
void checkSurpriseRemoval(HANDLE bus, HANDLE device, HANDLE pipes[4]) {
  simbus::SlotStats s = {};
  stats(bus, 0, &s);
  const uint32_t deconfiguresBefore = s.deconfigures;
  check(unplug(bus, 0), "camera 1 unplugged while its pipes are open");
  check(waitForStats(bus, 0, &s, kWaitMs, [](const simbus::SlotStats& x) { return x.surpriseRemovals == 1; }),
        "its surprise removal reached the bus (held there)");
  const DWORD gone = win32Of(kStatusDeviceNotConnected);
  // Wine does not hand the driver's answer to a create back to the caller:
  // the new handle's pipe open (bind) shows it.
  HANDLE late = openPath(L"\\\\.\\ZELBxQ001");
  DWORD openError = late == INVALID_HANDLE_VALUE ? GetLastError() : bindPipe(late, L"\\0\\0\\0\\2");
  if (late != INVALID_HANDLE_VALUE) CloseHandle(late);
  uint8_t reply[8];
  Io io = readPipe(pipes[1], reply, 8);
  LONG counter = 0;
  DWORD got = 0;
  DWORD controlError = control(device, zelb1::kControlGetDeviceCounter, nullptr, 0, &counter, 4, &got);
  stats(bus, 0, &s);
  printf("     after the surprise removal: open error %lu, read error %lu, control error %lu (not connected: %lu)\n",
         openError, io.error, controlError, gone);
  check(openError == gone && io.error == gone && controlError == gone,
        "after the surprise removal: open, read and device control refused with device not connected");
  check(s.transfersAfterSurpriseRemoval == 0, "after the surprise removal: nothing more was sent to the camera");

  check(slotControl(bus, simbus::kControlRelease, 0) == 0, "the surprise removal goes on");
  check(waitForPathGone(L"\\\\.\\ZELBxQ001", kWaitMs), "\\\\.\\ZELBxQ001 no longer opens");
  waitForStats(bus, 0, &s, kWaitMs, [](const simbus::SlotStats& x) { return x.removals == 1; });
  check(s.removals == 1 && s.deconfigures == deconfiguresBefore + 1, "removal reached the bus and deconfigured once");
  io = readPipe(pipes[1], reply, 8);
  check(io.error != 0, "reads on the old handles fail");
}

// The device numbers whose paths open now, as a bit set (1..31).
uint32_t openDevices() {
  uint32_t present = 0;
  for (int n = 1; n < 32; ++n) {
    wchar_t path[32];
    swprintf(path, 32, L"\\\\.\\ZELBxQ%03d", n);
    HANDLE h = openPath(path);
    if (h == INVALID_HANDLE_VALUE) continue;
    present |= 1u << n;
    CloseHandle(h);
  }
  return present;
}

// A camera whose start the bus holds: its device is published and opens,
// but nothing that needs the camera reaches it before the start is done.
void checkPublishedBeforeStart(HANDLE bus) {
  simbus::SlotStats s = {};
  const uint32_t before = openDevices();
  check(plug(bus, 1, {false, false, true, false}), "camera with a held start plugged");
  HANDLE early = INVALID_HANDLE_VALUE;
  for (DWORD start = GetTickCount(); early == INVALID_HANDLE_VALUE && GetTickCount() - start < kWaitMs; Sleep(50)) {
    uint32_t added = openDevices() & ~before;
    for (int n = 1; n < 32 && early == INVALID_HANDLE_VALUE; ++n) {
      if (!(added & (1u << n))) continue;
      wchar_t path[32];
      swprintf(path, 32, L"\\\\.\\ZELBxQ%03d", n);
      early = openPath(path);
    }
  }
  check(early != INVALID_HANDLE_VALUE, "its device opens while the start is held");
  if (early == INVALID_HANDLE_VALUE) return;
  uint8_t descriptor[18];
  DWORD got = 0;
  DWORD descriptorError = control(early, zelb1::kControlGetDeviceDescriptor, nullptr, 0, descriptor, 18, &got);
  DWORD pipeError = bindPipe(early, L"\\0\\0\\0\\0");
  stats(bus, 1, &s);
  printf("     before start: descriptor read error %lu, pipe error %lu, URBs at the bus %lu\n", descriptorError,
         pipeError, static_cast<unsigned long>(s.urbsBeforeStart));
  check(s.started == 0 && descriptorError == win32Of(kStatusDeviceNotReady) && pipeError == kErrorNoSuchDevice,
        "before its start: the descriptor read is refused (not ready), no pipe opens");
  check(s.urbsBeforeStart == 0, "before its start: no request reached the camera");
  check(slotControl(bus, simbus::kControlRelease, 1) == 0, "the start goes on");
  bool served = false;
  for (DWORD start = GetTickCount(); !served && GetTickCount() - start < kWaitMs; Sleep(50))
    served = control(early, zelb1::kControlGetDeviceDescriptor, nullptr, 0, descriptor, 18, &got) == 0;
  check(served, "after its start the descriptor read is answered");
  CloseHandle(early);
  check(unplug(bus, 1), "and unplugged");
  check(waitForStats(bus, 1, &s, kWaitMs, [](const simbus::SlotStats& x) { return x.removals == 1; }),
        "its removal reached the bus");
}

int run() {
  const uint32_t slotTwo = 1;
  HANDLE bus = waitForPath(L"\\\\.\\ZelSimBus", kWaitMs);
  check(bus != INVALID_HANDLE_VALUE, "the simulated bus is up");
  if (bus == INVALID_HANDLE_VALUE) return failures;

  // --- first camera: numbering, start, one configuration read ---
  check(plug(bus, 0, {false, false, false, true}), "camera 1 plugged");
  HANDLE device = waitForPath(L"\\\\.\\ZELBxQ001", kWaitMs);
  check(device != INVALID_HANDLE_VALUE, "first camera is \\\\.\\ZELBxQ001");
  if (device == INVALID_HANDLE_VALUE) return failures;
  simbus::SlotStats s = {};
  check(waitUntilStarted(device), "camera 1 started");
  stats(bus, 0, &s);
  check(s.started == 1, "start reached the bus (passed down first)");
  check(s.deviceReads == 1 && s.configReads == 1 && s.configReadLength[0] == 265,
        "short configuration: device descriptor once, configuration read once at 265 bytes");
  check(s.selects == 1, "configuration selected once");
  checkStartedCamera(bus, device);
  // --- device-control codes and buffer checks ---
  LONG counter = 0;
  DWORD got = 0;
  check(control(device, zelb1::kControlGetDeviceCounter, nullptr, 0, &counter, 4, &got) == 0 && got == 4 &&
            counter == 1,
        "0x220200: device counter 1, 4 bytes");
  uint8_t big[4096];
  check(control(device, zelb1::kControlGetDeviceDescriptor, nullptr, 0, big, 18, &got) == 0 && got == 18 &&
            big[0] == 18 && big[1] == 1 && big[8] == 0xF0 && big[9] == 0xFF && big[10] == 0xB1 && big[11] == 0,
        "0x220208: device descriptor read now, 18 bytes, ids FFF0/00B1");
  check(control(device, zelb1::kControlGetDeviceDescriptor, nullptr, 0, big, 17, &got) ==
            ERROR_INSUFFICIENT_BUFFER,
        "0x220208 with 17 bytes: refused, buffer too small");
  memset(big, 0xCC, sizeof(big));
  check(control(device, zelb1::kControlGetConfigDescriptor, nullptr, 0, big, 265, &got) == 0 && got == 265 &&
            big[1] == 2 && big[2] == 46 && big[46] == 0 && big[264] == 0,
        "0x22020C: 265 bytes, descriptor then zeros");
  check(control(device, zelb1::kControlGetConfigDescriptor, nullptr, 0, big, 264, &got) ==
            ERROR_INSUFFICIENT_BUFFER,
        "0x22020C with 264 bytes: refused");
  check(control(device, zelb1::kControlGetBusVersion, nullptr, 0, big, 8, &got) == 0 && got == 8,
        "0x220210: bus driver version, 8 bytes");
  check(control(device, zelb1::kControlGetBusVersion, nullptr, 0, big, 7, &got) == ERROR_INSUFFICIENT_BUFFER,
        "0x220210 with 7 bytes: refused");
  DWORD interfaceBytes = 0;
  DWORD e = control(device, zelb1::kControlGetInterface0, nullptr, 0, big, sizeof(big), &interfaceBytes);
  // Header and pipe entries: 16 and 20 bytes on 32-bit systems, 24 and 24
  // on 64-bit ones; the pipe count is the header's last field.
  const DWORD header = sizeof(void*) == 8 ? 24 : 16;
  const DWORD perPipe = sizeof(void*) == 8 ? 24 : 20;
  const DWORD countAt = sizeof(void*) == 8 ? 16 : 12;
  check(e == 0 && interfaceBytes == header + perPipe * 4 && *reinterpret_cast<uint32_t*>(big + countAt) == 4,
        "0x220214: interface 0 copy, header and four pipes");
  check(control(device, zelb1::kControlGetInterface0, nullptr, 0, big, interfaceBytes - 1, &got) ==
            ERROR_INSUFFICIENT_BUFFER,
        "0x220214 one byte short: refused");
  check(control(device, 0x220218, nullptr, 0, big, sizeof(big), &got) == ERROR_INVALID_PARAMETER,
        "unknown code: invalid parameter");

  // --- pipes: binding, one open per pipe ---
  HANDLE pipes[4];
  const wchar_t* names[4] = {L"\\0\\0\\0\\0", L"\\0\\0\\0\\1", L"\\0\\0\\0\\2", L"\\0\\0\\0\\3"};
  bool bound = true;
  for (int p = 0; p < 4; ++p) {
    pipes[p] = openPath(L"\\\\.\\ZELBxQ001");
    bound = bound && pipes[p] != INVALID_HANDLE_VALUE && bindPipe(pipes[p], names[p]) == 0;
  }
  check(bound, "pipes 0..3 bound");
  HANDLE second = openPath(L"\\\\.\\ZELBxQ001");
  check(bindPipe(second, L"\\0\\0\\0\\3") == ERROR_BUSY, "second opener of pipe 3: busy (170)");
  DWORD noPipe = bindPipe(second, L"\\0\\0\\0\\9");
  DWORD noInterface = bindPipe(second, L"\\0\\1\\0\\0");
  printf("     unknown pipe: error %lu, unknown interface: error %lu\n", noPipe, noInterface);
  check(noPipe == kErrorNoSuchDevice, "pipe 9 of a 4-pipe interface: no such device (433)");
  check(noInterface == kErrorNoSuchDevice, "interface 1: no such device (433)");
  uint8_t block[8] = {};
  Io io = readPipe(second, block, 8);
  check(io.error == ERROR_INVALID_FUNCTION, "read on the device handle itself: invalid device request");
  CloseHandle(second);

  // --- exchanges, short read, time-out ---
  uint8_t reply[8] = {};
  bool ready = false;
  for (int n = 0; n < 10 && !ready; ++n)
    ready = exchange(pipes[0], pipes[1], 0x61, 0, reply) && reply[2] == 0x80;
  check(ready, "status query answered through the driver, camera ready");
  bool picture = exchange(pipes[0], pipes[1], 0x31, 2, reply) && exchange(pipes[0], pipes[1], 0x32, 5, reply) &&
                 exchange(pipes[0], pipes[1], 0x33, 5, reply);
  check(picture, "select size 2, hold, transfer");
  static uint8_t frame[131072];
  io = readPipe(pipes[3], frame, sizeof(frame));
  check(io.error == 0 && io.bytes == 256 * 192 * 2, "short read: 131072 asked, 98304 moved and reported");
  exchange(pipes[0], pipes[1], 0x32, 10, reply);
  io = readPipe(pipes[1], reply, 8);
  printf("     time-out read: error %lu, %lu bytes, %lu ms\n", io.error, io.bytes, io.ms);
  check(io.error == ERROR_SEM_TIMEOUT && io.bytes == 0 && io.ms >= 4500 && io.ms < 9000,
        "unserved read ends after 5 s with error 121 and no bytes");
  s = {};
  stats(bus, 0, &s);
  check(s.cancelled >= 1, "the timed-out transfer was cancelled at the bus");
  ready = exchange(pipes[0], pipes[1], 0x61, 0, reply);
  check(ready, "the pipe works again after a time-out");

  checkStopAndStartWithReadInFlight(bus, device, pipes);

  // --- second camera: numbering 002, long configuration read twice ---
  check(plug(bus, 1, {true, false, false, false}), "camera 2 plugged (296-byte configuration)");
  HANDLE device2 = waitForPath(L"\\\\.\\ZELBxQ002", kWaitMs);
  check(device2 != INVALID_HANDLE_VALUE && waitUntilStarted(device2), "second camera is \\\\.\\ZELBxQ002");
  stats(bus, 1, &s);
  check(s.configReads == 2 && s.configReadLength[0] == 265 && s.configReadLength[1] == 296 && s.selects == 1,
        "long configuration: read at 265, then again at 296, selected once");
  check(control(device, zelb1::kControlGetDeviceCounter, nullptr, 0, &counter, 4, &got) == 0 && counter == 2,
        "device counter 2");
  if (device2 != INVALID_HANDLE_VALUE) {
    check(control(device2, zelb1::kControlGetConfigDescriptor, nullptr, 0, big, 265, &got) == 0 && got == 265 &&
              big[2] == (296 & 0xFF) && big[3] == 1,
          "0x22020C on camera 2: first 265 bytes of the 296");
    CloseHandle(device2);
  }
  checkTwoProcessesRaceForOnePipe(L"\\\\.\\ZELBxQ002");

  // --- unplug while open (surprise removal held at the bus), then replug ---
  checkSurpriseRemoval(bus, device, pipes);
  for (HANDLE h : pipes) CloseHandle(h);
  CloseHandle(device);

  check(plug(bus, 0, {false, false, false, false}), "camera 1 plugged in again");
  // 002 is still held by camera 2, so the numbering passes over it.
  HANDLE again = waitForPath(L"\\\\.\\ZELBxQ003", kWaitMs);
  check(again != INVALID_HANDLE_VALUE, "the replugged camera opens again (as 003 while 002 is held)");
  if (again != INVALID_HANDLE_VALUE) {
    check(control(again, zelb1::kControlGetDeviceCounter, nullptr, 0, &counter, 4, &got) == 0 && counter == 2,
          "device counter 2: two cameras, although a number was passed over");
    check(waitUntilStarted(again), "it starts");
    HANDLE p0 = openPath(L"\\\\.\\ZELBxQ003");
    check(p0 != INVALID_HANDLE_VALUE && bindPipe(p0, L"\\0\\0\\0\\0") == 0, "its pipe 0 binds");
    if (p0 != INVALID_HANDLE_VALUE) CloseHandle(p0);
    CloseHandle(again);
  }

  // --- stop then remove: one deconfigure ---
  check(control(bus, simbus::kControlStop, &slotTwo, sizeof(slotTwo), nullptr, 0, nullptr) == 0,
        "camera 2: stop request succeeded");
  stats(bus, 1, &s);
  check(s.deconfigures == 1, "stop deconfigured camera 2");
  check(unplug(bus, 1), "camera 2 unplugged");
  waitForStats(bus, 1, &s, kWaitMs, [](const simbus::SlotStats& x) { return x.removals == 1; });
  check(s.removals == 1 && s.deconfigures == 1, "stop then remove: deconfigured once");

  // --- a camera whose start fails before the device descriptor was read ---
  check(plug(bus, 1, {false, true, false, false}), "camera with a failing device descriptor plugged");
  waitForStats(bus, 1, &s, kWaitMs, [](const simbus::SlotStats& x) { return x.deviceReads >= 1; });
  check(s.deviceReads >= 1 && s.configReads == 0 && s.selects == 0, "its start stopped at the device descriptor");
  check(unplug(bus, 1), "and unplugged");
  waitForStats(bus, 1, &s, kWaitMs, [](const simbus::SlotStats& x) { return x.removals == 1; });
  check(s.removals == 1 && s.deconfigures == 0, "its removal sent no deconfigure");

  checkPublishedBeforeStart(bus);

  CloseHandle(bus);
  printf("%d failure(s)\n", failures);
  return failures;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && wcscmp(argv[1], L"install") == 0) return install(argv[2]);
  if (argc == 2 && wcscmp(argv[1], L"run") == 0) return run();
  if (argc == 4 && wcscmp(argv[1], L"race") == 0) return raceChild(argv[2], _wtoi(argv[3]));
  printf("usage: driver_wine_check install INF | run | race PATH ROUNDS\n");
  return 2;
}
