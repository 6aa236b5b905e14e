// The end-to-end checks of the device link over ZELB1 under Wine, and the
// camera controls of the end-to-end scenario (tests/wine/driver_e2e/run.sh).
//
//   driver_e2e_check plug SLOT NUMBER     plugs the simulated camera of SLOT
//                                         and waits until \\.\ZELBxQ<NUMBER>
//                                         opens
//   driver_e2e_check unplug SLOT NUMBER   unplugs it and waits until the path
//                                         is gone and the camera's device
//                                         object removed
//   driver_e2e_check transfers SLOT       prints the number of transfers the
//                                         camera of SLOT has taken
//   driver_e2e_check notify TITLE         the system's device-change notice
//                                         (device nodes changed) to the
//                                         top-level window of that title
//   driver_e2e_check link                 the device-link checks; the bus must
//                                         have no camera plugged; exit code =
//                                         failures
//
// The program is 32-bit like the deliverables; it reaches the driver through
// the pipe-bind seam (pipe_bind_seam.h), the only difference from the
// shipped programs' way of opening the camera.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "devlink/device_link.h"
#include "devlink/frame_pipeline.h"
#include "platform/platform.h"
#include "sim/sim_camera.h"
#include "tests/wine/common/sim_bus_controls.h"
#include "tests/wine/driver_e2e/pipe_bind_seam.h"

using namespace devlink;

namespace {

constexpr DWORD kPnpWaitMs = 20000;

int failures = 0;

void check(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "PASS" : "FAIL", what);
  std::fflush(stdout);
  if (!ok) ++failures;
}

void note(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::printf("     ");
  std::vprintf(format, args);
  std::printf("\n");
  std::fflush(stdout);
  va_end(args);
}

// ------------------------------------------------------------------ bus

