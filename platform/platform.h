// The small layer over the operating system: exactly the services the device
// link, the frame pipeline, the acquisition thread and the data source use.
// One implementation over Win32 (platform_win32.cpp), one over POSIX for the
// native builds (platform_posix.cpp). Nothing above this layer includes a
// system header.
//
// Two seams let tests and demo builds stand in for the outside world:
//  - device paths ("\\.\..." names) can be served by an installed
//    DevicePathSeam (the simulated camera) instead of the real driver;
//  - message boxes go through an installable hook that tests observe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// Opaque kernel-object handle (file, event, thread), as wide as a pointer.
typedef void* Handle;
// Window handle, used as a message box owner and by window operations.
typedef void* WindowHandle;

inline Handle invalidHandle() { return reinterpret_cast<Handle>(static_cast<intptr_t>(-1)); }

// System error codes the system looks at (Win32 numbering on every platform).
enum : uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorGenFailure = 31,
  kErrorNotReady = 21,
  kErrorInvalidParameter = 87,
  kErrorSemTimeout = 121,
  kErrorBusy = 170,
  kErrorDeviceNotConnected = 1167,
  kStillActive = 259,
};

// Wait results.
enum : uint32_t {
  kWaitObject0 = 0,
  kWaitTimeout = 258,
  kWaitFailed = 0xFFFFFFFFu,
  kInfinite = 0xFFFFFFFFu,
};

// Last error of the calling thread, as the system keeps it.
uint32_t lastError();
void setLastError(uint32_t code);

// --- Files and device paths -------------------------------------------------
// openPath opens with read and write access, share read and write, no
// security attributes, open-existing, no flags (synchronous), no template.
// Returns invalidHandle() on failure with the system error code in lastError().
Handle openPath(const char* path);
// Synchronous read/write; `done` receives the byte count (may be null).
// On failure returns false with the code in lastError().
bool readFile(Handle file, void* buffer, uint32_t count, uint32_t* done);
bool writeFile(Handle file, const void* buffer, uint32_t count, uint32_t* done);
// Closes any handle this layer gave out (file, event or thread).
bool closeHandle(Handle handle);
// Deletes a file; false when it does not exist or cannot be deleted.
bool deleteFile(const char* path);
// Creates a new, empty file with a name of its own in the folder of
// `targetPath` (the current folder for a bare name), open for writing; its
// path goes to `tempPath` (`tempPathSize` bytes). invalidHandle() on
// failure (missing folder, no write access, path too long).
Handle createTempFileBeside(const char* targetPath, char* tempPath, uint32_t tempPathSize);
// Moves the file `from` to the name `to`, replacing a file of that name in
// one step. A read-only file is not replaced (kErrorAccessDenied); natively
// a file without the owner's write permission counts as read-only.
bool replaceFile(const char* from, const char* to);
// The process's current folder, zero-terminated; false when it does not fit.
bool currentDirectory(char* buffer, uint32_t size);

// A stand-in for the driver behind the "\\.\" device paths. Functions return
// 0 on success or a system error code. Ids are chosen by the seam.
struct DevicePathSeam {
  void* context;
  uint32_t (*open)(void* context, const char* path, uint32_t* id);
  uint32_t (*read)(void* context, uint32_t id, void* buffer, uint32_t count, uint32_t* done);
  uint32_t (*write)(void* context, uint32_t id, const void* buffer, uint32_t count, uint32_t* done);
  void (*close)(void* context, uint32_t id);
};
// Installs the seam for every path that starts with "\\.\" (null: the real
// device paths again). Handles opened through a seam stay bound to it.
void installDevicePathSeam(const DevicePathSeam* seam);
const DevicePathSeam* devicePathSeam();

// --- Events -----------------------------------------------------------------
// Unnamed event, default security. Null on failure.
Handle createEvent(bool manualReset, bool initiallySignalled);
bool setEvent(Handle event);
bool resetEvent(Handle event);
// Waits for an event; kWaitObject0, kWaitTimeout or kWaitFailed.
uint32_t waitFor(Handle event, uint32_t milliseconds);

// --- Threads ----------------------------------------------------------------
typedef uint32_t (*ThreadProc)(void* argument);
// Starts a thread at once with default security and stack; null on failure.
Handle startThread(ThreadProc proc, void* argument);
// Exit code of a thread, kStillActive while it runs.
bool threadExitCode(Handle thread, uint32_t* code);
// Forced end of a thread that does not stop. On Win32 the thread is
// terminated. POSIX offers no sound way to end a thread from outside, so the
// native build records the exit code and leaves the runaway thread detached.
bool terminateThread(Handle thread, uint32_t exitCode);
// The end of a worker thread that was asked to stop: waits up to twice
// `waitMs` for `doneEvent`; if the thread has not got there and still runs
// 10 ms later, ends it with `exitCode` and sets `doneEvent`. A thread that
// has set its event has only its last steps left and is never forced.
// True when it had to be ended by force. The handle stays open.
bool endWorkerThread(Handle thread, Handle doneEvent, uint32_t waitMs, uint32_t exitCode);

// --- Time ---------------------------------------------------------------------
// Sleep goes through a hook so that tests can run the system's fixed waits
// in virtual time; null restores the real sleep.
typedef void (*SleepHook)(uint32_t milliseconds);
void sleepMs(uint32_t milliseconds);
void installSleepHook(SleepHook hook);
// The tick count goes through a hook as well, so that a test's virtual clock
// also drives the time bounds measured with it; null restores the system's.
typedef uint32_t (*TickHook)();
uint32_t tickCount();
void installTickHook(TickHook hook);

// --- Process -----------------------------------------------------------------
// Ends the process with an exit code. Tests install a hook that records the
// request and returns instead; callers then leave as if the process ended.
typedef void (*ExitHook)(uint32_t exitCode);
void exitProcess(uint32_t exitCode);
void installExitHook(ExitHook hook);

// --- Memory -------------------------------------------------------------------
// Committed read/write pages, released whole. Null on failure.
void* allocPages(size_t bytes);
void freePages(void* pages);

// --- Message boxes --------------------------------------------------------------
enum : uint32_t {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconExclamation = 0x30,
  kMbIconInformation = 0x40,
  kMbTaskModal = 0x2000,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

typedef int (*MessageBoxHook)(WindowHandle owner, const char* text, const char* caption, uint32_t flags);
// Shows a modal message box and returns the button pressed (kIdOk, ...).
int showMessage(WindowHandle owner, const char* text, const char* caption, uint32_t flags);
// Tests observe (and answer) message boxes through this hook; null restores
// the real message box (natively: printed to stderr, answered with the
// default button).
void installMessageBoxHook(MessageBoxHook hook);

}  // namespace plat
