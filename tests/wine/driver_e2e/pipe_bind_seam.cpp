// Test only: see pipe_bind_seam.h.
#include "tests/wine/driver_e2e/pipe_bind_seam.h"

#include <windows.h>

#include <cstring>

#include "driver/logic/pipe_bind.h"

namespace {

// Open handles by id (id = slot + 1). A program holds a device handle and
// four pipes per camera, plus the short-lived opens of a presence check.
constexpr uint32_t kSlots = 64;
HANDLE volatile slots[kSlots];

HANDLE openDevice(const char* path) {
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     0, nullptr);
}

// The pipe name follows the device name: "\\.\NAME\c\i\a\p" -> "\c\i\a\p";
// empty for the device itself.
const char* pipeNameOf(const char* path) {
  const char* name = path + 4;  // after "\\.\"
  const char* rest = std::strchr(name, '\\');
  return rest ? rest : name + std::strlen(name);
}

uint32_t seamOpen(void*, const char* path, uint32_t* id) {
  const char* pipe = pipeNameOf(path);
  char device[MAX_PATH];
  const size_t deviceLength = static_cast<size_t>(pipe - path);
  if (deviceLength >= sizeof device) return ERROR_INVALID_NAME;
  std::memcpy(device, path, deviceLength);
  device[deviceLength] = 0;

  HANDLE handle = openDevice(device);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  if (*pipe) {
    // The driver reads the name as UTF-16 without a terminator.
    WCHAR name[64];
    const size_t units = std::strlen(pipe);
    if (units > 64) {
      CloseHandle(handle);
      return ERROR_INVALID_NAME;
    }
    for (size_t n = 0; n < units; ++n) name[n] = static_cast<unsigned char>(pipe[n]);
    DWORD got = 0;
    if (!DeviceIoControl(handle, zelb1::kControlBindPipe, name, static_cast<DWORD>(units * sizeof(WCHAR)), nullptr, 0,
                         &got, nullptr)) {
      const DWORD code = GetLastError();
      CloseHandle(handle);
      return code ? code : ERROR_GEN_FAILURE;
    }
  }
  for (uint32_t slot = 0; slot < kSlots; ++slot) {
    if (InterlockedCompareExchangePointer(const_cast<PVOID volatile*>(&slots[slot]), handle, nullptr) == nullptr) {
      *id = slot + 1;
      return 0;
    }
  }
  CloseHandle(handle);
  return ERROR_TOO_MANY_OPEN_FILES;
}

HANDLE handleOf(uint32_t id) { return (id >= 1 && id <= kSlots) ? slots[id - 1] : nullptr; }

uint32_t seamRead(void*, uint32_t id, void* buffer, uint32_t count, uint32_t* done) {
  HANDLE handle = handleOf(id);
  if (!handle) return ERROR_INVALID_HANDLE;
  DWORD got = 0;
  const BOOL ok = ReadFile(handle, buffer, count, &got, nullptr);
  *done = got;
  return ok ? 0 : GetLastError();
}

uint32_t seamWrite(void*, uint32_t id, const void* buffer, uint32_t count, uint32_t* done) {
  HANDLE handle = handleOf(id);
  if (!handle) return ERROR_INVALID_HANDLE;
  DWORD put = 0;
  const BOOL ok = WriteFile(handle, buffer, count, &put, nullptr);
  *done = put;
  return ok ? 0 : GetLastError();
}

void seamClose(void*, uint32_t id) {
  if (id < 1 || id > kSlots) return;
  HANDLE handle = InterlockedExchangePointer(const_cast<PVOID volatile*>(&slots[id - 1]), nullptr);
  if (handle) CloseHandle(handle);
}

const plat::DevicePathSeam kSeam = {nullptr, seamOpen, seamRead, seamWrite, seamClose};

}  // namespace

const plat::DevicePathSeam* pipeBindSeam() { return &kSeam; }
