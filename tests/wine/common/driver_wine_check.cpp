// The driver-level checks of ZELB1 under Wine, against the simulated USB
// bus (sim_bus.cpp).
//
//   driver_wine_check install DIR\sim_bus.inf   registers the root-enumerated
//                                              bus and installs both drivers
//   driver_wine_check run                       the checks; exit code = failures
//
// The checks use the test build of ZELB1 (pipe-bind device-control code):
// the platform does not hand the path below the device name to the driver.
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <stdio.h>
#include <string.h>

#include "driver/logic/device_control.h"
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

bool plug(HANDLE bus, uint32_t slot, bool longConfig, bool failDeviceDescriptor = false) {
  simbus::PlugRequest request = {slot, longConfig ? 1u : 0u, failDeviceDescriptor ? 1u : 0u};
  return control(bus, simbus::kControlPlug, &request, sizeof(request), nullptr, 0, nullptr) == 0;
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

int run() {
  const uint32_t slotTwo = 1;
  HANDLE bus = waitForPath(L"\\\\.\\ZelSimBus", 20000);
  check(bus != INVALID_HANDLE_VALUE, "the simulated bus is up");
  if (bus == INVALID_HANDLE_VALUE) return failures;

  // --- first camera: numbering, start, one configuration read ---
  check(plug(bus, 0, false), "camera 1 plugged");
  HANDLE device = waitForPath(L"\\\\.\\ZELBxQ001", 20000);
  check(device != INVALID_HANDLE_VALUE, "first camera is \\\\.\\ZELBxQ001");
  if (device == INVALID_HANDLE_VALUE) return failures;
  simbus::SlotStats s = {};
  stats(bus, 0, &s);
  check(s.started == 1, "start reached the bus (passed down first)");
  check(s.deviceReads == 1 && s.configReads == 1 && s.configReadLength[0] == 265,
        "short configuration: device descriptor once, configuration read once at 265 bytes");
  check(s.selects == 1, "configuration selected once");

  // --- device-control codes and buffer checks ---
  LONG counter = 0;
  DWORD got = 0;
  check(control(device, zelb1::kControlGetDeviceCounter, nullptr, 0, &counter, 4, &got) == 0 && got == 4 &&
            counter == 1,
        "0x220200: device counter 1, 4 bytes");
  uint8_t big[4096];
  check(control(device, zelb1::kControlGetDeviceExtension, nullptr, 0, big, sizeof(big), &got) == 0 && got == 2448,
        "0x220204: 2448 bytes");
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

  // --- second camera: numbering 002, long configuration read twice ---
  check(plug(bus, 1, true), "camera 2 plugged (296-byte configuration)");
  HANDLE device2 = waitForPath(L"\\\\.\\ZELBxQ002", 20000);
  check(device2 != INVALID_HANDLE_VALUE, "second camera is \\\\.\\ZELBxQ002");
  s = {};
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

  // --- unplug while open, then replug ---
  check(unplug(bus, 0), "camera 1 unplugged while its pipes are open");
  check(waitForPathGone(L"\\\\.\\ZELBxQ001", 20000), "\\\\.\\ZELBxQ001 no longer opens");
  for (int n = 0; n < 100; ++n) {
    stats(bus, 0, &s);
    if (s.removals) break;
    Sleep(100);
  }
  check(s.removals == 1 && s.deconfigures == 1, "removal reached the bus and deconfigured once");
  io = readPipe(pipes[1], reply, 8);
  check(io.error != 0, "reads on the old handles fail");
  for (HANDLE h : pipes) CloseHandle(h);
  CloseHandle(device);

  check(plug(bus, 0, false), "camera 1 plugged in again");
  // 002 is still held by camera 2, so the counter passes over it.
  HANDLE again = waitForPath(L"\\\\.\\ZELBxQ003", 20000);
  check(again != INVALID_HANDLE_VALUE, "the replugged camera opens again (as 003 while 002 is held)");
  if (again != INVALID_HANDLE_VALUE) {
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
  for (int n = 0; n < 100; ++n) {
    stats(bus, 1, &s);
    if (s.removals) break;
    Sleep(100);
  }
  check(s.removals == 1 && s.deconfigures == 1, "stop then remove: deconfigured once");

  // --- a camera whose start fails before the device descriptor was read ---
  check(plug(bus, 1, false, true), "camera with a failing device descriptor plugged");
  for (int n = 0; n < 100; ++n) {
    stats(bus, 1, &s);
    if (s.deviceReads) break;
    Sleep(100);
  }
  check(s.deviceReads >= 1 && s.configReads == 0 && s.selects == 0, "its start stopped at the device descriptor");
  check(unplug(bus, 1), "and unplugged");
  for (int n = 0; n < 100; ++n) {
    stats(bus, 1, &s);
    if (s.removals) break;
    Sleep(100);
  }
  check(s.removals == 1 && s.deconfigures == 0, "its removal sent no deconfigure");

  CloseHandle(bus);
  printf("%d failure(s)\n", failures);
  return failures;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && wcscmp(argv[1], L"install") == 0) return install(argv[2]);
  if (argc == 2 && wcscmp(argv[1], L"run") == 0) return run();
  printf("usage: driver_wine_check install INF | run\n");
  return 2;
}
