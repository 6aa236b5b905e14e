#include "tests/viewer/fake_camera.h"

#include <cstdio>
#include <cstring>

namespace viewer {

namespace {

FakeCamera* cam = nullptr;

enum : uint32_t { kDeviceRole = 15 };

struct Guard {
  Guard() { plat::waitFor(cam->lock, plat::kInfinite); }
  ~Guard() { plat::setEvent(cam->lock); }
};

// "\\.\ZELBxQ001" or "\\.\ZELBxQ001\0\0\0\3": -1 when not ours.
bool parsePath(const char* path, int* index, int* pipe) {
  int consumed = 0;
  if (std::sscanf(path, "\\\\.\\ZELBxQ%3d%n", index, &consumed) != 1 || consumed != 13) return false;
  *pipe = -1;
  if (path[consumed] == 0) return true;
  int p = 0;
  if (std::sscanf(path + consumed, "\\0\\0\\0\\%d", &p) == 1 && p >= 0 && p < 4) {
    *pipe = p;
    return true;
  }
  return false;
}

uint32_t openPath(void*, const char* path, uint32_t* id) {
  Guard g;
  int index = 0, pipe = -1;
  if (!parsePath(path, &index, &pipe) || !cam->present || index != cam->index) return plat::kErrorFileNotFound;
  if (pipe >= 0) {
    if (cam->pipeOpen[pipe]) return plat::kErrorBusy;
    cam->pipeOpen[pipe] = true;
  }
  *id = (cam->nextId++ << 4) | static_cast<uint32_t>(pipe < 0 ? kDeviceRole : pipe);
  return 0;
}

void closeId(void*, uint32_t id) {
  Guard g;
  uint32_t role = id & 15;
  if (role < 4) cam->pipeOpen[role] = false;
}

void failureFired() {
  if (cam->reenumerateOnFailure) cam->index = cam->index + 1;
}

uint32_t writeId(void*, uint32_t id, const void* buffer, uint32_t count, uint32_t* done) {
  void (*transferHook)(void*) = nullptr;
  {
    Guard g;
    if (!cam->present) return plat::kErrorDeviceNotConnected;
    if ((id & 15) != 0 || count != 8) return plat::kErrorInvalidParameter;
    uint8_t block[8];
    std::memcpy(block, buffer, 8);
    uint8_t code = block[1], parameter = block[3];
    if (cam->failCount > 0 && code == cam->failCode) {
      cam->failCount--;
      failureFired();
      return cam->failError;
    }
    std::memcpy(cam->reply, block, 8);
    cam->reply[2] = 0x80;  // accepted, camera ready
    cam->replyPending = true;
    cam->commandLog.push_back(code);
    cam->commandLog.push_back(parameter);
    if (code == 0x31) {
      cam->selects++;
      cam->lastSize = parameter <= 2 ? parameter : 1;
    } else if (code == 0x32 && parameter == 5) {
      cam->holds++;
      cam->heldPicture = 1;
    } else if (code == 0x32 && parameter == 10) {
      cam->releases++;
      cam->heldPicture = 0;
    } else if (code == 0x33) {
      cam->transfers++;
      cam->frameNumber++;
      transferHook = cam->onTransfer;
      if (cam->unplugAtTransfer) cam->present = false;
    }
    if (done) *done = 8;
  }
  if (transferHook) transferHook(cam->onTransferContext);
  return 0;
}

uint32_t readId(void*, uint32_t id, void* buffer, uint32_t count, uint32_t* done) {
  Guard g;
  if (!cam->present) return plat::kErrorDeviceNotConnected;
  uint32_t role = id & 15;
  if (role == 1) {
    if (!cam->replyPending || count < 8) return plat::kErrorSemTimeout;
    std::memcpy(buffer, cam->reply, 8);
    cam->replyPending = false;
    if (done) *done = 8;
    return 0;
  }
  if (role == 3) {
    cam->imageReads++;
    if (cam->imageReads == cam->unplugAfterImageReads) cam->present = false;
    // Y varies with the frame so that pictures differ; chroma neutral.
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    for (uint32_t i = 0; i < count; ++i) bytes[i] = (i & 1) ? 128 : static_cast<uint8_t>(cam->frameNumber * 16 + i / 512);
    if (done) *done = count;
    return 0;
  }
  return plat::kErrorInvalidParameter;
}

plat::DevicePathSeam seam = {nullptr, openPath, readId, writeId, closeId};

}  // namespace

void installFakeCamera(FakeCamera* camera) {
  cam = camera;
  cam->lock = plat::createEvent(false, true);
  plat::installDevicePathSeam(&seam);
}

void removeFakeCamera() {
  plat::installDevicePathSeam(nullptr);
  plat::closeHandle(cam->lock);
  cam = nullptr;
}

std::vector<uint8_t> commandLogSnapshot(const FakeCamera& camera) {
  plat::waitFor(camera.lock, plat::kInfinite);
  std::vector<uint8_t> copy = camera.commandLog;
  plat::setEvent(camera.lock);
  return copy;
}

int countCommand(const FakeCamera& camera, uint8_t code, uint8_t parameter) {
  const std::vector<uint8_t> log = commandLogSnapshot(camera);
  int n = 0;
  for (size_t i = 0; i + 1 < log.size(); i += 2) n += log[i] == code && log[i + 1] == parameter;
  return n;
}

}  // namespace viewer
