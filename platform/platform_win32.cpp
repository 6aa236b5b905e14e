// The platform layer over Win32, for the shipped deliverables and for the
// Windows builds of the tests (run under Wine).
#include <windows.h>

#include <process.h>

#include <cstring>

#include "platform/platform_internal.h"

namespace plat {

uint32_t lastError() { return GetLastError(); }
void setLastError(uint32_t code) { SetLastError(code); }

Handle openPath(const char* path) {
  if (path == nullptr) {
    setLastError(kErrorInvalidParameter);
    return invalidHandle();
  }
  if (isDevicePath(path)) {
    const DevicePathSeam* seam = devicePathSeam();
    if (seam) return seamOpen(seam, path);
  }
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  return file == INVALID_HANDLE_VALUE ? invalidHandle() : static_cast<Handle>(file);
}

bool readFile(Handle file, void* buffer, uint32_t count, uint32_t* done) {
  if (isSeamHandle(file)) return seamRead(file, buffer, count, done);
  DWORD got = 0;
  const BOOL ok = ReadFile(static_cast<HANDLE>(file), buffer, count, &got, nullptr);
  if (done) *done = got;
  return ok != FALSE;
}

bool writeFile(Handle file, const void* buffer, uint32_t count, uint32_t* done) {
  if (isSeamHandle(file)) return seamWrite(file, buffer, count, done);
  DWORD put = 0;
  const BOOL ok = WriteFile(static_cast<HANDLE>(file), buffer, count, &put, nullptr);
  if (done) *done = put;
  return ok != FALSE;
}

bool closeHandle(Handle handle) {
  if (isSeamHandle(handle)) return seamClose(handle);
  return CloseHandle(static_cast<HANDLE>(handle)) != FALSE;
}

bool deleteFile(const char* path) { return path && DeleteFileA(path) != FALSE; }

Handle createTempFileBeside(const char* targetPath, char* tempPath, uint32_t tempPathSize) {
  char folder[MAX_PATH];
  const char* slash = targetPath ? std::strrchr(targetPath, '\\') : nullptr;
  const char* other = targetPath ? std::strrchr(targetPath, '/') : nullptr;
  if (other > slash) slash = other;
  const size_t folderLength = slash ? static_cast<size_t>(slash - targetPath) + 1 : 0;
  if (!targetPath || !tempPath || tempPathSize < MAX_PATH || folderLength >= sizeof folder) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return invalidHandle();
  }
  if (folderLength) {
    std::memcpy(folder, targetPath, folderLength);
    folder[folderLength] = 0;
  } else {
    std::strcpy(folder, ".");
  }
  // The system makes the name unique and creates the empty file.
  if (GetTempFileNameA(folder, "zel", 0, tempPath) == 0) {
    tempPath[0] = 0;
    return invalidHandle();
  }
  HANDLE file = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    DeleteFileA(tempPath);
    tempPath[0] = 0;
    SetLastError(error);
  }
  return file;
}

bool replaceFile(const char* from, const char* to) {
  if (!from || !to) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const DWORD attributes = GetFileAttributesA(to);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool currentDirectory(char* buffer, uint32_t size) {
  const DWORD length = buffer ? GetCurrentDirectoryA(size, buffer) : 0;
  return length > 0 && length < size;
}

Handle createEvent(bool manualReset, bool initiallySignalled) {
  return CreateEventA(nullptr, manualReset ? TRUE : FALSE, initiallySignalled ? TRUE : FALSE, nullptr);
}

bool setEvent(Handle event) { return SetEvent(static_cast<HANDLE>(event)) != FALSE; }
bool resetEvent(Handle event) { return ResetEvent(static_cast<HANDLE>(event)) != FALSE; }

uint32_t waitFor(Handle event, uint32_t milliseconds) {
  return WaitForSingleObject(static_cast<HANDLE>(event), milliseconds);
}

namespace {
struct ThreadStart {
  ThreadProc proc;
  void* argument;
};

unsigned __stdcall threadTrampoline(void* raw) {
  ThreadStart start = *static_cast<ThreadStart*>(raw);
  delete static_cast<ThreadStart*>(raw);
  return start.proc(start.argument);
}
}  // namespace

Handle startThread(ThreadProc proc, void* argument) {
  ThreadStart* start = new ThreadStart{proc, argument};
  // The C runtime's thread start, so the runtime is set up for the thread.
  const uintptr_t thread = _beginthreadex(nullptr, 0, threadTrampoline, start, 0, nullptr);
  if (thread == 0) {
    delete start;
    return nullptr;
  }
  return reinterpret_cast<Handle>(thread);
}

bool threadExitCode(Handle thread, uint32_t* code) {
  DWORD value = 0;
  if (!GetExitCodeThread(static_cast<HANDLE>(thread), &value)) return false;
  if (code) *code = value;
  return true;
}

bool terminateThread(Handle thread, uint32_t exitCode) {
  return TerminateThread(static_cast<HANDLE>(thread), exitCode) != FALSE;
}

void systemSleep(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t systemTickCount() { return GetTickCount(); }

void* allocPages(size_t bytes) { return VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }

void freePages(void* pages) {
  if (pages) VirtualFree(pages, 0, MEM_RELEASE);
}

namespace {
// Texts are UTF-8 (a few are not plain ASCII); the box shows them as such.
bool toWide(const char* utf8, wchar_t* out, int outChars) {
  if (!utf8) utf8 = "";
  return MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out, outChars) > 0;
}
}  // namespace

int systemMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t flags) {
  wchar_t wideText[1024];
  wchar_t wideCaption[256];
  if (!toWide(text, wideText, 1024) || !toWide(caption, wideCaption, 256)) {
    return MessageBoxA(static_cast<HWND>(owner), text, caption, flags);
  }
  return MessageBoxW(static_cast<HWND>(owner), wideText, wideCaption, flags);
}

void systemExit(uint32_t exitCode) { ExitProcess(exitCode); }

}  // namespace plat
