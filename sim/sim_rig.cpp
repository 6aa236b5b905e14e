// The user-mode rig around the simulated cameras: device and pipe paths,
// the handle table, the single-open rule, unplug and replug, waiting with
// the driver's time-out, locking. The camera model knows nothing of these.
#include "sim/sim_rig.h"

#include <stdio.h>
#include <string.h>

namespace sim {

namespace {

struct RigCamera {
  SimCamera* model;
  char baseName[16];
  uint32_t index;
  bool plugged;
  uint32_t generation;   // bumped at every unplug: older handles are dead
  bool pipeOpen[4];
  uint32_t openFault[5];  // one-shot error for the next open of pipe n (index 4: the device)
};

struct RigHandle {
  bool used;
  int camera;
  int pipe;              // -1: the device path itself
  uint32_t generation;
  uint32_t serial;       // makes ids of reused slots differ
  plat::Handle wake;     // auto-reset: set when the camera may have something new
  uint32_t activeOps;
  bool closePending;
  bool pipeReleased;
};

}  // namespace

struct Rig {
  plat::Handle lock;     // auto-reset event, signalled = free
  RigCamera cameras[kRigMaxCameras];
  int cameraCount;
  RigHandle handles[kRigMaxHandles];
  uint32_t nextSerial;
  uint32_t timeoutMs;
  plat::DevicePathSeam seam;
  FILE* trace;           // the traffic trace, or null
};

namespace {

void lockRig(Rig* rig) { plat::waitFor(rig->lock, plat::kInfinite); }
void unlockRig(Rig* rig) { plat::setEvent(rig->lock); }

bool validCamera(Rig* rig, int camera) { return camera >= 0 && camera < rig->cameraCount; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive prefix match (object names are not case sensitive);
// returns the rest of `text` after `prefix`, or null.
const char* afterPrefix(const char* text, const char* prefix) {
  for (; *prefix; ++prefix, ++text) {
    if (lower(*text) != lower(*prefix)) return nullptr;
  }
  return text;
}

// "\c\i\a\p": four backslash-separated decimal numbers.
bool parsePipeName(const char* name, uint32_t parts[4]) {
  for (int k = 0; k < 4; ++k) {
    if (*name != '\\') return false;
    ++name;
    if (*name < '0' || *name > '9') return false;
    uint32_t value = 0;
    while (*name >= '0' && *name <= '9') {
      value = value * 10 + static_cast<uint32_t>(*name - '0');
      if (value > 0xFFFFFF) return false;
      ++name;
    }
    parts[k] = value;
  }
  return *name == '\0';
}

void wakeCamera(Rig* rig, int camera) {
  for (uint32_t n = 0; n < kRigMaxHandles; ++n) {
    RigHandle& handle = rig->handles[n];
    if (handle.used && handle.camera == camera) plat::setEvent(handle.wake);
  }
}

void unplugLocked(Rig* rig, int camera) {
  RigCamera& cam = rig->cameras[camera];
  cam.plugged = false;
  cam.generation++;
  memset(cam.pipeOpen, 0, sizeof(cam.pipeOpen));
  cam.model->transferActive = 0;
  cam.model->replyCount = 0;
  wakeCamera(rig, camera);
}

RigHandle* findHandle(Rig* rig, uint32_t id) {
  uint32_t slot = (id & 0xFF) - 1;
  if (slot >= kRigMaxHandles) return nullptr;
  RigHandle* handle = &rig->handles[slot];
  if (!handle->used || handle->serial != (id >> 8)) return nullptr;
  return handle;
}

void releasePipe(Rig* rig, RigHandle* handle) {
  RigCamera& cam = rig->cameras[handle->camera];
  if (handle->pipe >= 0 && handle->generation == cam.generation && !handle->pipeReleased)
    cam.pipeOpen[handle->pipe] = false;
  handle->pipeReleased = true;
}

void freeHandle(Rig* rig, RigHandle* handle) {
  releasePipe(rig, handle);
  plat::closeHandle(handle->wake);
  handle->used = false;
  handle->wake = nullptr;
}

uint32_t seamOpen(void* context, const char* path, uint32_t* id) {
  Rig* rig = static_cast<Rig*>(context);
  const char* rest = afterPrefix(path, "\\\\.\\");
  if (!rest) return kSimErrorFileNotFound;
  lockRig(rig);
  uint32_t result = kSimErrorFileNotFound;
  for (int c = 0; c < rig->cameraCount; ++c) {
    RigCamera& cam = rig->cameras[c];
    if (!cam.plugged) continue;
    char name[32];
    snprintf(name, sizeof(name), "%s%3.3u", cam.baseName, static_cast<unsigned>(cam.index));
    const char* pipeName = afterPrefix(rest, name);
    if (!pipeName) continue;
    int pipe = -1;
    if (*pipeName == '\0' && cam.openFault[4]) {
      result = cam.openFault[4];
      cam.openFault[4] = 0;
      break;
    }
    if (*pipeName != '\0') {
      uint32_t parts[4];
      // Configuration and alternate setting are carried along, not checked;
      // the camera has one interface with four pipes.
      if (!parsePipeName(pipeName, parts) || parts[1] != 0 || parts[3] > 3) continue;
      pipe = static_cast<int>(parts[3]);
      if (cam.openFault[pipe]) {
        result = cam.openFault[pipe];
        cam.openFault[pipe] = 0;
        break;
      }
      if (cam.pipeOpen[pipe]) {
        result = kSimErrorBusy;
        break;
      }
    }
    RigHandle* handle = nullptr;
    uint32_t slot = 0;
    for (; slot < kRigMaxHandles; ++slot) {
      if (!rig->handles[slot].used) {
        handle = &rig->handles[slot];
        break;
      }
    }
    plat::Handle wake = handle ? plat::createEvent(false, false) : nullptr;
    if (!wake) {
      result = 4;  // too many open files
      break;
    }
    handle->used = true;
    handle->camera = c;
    handle->pipe = pipe;
    handle->generation = cam.generation;
    handle->serial = ++rig->nextSerial & 0xFFFFFF;
    handle->wake = wake;
    handle->activeOps = 0;
    handle->closePending = false;
    handle->pipeReleased = false;
    if (pipe >= 0) cam.pipeOpen[pipe] = true;
    *id = (handle->serial << 8) | (slot + 1);
    result = 0;
    break;
  }
  unlockRig(rig);
  return result;
}

// One line of the traffic trace for a block the camera took (rig locked, so
// the lines keep the order in which the blocks arrived).
void traceBlock(Rig* rig, const uint8_t* block) {
  fprintf(rig->trace, "%02X %02X %02X %02X %02X %02X %02X %02X\n", block[0], block[1], block[2], block[3], block[4],
          block[5], block[6], block[7]);
  fflush(rig->trace);
}

// One read or write, waiting (without the lock) while the camera has
// nothing to serve, up to the time-out.
uint32_t pipeOperation(Rig* rig, uint32_t id, bool isWrite, void* buffer, uint32_t count, uint32_t* done) {
  uint32_t moved = 0;
  lockRig(rig);
  RigHandle* handle = findHandle(rig, id);
  uint32_t result;
  if (!handle) {
    result = plat::kErrorInvalidHandle;
  } else if (handle->pipe < 0) {
    result = kSimErrorInvalidFunction;
  } else {
    RigCamera& cam = rig->cameras[handle->camera];
    uint32_t start = plat::tickCount();
    bool retry = false, stalled = false;
    for (;;) {
      if (!cam.plugged || handle->generation != cam.generation) {
        result = kSimErrorGone;
        break;
      }
      if (handle->closePending) {
        result = kSimErrorOperationAborted;
        break;
      }
      uint32_t now = plat::tickCount();
      if (!stalled) {
        result = isWrite ? cameraWrite(cam.model, handle->pipe, buffer, count, now, &moved, retry)
                         : cameraRead(cam.model, handle->pipe, buffer, count, now, &moved, retry);
        retry = true;
        if (cam.model->wentAway) {
          cam.model->wentAway = 0;
          unplugLocked(rig, handle->camera);
        }
        if (result == kSimStall) stalled = true;
        if (result != kSimWait && result != kSimStall) break;
      }
      int32_t remaining = static_cast<int32_t>(start + rig->timeoutMs - now);
      if (remaining <= 0) {
        result = kSimErrorTimeout;
        moved = 0;
        break;
      }
      handle->activeOps++;
      plat::Handle wake = handle->wake;
      unlockRig(rig);
      plat::waitFor(wake, static_cast<uint32_t>(remaining));
      lockRig(rig);
      handle->activeOps--;
    }
    if (result == kSimDone && isWrite) wakeCamera(rig, handle->camera);
    if (result == kSimDone && isWrite && handle->pipe == 0 && moved == 8 && rig->trace)
      traceBlock(rig, static_cast<const uint8_t*>(buffer));
    if (handle->closePending && handle->activeOps == 0) freeHandle(rig, handle);
  }
  unlockRig(rig);
  if (done) *done = result == kSimDone ? moved : 0;
  return result;
}

uint32_t seamRead(void* context, uint32_t id, void* buffer, uint32_t count, uint32_t* done) {
  return pipeOperation(static_cast<Rig*>(context), id, false, buffer, count, done);
}

uint32_t seamWrite(void* context, uint32_t id, const void* buffer, uint32_t count, uint32_t* done) {
  return pipeOperation(static_cast<Rig*>(context), id, true, const_cast<void*>(buffer), count, done);
}

void seamClose(void* context, uint32_t id) {
  Rig* rig = static_cast<Rig*>(context);
  lockRig(rig);
  RigHandle* handle = findHandle(rig, id);
  if (handle && !handle->closePending) {
    if (handle->activeOps > 0) {
      // A read or write is waiting on this handle: it ends it and frees it.
      handle->closePending = true;
      releasePipe(rig, handle);
      plat::setEvent(handle->wake);
    } else {
      freeHandle(rig, handle);
    }
  }
  unlockRig(rig);
}

}  // namespace

Rig* rigCreate() {
  Rig* rig = new Rig;
  memset(rig, 0, sizeof(*rig));
  rig->lock = plat::createEvent(false, true);
  if (!rig->lock) {
    delete rig;
    return nullptr;
  }
  rig->timeoutMs = kRigDefaultTimeoutMs;
  rig->seam.context = rig;
  rig->seam.open = seamOpen;
  rig->seam.read = seamRead;
  rig->seam.write = seamWrite;
  rig->seam.close = seamClose;
  return rig;
}

void rigDestroy(Rig* rig) {
  if (!rig) return;
  rigUninstall(rig);
  rigTraceTo(rig, nullptr);
  for (uint32_t n = 0; n < kRigMaxHandles; ++n) {
    if (rig->handles[n].used) plat::closeHandle(rig->handles[n].wake);
  }
  for (int c = 0; c < rig->cameraCount; ++c) delete rig->cameras[c].model;
  plat::closeHandle(rig->lock);
  delete rig;
}

int rigAddCamera(Rig* rig, SimModel model, uint32_t index, const char* baseName) {
  if (index > 999) return -1;
  lockRig(rig);
  int number = -1;
  if (rig->cameraCount < static_cast<int>(kRigMaxCameras)) {
    RigCamera& cam = rig->cameras[rig->cameraCount];
    memset(&cam, 0, sizeof(cam));
    cam.model = new SimCamera;
    cameraInit(cam.model, model, plat::tickCount());
    if (!baseName) baseName = model == kModelSxga ? "ZELA1" : "ZELBxQ";
    snprintf(cam.baseName, sizeof(cam.baseName), "%s", baseName);
    cam.index = index;
    cam.plugged = true;
    number = rig->cameraCount++;
  }
  unlockRig(rig);
  return number;
}

void rigInstall(Rig* rig) { plat::installDevicePathSeam(&rig->seam); }

void rigUninstall(Rig* rig) {
  if (plat::devicePathSeam() == &rig->seam) plat::installDevicePathSeam(nullptr);
}

const plat::DevicePathSeam* rigSeam(Rig* rig) { return &rig->seam; }

void rigUnplug(Rig* rig, int camera) {
  if (!validCamera(rig, camera)) return;
  lockRig(rig);
  if (rig->cameras[camera].plugged) unplugLocked(rig, camera);
  unlockRig(rig);
}

void rigReplug(Rig* rig, int camera, uint32_t newIndex) {
  if (!validCamera(rig, camera) || newIndex > 999) return;
  lockRig(rig);
  RigCamera& cam = rig->cameras[camera];
  if (cam.plugged) unplugLocked(rig, camera);
  if (newIndex) cam.index = newIndex;
  cameraPowerUp(cam.model, plat::tickCount());
  cam.plugged = true;
  unlockRig(rig);
}

bool rigIsPlugged(Rig* rig, int camera) {
  if (!validCamera(rig, camera)) return false;
  lockRig(rig);
  bool plugged = rig->cameras[camera].plugged;
  unlockRig(rig);
  return plugged;
}

void rigSetTimeout(Rig* rig, uint32_t milliseconds) {
  lockRig(rig);
  rig->timeoutMs = milliseconds;
  unlockRig(rig);
}

SimCamera* rigLockCamera(Rig* rig, int camera) {
  if (!validCamera(rig, camera)) return nullptr;
  lockRig(rig);
  return rig->cameras[camera].model;
}

void rigUnlockCamera(Rig* rig, int camera) {
  if (validCamera(rig, camera)) wakeCamera(rig, camera);
  unlockRig(rig);
}

void rigSetWarmup(Rig* rig, int camera, uint32_t statusQueries) {
  SimCamera* model = rigLockCamera(rig, camera);
  if (!model) return;
  model->warmupQueries = statusQueries;
  rigUnlockCamera(rig, camera);
}

void rigSetContent(Rig* rig, int camera, SimContent content) {
  SimCamera* model = rigLockCamera(rig, camera);
  if (!model) return;
  model->content = content;
  rigUnlockCamera(rig, camera);
}

void rigConnectExternal(Rig* rig, int camera, bool ext1, bool ext2) {
  SimCamera* model = rigLockCamera(rig, camera);
  if (!model) return;
  model->ext1Connected = ext1;
  model->ext2Connected = ext2;
  rigUnlockCamera(rig, camera);
}

void rigFailNextOpen(Rig* rig, int camera, int pipe, uint32_t code) {
  if (!validCamera(rig, camera) || pipe < -1 || pipe > 3) return;
  lockRig(rig);
  rig->cameras[camera].openFault[pipe < 0 ? 4 : pipe] = code;
  unlockRig(rig);
}

bool rigAddFault(Rig* rig, int camera, const SimFault& fault) {
  SimCamera* model = rigLockCamera(rig, camera);
  if (!model) return false;
  bool added = cameraAddFault(model, fault);
  rigUnlockCamera(rig, camera);
  return added;
}

void rigClearFaults(Rig* rig, int camera) {
  SimCamera* model = rigLockCamera(rig, camera);
  if (!model) return;
  cameraClearFaults(model);
  rigUnlockCamera(rig, camera);
}

uint32_t rigWireLog(Rig* rig, int camera, SimLogEntry* out, uint32_t max) {
  SimCamera* model = rigLockCamera(rig, camera);
  if (!model) return 0;
  uint32_t count = cameraWireLog(model, out, max);
  rigUnlockCamera(rig, camera);
  return count;
}

bool rigTraceTo(Rig* rig, const char* fileName) {
  lockRig(rig);
  if (rig->trace) fclose(rig->trace);
  rig->trace = fileName ? fopen(fileName, "wb") : nullptr;  // lines end in \n on every platform
  const bool tracing = rig->trace != nullptr;
  unlockRig(rig);
  return tracing || !fileName;
}

void rigClearWireLog(Rig* rig, int camera) {
  SimCamera* model = rigLockCamera(rig, camera);
  if (!model) return;
  cameraClearWireLog(model);
  rigUnlockCamera(rig, camera);
}

}  // namespace sim