HANDLE openBus() {
  const DWORD start = GetTickCount();
  for (;;) {
    HANDLE bus = CreateFileW(L"\\\\.\\ZelSimBus", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (bus != INVALID_HANDLE_VALUE || GetTickCount() - start > kPnpWaitMs) return bus;
    Sleep(100);
  }
}

DWORD control(HANDLE h, DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength) {
  DWORD got = 0;
  return DeviceIoControl(h, code, const_cast<void*>(in), inLength, out, outLength, &got, nullptr) ? 0
                                                                                                     : GetLastError();
}

bool slotStats(HANDLE bus, uint32_t slot, simbus::SlotStats* out) {
  *out = simbus::SlotStats{};
  return control(bus, simbus::kControlStats, &slot, sizeof slot, out, sizeof *out) == 0;
}

bool addFault(HANDLE bus, uint32_t slot, uint8_t kind, uint8_t pipe, uint8_t direction, uint32_t nth, uint32_t times) {
  simbus::FaultRequest request = {};
  request.slot = slot;
  request.kind = kind;
  request.pipe = pipe;
  request.direction = direction;
  request.nth = nth;
  request.times = times;
  return control(bus, simbus::kControlFault, &request, sizeof request, nullptr, 0) == 0;
}

std::string devicePathFor(unsigned number) {
  char path[32];
  std::snprintf(path, sizeof path, "\\\\.\\ZELBxQ%3.3u", number);
  return path;
}

bool pathOpens(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool waitPath(const std::string& path, bool present, DWORD ms) {
  const DWORD start = GetTickCount();
  while (pathOpens(path) != present) {
    if (GetTickCount() - start > ms) return false;
    Sleep(50);
  }
  return true;
}

// Plugs a camera and waits for its device path.
bool plug(HANDLE bus, uint32_t slot, unsigned number) {
  simbus::PlugRequest request = {slot, 0, 0};
  const DWORD code = control(bus, simbus::kControlPlug, &request, sizeof request, nullptr, 0);
  if (code != 0) {
    note("plug slot %u: error %lu", slot, code);
    return false;
  }
  return waitPath(devicePathFor(number), true, kPnpWaitMs);
}

// Unplugs a camera and waits until its path is gone and its device object
// has been removed (the bus refuses a new plug in the slot until then).
bool unplug(HANDLE bus, uint32_t slot, unsigned number) {
  const DWORD code = control(bus, simbus::kControlUnplug, &slot, sizeof slot, nullptr, 0);
  if (code != 0) {
    note("unplug slot %u: error %lu", slot, code);
    return false;
  }
  if (!waitPath(devicePathFor(number), false, kPnpWaitMs)) return false;
  const DWORD start = GetTickCount();
  simbus::SlotStats s;
  while (slotStats(bus, slot, &s) && s.pdoExists) {
    if (GetTickCount() - start > kPnpWaitMs) return false;
    Sleep(50);
  }
  return true;
}

// ------------------------------------------------------------------ link checks

// Message boxes are recorded, never shown.
std::string lastBox;
int recordBox(plat::WindowHandle, const char* text, const char* caption, uint32_t) {
  lastBox = std::string(caption) + ": " + text;
  note("message box [%s]", lastBox.c_str());
  return plat::kIdOk;
}
// waitReady ends the program when the camera answers nothing at all; here
// that is a failure, not the silent exit code 0 of the viewer.
void refuseExit(uint32_t code) {
  check(false, "the device link did not end the program");
  std::fflush(stdout);
  ExitProcess(100 + code);
}

uint32_t transfersOf(HANDLE bus, uint32_t slot) {
  simbus::SlotStats s;
  slotStats(bus, slot, &s);
  return s.transfers;
}

// One live frame as the acquisition thread reads it: select, hold, transfer,
// chunks, release.
bool readLiveFrame(FramePipeline& pipeline) {
  if (!pipeline.selectSize(kLivePicture) || !pipeline.storeImage()) return false;
  Sleep(70);
  if (!pipeline.startTransfer()) return false;
  int chunks = 0;
  while (pipeline.frameInProgress && chunks < 64) {
    if (!pipeline.readChunk(kLivePicture)) return false;
    ++chunks;
  }
  return !pipeline.frameInProgress && pipeline.releaseImage();
}

// Distinct colours among every 7th pixel of the live bitmap.
int distinctColours(const uint8_t* image, uint32_t bytes) {
  static uint8_t seen[1 << 21];  // one bit per 24-bit colour
  std::memset(seen, 0, sizeof seen);
  int count = 0;
  for (uint32_t at = 0; at + 3 <= bytes; at += 3 * 7) {
    const uint32_t colour = image[at] | (image[at + 1] << 8) | (image[at + 2] << 16);
    if (!(seen[colour >> 3] & (1u << (colour & 7)))) {
      seen[colour >> 3] |= static_cast<uint8_t>(1u << (colour & 7));
      ++count;
    }
  }
  return count;
}

int runLinkChecks() {
  plat::installDevicePathSeam(pipeBindSeam());
  plat::installMessageBoxHook(recordBox);
  plat::installExitHook(refuseExit);

  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  note("a %d-bit program%s", static_cast<int>(sizeof(void*) * 8), wow64 ? " on a 64-bit system" : "");
  HANDLE bus = openBus();
  check(bus != INVALID_HANDLE_VALUE, "the simulated bus is up");
  if (bus == INVALID_HANDLE_VALUE) return failures;
  check(plug(bus, 0, 1), "camera plugged: \\\\.\\ZELBxQ001 opens");

  // --- open, start-up handshake, first held exchange ---
  DeviceLink link(LinkVariant::Viewer);
  FramePipeline pipeline(&link, LinkVariant::Viewer);
  pipeline.setSizeIndex(1);
  bool opened = link.open(1);
  check(opened && link.deviceIndex == 1 && std::strcmp(link.devicePath, "\\\\.\\ZELBxQ001") == 0,
        "open: device \\\\.\\ZELBxQ001 and its four pipes through ZELB1");
  if (!opened) return failures;
  check(link.stagingSize == 131072 && link.stagingBuffer != nullptr, "open: staging buffer of 131072 bytes");
  DWORD start = GetTickCount();
  bool ready = link.waitReady();
  DWORD took = GetTickCount() - start;
  note("waitReady: %s after %lu ms", ready ? "ready" : "not ready", took);
  check(ready && took >= 1000, "waitReady: the camera reports ready (a second after its ready reply)");
  CommandBlock block = CommandBlock::make(kCmdStoreImage, kParamOff);
  check(link.transactHeld(&block) && block.status() == 0x80 && block.code() == kCmdStoreImage,
        "first held exchange (release) answered, lock given back");
  check(plat::waitFor(link.linkLock, 0) == plat::kWaitObject0, "the link lock is free again");
  plat::setEvent(link.linkLock);

  // --- a checked exchange ---
  block = CommandBlock::make(kCmdSelectSize, 1);
  check(link.transact(&block) && block.bytes[0] == 0xA0 && block.code() == kCmdSelectSize &&
            block.status() == 0x80 && block.parameter() == 1 && block.bytes[7] == 0xAF,
        "transact: select size 1, the reply replaces the block");
  const uint64_t status = link.queryStatus();
  check(status != 0 && CommandBlock::fromValue(status).code() == kCmdQueryStatus, "queryStatus answered");

  // --- frames through the frame pipeline ---
  check(pipeline.init(), "frame pipeline initialised for 512 x 384");
  std::string first;
  if (readLiveFrame(pipeline)) {
    first.assign(reinterpret_cast<const char*>(pipeline.liveImage), pipeline.liveImageBytes);
    const int colours = distinctColours(pipeline.liveImage, pipeline.liveImageBytes);
    note("frame 1: %u bytes, %d colours in the sample", pipeline.liveImageBytes, colours);
    check(pipeline.liveImageBytes == 512 * 384 * 3 && colours >= 16, "a frame read and converted: not blank");
    check(readLiveFrame(pipeline) &&
              std::memcmp(first.data(), pipeline.liveImage, pipeline.liveImageBytes) != 0,
          "a second frame differs from the first (the picture is live)");
  } else {
    check(false, "a frame read through the frame pipeline");
  }

  // --- time-out: the reply read is not served ---
  // The camera leaves the next reply-pipe read unserved. The driver ends it
  // after 5 s, user mode sees error 121, and transact answers by writing the
  // command again, which ends its receiving phase with the reply unread
  // (the block stays as it was).
  const uint32_t before = transfersOf(bus, 0);
  simbus::SlotStats s0;
  slotStats(bus, 0, &s0);
  check(addFault(bus, 0, sim::kFaultStall, kReplyPipe, sim::kDirRead, 1, 1), "camera: next reply read not served");
  block = CommandBlock::make(kCmdSelectSize, 1);
  const CommandBlock sent = block;
  start = GetTickCount();
  bool ok = link.transact(&block);
  took = GetTickCount() - start;
  simbus::SlotStats s1;
  slotStats(bus, 0, &s1);
  note("transact with a timed-out reply: %s after %lu ms, %u transfers, %u cancelled", ok ? "true" : "false", took,
       s1.transfers - before, s1.cancelled - s0.cancelled);
  check(ok && took >= 4500 && took < 9000, "transact: the reply read timed out after 5 s, the exchange succeeded");
  check(s1.transfers - before == 3 && s1.cancelled - s0.cancelled == 1,
        "transact: write, reply read (cancelled at 5 s), write again (the direction swap)");
  check(block == sent && link.lastError == 0, "transact: block unchanged, last operation succeeded");
  // Both writes were answered: two replies wait on the reply pipe.
  CommandBlock reply1 = CommandBlock::zero();
  CommandBlock reply2 = CommandBlock::zero();
  check(link.readBlock(link.pipeHandles[kReplyPipe], &reply1) && DeviceLink::checkReply(sent, reply1) &&
            link.readBlock(link.pipeHandles[kReplyPipe], &reply2) && DeviceLink::checkReply(sent, reply2),
        "the two replies of the two writes are read back");
  // Nothing queued now: the next read is not served at all.
  CommandBlock none = CommandBlock::zero();
  start = GetTickCount();
  ok = link.readBlock(link.pipeHandles[kReplyPipe], &none);
  took = GetTickCount() - start;
  note("reply read with nothing queued: %s, error %u, %lu ms", ok ? "true" : "false", link.lastError, took);
  check(!ok && link.lastError == 121 && took >= 4500 && took < 9000 && none.isAllZero(),
        "an unserved read reaches user mode as error 121 after 5 s, tried once");
  block = CommandBlock::make(kCmdSelectSize, 1);
  check(link.transact(&block) && block.status() == 0x80, "the link works again after the time-outs");

  // --- time-out: the command write is not served ---
  // A reply is waiting (a command written on its own), then the camera
  // leaves the next command write unserved: transact's write times out, it
  // reads the waiting reply instead (the sending phase ends), its own reply
  // read then times out as the camera never took the command, and it
  // writes the command again. The waiting reply passes the check and
  // replaces the block.
  check(link.writeBlock(link.pipeHandles[kCommandPipe], CommandBlock::make(kCmdSelectSize, 1)),
        "a command written on its own, its reply left waiting");
  slotStats(bus, 0, &s0);
  check(addFault(bus, 0, sim::kFaultStall, kCommandPipe, sim::kDirWrite, 1, 1),
        "camera: next command write not served");
  block = CommandBlock::make(kCmdSelectSize, 1);
  start = GetTickCount();
  ok = link.transact(&block);
  took = GetTickCount() - start;
  slotStats(bus, 0, &s1);
  note("transact with a timed-out write: %s after %lu ms, %u transfers, %u cancelled", ok ? "true" : "false", took,
       s1.transfers - s0.transfers, s1.cancelled - s0.cancelled);
  check(ok && took >= 9000 && took < 15000 && s1.transfers - s0.transfers == 4 && s1.cancelled - s0.cancelled == 2,
        "transact: write timed out, waiting reply read, reply read timed out, write again");
  check(block.code() == kCmdSelectSize && block.status() == 0x80 && block.parameter() == 1,
        "transact: the waiting reply passed the check and replaced the block");
  check(link.readBlock(link.pipeHandles[kReplyPipe], &reply1) && DeviceLink::checkReply(sent, reply1),
        "the reply to the last write is read back");
  block = CommandBlock::make(kCmdSelectSize, 1);
  check(link.transact(&block) && block.status() == 0x80, "the link is in step again");

  // --- one open per pipe ---
  plat::Handle again = plat::openPath("\\\\.\\ZELBxQ001\\0\\0\\0\\3");
  const uint32_t againError = plat::lastError();
  check(again == plat::invalidHandle() && againError == 170, "a second opener of the held image pipe: busy (170)");
  if (again != plat::invalidHandle()) plat::closeHandle(again);
  {
    DeviceLink second(LinkVariant::Viewer);
    const uint32_t code = second.findDevice();
    second.close();
    check(code == 170, "a second device link finds the camera's pipes busy (170)");
  }
  check(link.isPresent(), "isPresent while this link holds every pipe");

  // --- the camera enumerates again while its old device still exists ---
  check(plug(bus, 1, 2), "the camera again as a new device: \\\\.\\ZELBxQ002");
  check(unplug(bus, 0, 1), "the old device \\\\.\\ZELBxQ001 unplugged and removed");
  check(!link.isPresent(), "isPresent: false once the device is gone");
  block = CommandBlock::make(kCmdSelectSize, 1);
  ok = link.transact(&block);
  note("exchange on the old handles: %s, error %u", ok ? "true" : "false", link.lastError);
  check(!ok && link.lastError != 0 && link.lastError != 121, "an exchange on the old handles fails at once");
  lastBox.clear();
  ok = link.reopen();
  check(ok && link.deviceIndex == 2 && std::strcmp(link.devicePath, "\\\\.\\ZELBxQ002") == 0 && lastBox.empty(),
        "reopen: the search above 001 finds \\\\.\\ZELBxQ002");
  if (ok) {
    bool answered = false;
    for (int n = 0; n < 10 && !answered; ++n) {
      const CommandBlock reply = CommandBlock::fromValue(link.queryStatus());
      answered = reply.code() == kCmdQueryStatus && reply.status() == 0x80;
      if (!answered) Sleep(100);
    }
    check(answered, "the reopened link reaches the camera (status ready)");
    check(pipeline.reinit() && readLiveFrame(pipeline), "a frame through the reopened link");
  }
  pipeline.release();
  link.close();
  check(unplug(bus, 1, 2), "\\\\.\\ZELBxQ002 unplugged and removed");

  // --- a camera plugged after its old device was removed ---
  // The driver's counter fell back: it is 001 again, below every number a
  // running link searches; a newly started program finds it.
  check(plug(bus, 0, 1), "plugged again after the removal: \\\\.\\ZELBxQ001");
  lastBox.clear();
  check(!link.reopen() && lastBox == std::string(kDeviceDriverCaption) + ": " + kDeviceDriverTextViewer,
        "reopen searches above 002 only: device-driver message");
  DeviceLink fresh(LinkVariant::Viewer);
  check(fresh.findDevice() == 0 && fresh.deviceIndex == 1, "a fresh link opens \\\\.\\ZELBxQ001");
  fresh.close();
  check(unplug(bus, 0, 1), "\\\\.\\ZELBxQ001 unplugged and removed");

  CloseHandle(bus);
  std::printf("%d failure(s)\n", failures);
  return failures;
}

// ------------------------------------------------------------------ notify

struct Find {
  const char* title;
  HWND found;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM parameter) {
  Find* find = reinterpret_cast<Find*>(parameter);
  char text[256] = {0};
  GetWindowTextA(window, text, sizeof text);
  if (IsWindowVisible(window) && std::strcmp(text, find->title) == 0) {
    find->found = window;
    return FALSE;
  }
  return TRUE;
}

int notify(const char* title) {
  Find find = {title, nullptr};
  EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&find));
  if (!find.found) {
    std::printf("notify: no window \"%s\"\n", title);
    return 1;
  }
  // DBT_DEVNODES_CHANGED, as the system broadcasts it after the device
  // tree changed.
  if (!PostMessageA(find.found, WM_DEVICECHANGE, 0x0007, 0)) {
    std::printf("notify: post failed: %lu\n", GetLastError());
    return 1;
  }
  std::printf("notify: device nodes changed -> \"%s\"\n", title);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const std::string command = argc >= 2 ? argv[1] : "";
  if (command == "link" && argc == 2) return runLinkChecks();
  if (command == "notify" && argc == 3) return notify(argv[2]);
  if (command == "transfers" && argc == 3) {
    HANDLE bus = openBus();
    simbus::SlotStats s;
    const bool ok = bus != INVALID_HANDLE_VALUE && slotStats(bus, static_cast<uint32_t>(std::atoi(argv[2])), &s);
    if (bus != INVALID_HANDLE_VALUE) CloseHandle(bus);
    if (!ok) return 1;
    std::printf("%u\n", s.transfers);
    return 0;
  }
  if ((command == "plug" || command == "unplug") && argc == 4) {
    const uint32_t slot = static_cast<uint32_t>(std::atoi(argv[2]));
    const unsigned number = static_cast<unsigned>(std::atoi(argv[3]));
    HANDLE bus = openBus();
    if (bus == INVALID_HANDLE_VALUE) {
      std::printf("%s: the simulated bus is not up\n", command.c_str());
      return 1;
    }
    const bool ok = command == "plug" ? plug(bus, slot, number) : unplug(bus, slot, number);
    CloseHandle(bus);
    std::printf("%s slot %u: %s %s\n", command.c_str(), slot, devicePathFor(number).c_str(),
                ok ? (command == "plug" ? "opens" : "gone") : "FAILED");
    return ok ? 0 : 1;
  }
  std::printf("usage: driver_e2e_check link | plug SLOT NUMBER | unplug SLOT NUMBER | transfers SLOT | notify TITLE\n");
  return 2;
}
