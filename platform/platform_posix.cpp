// The platform layer over POSIX, for the native builds and their tests.
// Kernel objects are heap records tagged with their kind; the error codes
// given back are the Win32 numbers the rest of the system looks at.
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/platform_internal.h"

namespace plat {
namespace {

thread_local uint32_t threadLastError = 0;

enum class Kind : uint32_t { File = 0x454c4946u, Event = 0x544e5645u, Thread = 0x44524854u };

struct Object {
  Kind kind;
};

struct FileObject : Object {
  int fd;
};

struct EventObject : Object {
  pthread_mutex_t mutex;
  pthread_cond_t cond;
  bool manualReset;
  bool signalled;
};

struct ThreadObject : Object {
  ThreadProc proc;
  void* argument;
  pthread_t thread;
  std::atomic<uint32_t> exitCode;
  std::atomic<bool> terminated;
  std::atomic<int> references;  // the handle and the running thread
};

Object* objectOf(Handle handle, Kind kind) {
  if (handle == nullptr || handle == invalidHandle() || isSeamHandle(handle)) return nullptr;
  Object* object = static_cast<Object*>(handle);
  return object->kind == kind ? object : nullptr;
}

uint32_t errnoToCode(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case EBUSY:
      return kErrorBusy;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case ETIMEDOUT:
      return kErrorSemTimeout;
    case ENODEV:
    case ENXIO:
      return kErrorDeviceNotConnected;
    default:
      return kErrorGenFailure;
  }
}

Handle fileObjectFor(int fd) {
  FileObject* object = new (std::nothrow) FileObject;
  if (!object) {
    ::close(fd);
    setLastError(kErrorNotEnoughMemory);
    return invalidHandle();
  }
  object->kind = Kind::File;
  object->fd = fd;
  return object;
}

void releaseThread(ThreadObject* object) {
  if (object->references.fetch_sub(1) == 1) delete object;
}

void* threadMain(void* raw) {
  ThreadObject* object = static_cast<ThreadObject*>(raw);
  const uint32_t code = object->proc(object->argument);
  if (!object->terminated.load()) object->exitCode.store(code);
  releaseThread(object);
  return nullptr;
}

timespec deadlineAfter(uint32_t milliseconds) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t nanos = static_cast<uint64_t>(now.tv_nsec) + static_cast<uint64_t>(milliseconds % 1000) * 1000000ull;
  now.tv_sec += milliseconds / 1000 + static_cast<time_t>(nanos / 1000000000ull);
  now.tv_nsec = static_cast<long>(nanos % 1000000000ull);
  return now;
}

}  // namespace

uint32_t lastError() { return threadLastError; }
void setLastError(uint32_t code) { threadLastError = code; }

Handle openPath(const char* path) {
  if (path == nullptr) {
    setLastError(kErrorInvalidParameter);
    return invalidHandle();
  }
  if (isDevicePath(path)) {
    const DevicePathSeam* seam = devicePathSeam();
    if (seam) return seamOpen(seam, path);
    // No driver behind device paths in a native build.
    setLastError(kErrorFileNotFound);
    return invalidHandle();
  }
  const int fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    setLastError(errnoToCode(errno));
    return invalidHandle();
  }
  return fileObjectFor(fd);
}

bool readFile(Handle file, void* buffer, uint32_t count, uint32_t* done) {
  if (isSeamHandle(file)) return seamRead(file, buffer, count, done);
  if (done) *done = 0;
  FileObject* object = static_cast<FileObject*>(objectOf(file, Kind::File));
  if (!object) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  const ssize_t got = ::read(object->fd, buffer, count);
  if (got < 0) {
    setLastError(errnoToCode(errno));
    return false;
  }
  if (done) *done = static_cast<uint32_t>(got);
  return true;
}

bool writeFile(Handle file, const void* buffer, uint32_t count, uint32_t* done) {
  if (isSeamHandle(file)) return seamWrite(file, buffer, count, done);
  if (done) *done = 0;
  FileObject* object = static_cast<FileObject*>(objectOf(file, Kind::File));
  if (!object) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  const ssize_t put = ::write(object->fd, buffer, count);
  if (put < 0) {
    setLastError(errnoToCode(errno));
    return false;
  }
  if (done) *done = static_cast<uint32_t>(put);
  return true;
}

