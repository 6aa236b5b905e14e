// The parts of the platform layer that are the same on every system: the
// seams (device paths, sleep, tick count, message boxes, process exit) and
// the handles given out for files opened through the device-path seam.
#include <atomic>
#include <cstring>

#include "platform/platform_internal.h"

namespace plat {
namespace {

std::atomic<const DevicePathSeam*> installedSeam{nullptr};
std::atomic<SleepHook> sleepHook{nullptr};
std::atomic<TickHook> tickHook{nullptr};
std::atomic<MessageBoxHook> messageBoxHook{nullptr};
std::atomic<ExitHook> exitHook{nullptr};

// Files opened through a seam get handles that no system hands out: the
// slot number shifted left by 2 with both low bits set (kernel handles and
// heap pointers always have them clear).
struct SeamSlot {
  const DevicePathSeam* seam;
  uint32_t id;
  bool used;
};
constexpr int kSeamSlots = 512;
SeamSlot seamSlots[kSeamSlots];
std::atomic_flag seamSlotsLock = ATOMIC_FLAG_INIT;

struct SlotGuard {
  SlotGuard() {
    while (seamSlotsLock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~SlotGuard() { seamSlotsLock.clear(std::memory_order_release); }
};

}  // namespace

void installDevicePathSeam(const DevicePathSeam* seam) { installedSeam.store(seam); }
const DevicePathSeam* devicePathSeam() { return installedSeam.load(); }

bool isDevicePath(const char* path) { return path && std::strncmp(path, "\\\\.\\", 4) == 0; }

bool isSeamHandle(Handle handle) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(handle);
  return handle != invalidHandle() && (v & 3u) == 3u;
}

Handle seamOpen(const DevicePathSeam* seam, const char* path) {
  uint32_t id = 0;
  const uint32_t code = seam->open(seam->context, path, &id);
  if (code != 0) {
    setLastError(code);
    return invalidHandle();
  }
  {
    SlotGuard guard;
    for (int slot = 1; slot < kSeamSlots; ++slot) {
      if (!seamSlots[slot].used) {
        seamSlots[slot] = SeamSlot{seam, id, true};
        return reinterpret_cast<Handle>((static_cast<uintptr_t>(slot) << 2) | 3u);
      }
    }
  }
  seam->close(seam->context, id);
  setLastError(kErrorNotEnoughMemory);
  return invalidHandle();
}

static bool seamLookup(Handle handle, SeamSlot* out) {
  const uintptr_t slot = reinterpret_cast<uintptr_t>(handle) >> 2;
  SlotGuard guard;
  if (slot == 0 || slot >= static_cast<uintptr_t>(kSeamSlots) || !seamSlots[slot].used) return false;
  *out = seamSlots[slot];
  return true;
}

// One read or write through the seam the handle is bound to; `transfer`
// calls the seam's function and gives back its error code.
template <typename Transfer>
static bool seamTransfer(Handle handle, uint32_t* done, Transfer transfer) {
  SeamSlot slot;
  uint32_t count = 0;
  if (done) *done = 0;
  if (!seamLookup(handle, &slot)) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  const uint32_t code = transfer(slot, &count);
  if (done) *done = count;
  if (code != 0) {
    setLastError(code);
    return false;
  }
  return true;
}

bool seamRead(Handle handle, void* buffer, uint32_t count, uint32_t* done) {
  return seamTransfer(handle, done, [&](const SeamSlot& slot, uint32_t* got) {
    return slot.seam->read(slot.seam->context, slot.id, buffer, count, got);
  });
}

bool seamWrite(Handle handle, const void* buffer, uint32_t count, uint32_t* done) {
  return seamTransfer(handle, done, [&](const SeamSlot& slot, uint32_t* put) {
    return slot.seam->write(slot.seam->context, slot.id, buffer, count, put);
  });
}

bool seamClose(Handle handle) {
  SeamSlot slot;
  {
    SlotGuard guard;
    const uintptr_t index = reinterpret_cast<uintptr_t>(handle) >> 2;
    if (index == 0 || index >= static_cast<uintptr_t>(kSeamSlots) || !seamSlots[index].used) {
      setLastError(kErrorInvalidHandle);
      return false;
    }
    slot = seamSlots[index];
    seamSlots[index].used = false;
  }
  slot.seam->close(slot.seam->context, slot.id);
  return true;
}

void installSleepHook(SleepHook hook) { sleepHook.store(hook); }

void sleepMs(uint32_t milliseconds) {
  const SleepHook hook = sleepHook.load();
  if (hook) {
    hook(milliseconds);
  } else {
    systemSleep(milliseconds);
  }
}

void installTickHook(TickHook hook) { tickHook.store(hook); }

uint32_t tickCount() {
  const TickHook hook = tickHook.load();
  return hook ? hook() : systemTickCount();
}

void installMessageBoxHook(MessageBoxHook hook) { messageBoxHook.store(hook); }

int showMessage(WindowHandle owner, const char* text, const char* caption, uint32_t flags) {
  const MessageBoxHook hook = messageBoxHook.load();
  if (hook) return hook(owner, text, caption, flags);
  return systemMessageBox(owner, text, caption, flags);
}

void installExitHook(ExitHook hook) { exitHook.store(hook); }

void exitProcess(uint32_t exitCode) {
  const ExitHook hook = exitHook.load();
  if (hook) {
    hook(exitCode);
    return;
  }
  systemExit(exitCode);
}

bool endWorkerThread(Handle thread, Handle doneEvent, uint32_t waitMs, uint32_t exitCode) {
  const bool ended = waitFor(doneEvent, waitMs) == kWaitObject0 || waitFor(doneEvent, waitMs) == kWaitObject0;
  uint32_t code = 0;
  threadExitCode(thread, &code);
  if (ended || code != kStillActive) return false;
  sleepMs(10);
  threadExitCode(thread, &code);
  if (code != kStillActive) return false;
  terminateThread(thread, exitCode);
  setEvent(doneEvent);
  return true;
}

}  // namespace plat