bool closeHandle(Handle handle) {
  if (isSeamHandle(handle)) return seamClose(handle);
  if (handle == nullptr || handle == invalidHandle()) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  Object* object = static_cast<Object*>(handle);
  switch (object->kind) {
    case Kind::File: {
      FileObject* file = static_cast<FileObject*>(object);
      // A write the system had only buffered can still fail here.
      const bool closed = ::close(file->fd) == 0;
      if (!closed) setLastError(errnoToCode(errno));
      file->kind = Kind{};
      delete file;
      return closed;
    }
    case Kind::Event: {
      EventObject* event = static_cast<EventObject*>(object);
      pthread_cond_destroy(&event->cond);
      pthread_mutex_destroy(&event->mutex);
      event->kind = Kind{};
      delete event;
      return true;
    }
    case Kind::Thread: {
      ThreadObject* thread = static_cast<ThreadObject*>(object);
      // Closing a thread handle does not stop the thread; it runs on detached.
      if (!thread->terminated.load()) pthread_detach(thread->thread);
      releaseThread(thread);
      return true;
    }
  }
  setLastError(kErrorInvalidHandle);
  return false;
}

bool deleteFile(const char* path) {
  if (path == nullptr || ::unlink(path) != 0) {
    setLastError(path ? errnoToCode(errno) : kErrorInvalidParameter);
    return false;
  }
  return true;
}

Handle createTempFileBeside(const char* targetPath, char* tempPath, uint32_t tempPathSize) {
  if (!targetPath || !tempPath) {
    setLastError(kErrorInvalidParameter);
    return invalidHandle();
  }
  const char* slash = std::strrchr(targetPath, '/');
  const int folderLength = slash ? static_cast<int>(slash - targetPath) + 1 : 0;
  static std::atomic<uint32_t> serial{0};
  // A few names in case one is taken; the mode follows the umask as for any
  // new file, so the finished file gets the usual permissions.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const uint32_t tag = (static_cast<uint32_t>(getpid()) << 12) ^ (tickCount() << 4) ^ serial.fetch_add(1);
    const int written = std::snprintf(tempPath, tempPathSize, "%.*s~zel%08x.tmp", folderLength, targetPath, tag);
    if (written < 0 || static_cast<uint32_t>(written) >= tempPathSize) {
      setLastError(kErrorInvalidParameter);
      return invalidHandle();
    }
    const int fd = ::open(tempPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fileObjectFor(fd);
    if (errno != EEXIST) break;
  }
  setLastError(errnoToCode(errno));
  tempPath[0] = 0;
  return invalidHandle();
}

bool replaceFile(const char* from, const char* to) {
  if (!from || !to) {
    setLastError(kErrorInvalidParameter);
    return false;
  }
  struct stat existing;
  if (::stat(to, &existing) == 0 && (S_ISDIR(existing.st_mode) || !(existing.st_mode & S_IWUSR))) {
    setLastError(kErrorAccessDenied);
    return false;
  }
  if (::rename(from, to) != 0) {
    setLastError(errnoToCode(errno));
    return false;
  }
  return true;
}

bool currentDirectory(char* buffer, uint32_t size) {
  if (!buffer || !::getcwd(buffer, size)) {
    setLastError(kErrorInvalidParameter);
    return false;
  }
  return true;
}

Handle createEvent(bool manualReset, bool initiallySignalled) {
  EventObject* event = new (std::nothrow) EventObject;
  if (!event) {
    setLastError(kErrorNotEnoughMemory);
    return nullptr;
  }
  event->kind = Kind::Event;
  event->manualReset = manualReset;
  event->signalled = initiallySignalled;
  pthread_mutex_init(&event->mutex, nullptr);
  pthread_condattr_t attributes;
  pthread_condattr_init(&attributes);
  pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
  pthread_cond_init(&event->cond, &attributes);
  pthread_condattr_destroy(&attributes);
  return event;
}

bool setEvent(Handle handle) {
  EventObject* event = static_cast<EventObject*>(objectOf(handle, Kind::Event));
  if (!event) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  pthread_mutex_lock(&event->mutex);
  event->signalled = true;
  if (event->manualReset) {
    pthread_cond_broadcast(&event->cond);
  } else {
    pthread_cond_signal(&event->cond);
  }
  pthread_mutex_unlock(&event->mutex);
  return true;
}

bool resetEvent(Handle handle) {
  EventObject* event = static_cast<EventObject*>(objectOf(handle, Kind::Event));
  if (!event) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  pthread_mutex_lock(&event->mutex);
  event->signalled = false;
  pthread_mutex_unlock(&event->mutex);
  return true;
}

uint32_t waitFor(Handle handle, uint32_t milliseconds) {
  EventObject* event = static_cast<EventObject*>(objectOf(handle, Kind::Event));
  if (!event) {
    setLastError(kErrorInvalidHandle);
    return kWaitFailed;
  }
  const timespec deadline = deadlineAfter(milliseconds == kInfinite ? 0 : milliseconds);
  uint32_t result = kWaitObject0;
  pthread_mutex_lock(&event->mutex);
  while (!event->signalled) {
    if (milliseconds == kInfinite) {
      pthread_cond_wait(&event->cond, &event->mutex);
    } else if (pthread_cond_timedwait(&event->cond, &event->mutex, &deadline) == ETIMEDOUT) {
      if (!event->signalled) result = kWaitTimeout;
      break;
    }
  }
  if (result == kWaitObject0 && !event->manualReset) event->signalled = false;
  pthread_mutex_unlock(&event->mutex);
  return result;
}

Handle startThread(ThreadProc proc, void* argument) {
  ThreadObject* object = new (std::nothrow) ThreadObject;
  if (!object) {
    setLastError(kErrorNotEnoughMemory);
    return nullptr;
  }
  object->kind = Kind::Thread;
  object->proc = proc;
  object->argument = argument;
  object->exitCode.store(kStillActive);
  object->terminated.store(false);
  object->references.store(2);
  if (pthread_create(&object->thread, nullptr, threadMain, object) != 0) {
    delete object;
    setLastError(kErrorNotEnoughMemory);
    return nullptr;
  }
  return object;
}

bool threadExitCode(Handle handle, uint32_t* code) {
  ThreadObject* thread = static_cast<ThreadObject*>(objectOf(handle, Kind::Thread));
  if (!thread || !code) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  *code = thread->exitCode.load();
  return true;
}

bool terminateThread(Handle handle, uint32_t exitCode) {
  ThreadObject* thread = static_cast<ThreadObject*>(objectOf(handle, Kind::Thread));
  if (!thread) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  if (thread->exitCode.load() != kStillActive) return true;
  // The runaway thread is left to finish on its own, detached; its exit code
  // reads as the forced one from now on.
  if (!thread->terminated.exchange(true)) {
    thread->exitCode.store(exitCode);
    pthread_detach(thread->thread);
  }
  return true;
}

void systemSleep(uint32_t milliseconds) {
  timespec span;
  span.tv_sec = milliseconds / 1000;
  span.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&span, &span) != 0 && errno == EINTR) {
  }
}

uint32_t systemTickCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000ull + static_cast<uint64_t>(now.tv_nsec) / 1000000ull);
}

// Natively the pages come from the ordinary heap, zero-filled, so that the
// sanitizers see every access past the end of an image buffer.
void* allocPages(size_t bytes) {
  void* pages = std::calloc(1, bytes ? bytes : 1);
  if (!pages) setLastError(kErrorNotEnoughMemory);
  return pages;
}

void freePages(void* pages) { std::free(pages); }

int systemMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t flags) {
  std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
  const uint32_t buttons = flags & 0xF;
  if (buttons == kMbYesNo) return kIdYes;
  return kIdOk;
}

void systemExit(uint32_t exitCode) { std::exit(static_cast<int>(exitCode)); }

}  // namespace plat
