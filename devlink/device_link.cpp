// Device discovery and pipes: finding the camera's numbered device path,
// opening the device and its four pipes, the lock and the staging buffer.
#include <cstdio>
#include <cstring>

#include "devlink/device_link.h"

namespace devlink {

const char kDeviceDriverTextViewer[] =
    "Fail to find USB device driver.\nCheck the USB plug or the power of ZEL Bx-Q Series set.";
const char kDeviceDriverTextSource[] =
    "Fail to find USB device driver.\nCheck the USB plug or the power of the USB set.";
const char kDeviceDriverCaption[] = "Error - Device Driver";
const char kMemoryText[] = "Fail to allocate memory or resource.\nPlease exit the program, and restart it.";
const char kMemoryCaption[] = "Error - Memory/Resource";

namespace {

const char* const kViewerBaseNames[] = {"\\\\.\\ZELBxQ%3.3d"};
// The data source serves every model; the last name is the 1280x1024 camera.
const char* const kSourceBaseNames[] = {"\\\\.\\ZELB5%3.3d", "\\\\.\\ZELB1%3.3d", "\\\\.\\ZELBxQ%3.3d",
                                        "\\\\.\\ZELA1%3.3d"};

void formatPipePath(char* out, size_t size, const char* devicePath, int pipe) {
  std::snprintf(out, size, "%s\\0\\0\\0\\%d", devicePath, pipe);
}

void showError(const char* text, const char* caption) {
  plat::showMessage(nullptr, text, caption, plat::kMbOk | plat::kMbIconError);
}

// Bound on the viewer's start-up queries, in time, in line with the 20 s of
// the handshake that follows. A camera that never answers would otherwise
// keep the program in an endless loop before any window shows, and a count
// of attempts bounds nothing useful: each unanswered query may take the
// driver's 5 s time-out. Past the bound the open fails with the
// device-driver message.
constexpr uint32_t kOpenQueryBoundMs = 20000;

}  // namespace

DeviceLink::DeviceLink(LinkVariant linkVariant)
    : deviceHandle(plat::invalidHandle()),
      deviceIndex(0),
      linkLock(nullptr),
      stagingBuffer(nullptr),
      stagingSize(0),
      lastError(0),
      imageReadError(0),
      lineSkip(0),
      largeModel(0),
      variant(linkVariant) {
  for (int n = 0; n < kPipeCount; ++n) pipeHandles[n] = plat::invalidHandle();
  std::memset(devicePath, 0, sizeof devicePath);
}

uint32_t DeviceLink::findDevice() {
  const bool source = variant == LinkVariant::DataSource;
  const char* const* names = source ? kSourceBaseNames : kViewerBaseNames;
  const int nameCount = source ? 4 : 1;
  bool opened = false;
  for (int i = deviceIndex + 1; i < 1000 && !opened; ++i) {
    for (int n = 0; n < nameCount; ++n) {
      std::snprintf(devicePath, sizeof devicePath, names[n], i);
      plat::Handle handle = plat::openPath(devicePath);
      if (handle != plat::invalidHandle()) {
        deviceHandle = handle;
        deviceIndex = i;
        if (source) largeModel = (n == nameCount - 1) ? 1 : 0;
        opened = true;
        break;
      }
    }
  }
  if (!opened) {
    const uint32_t code = plat::lastError();
    return code ? code : plat::kErrorFileNotFound;
  }
  char pipePath[sizeof devicePath + 16];
  for (int n = 0; n < kPipeCount; ++n) {
    formatPipePath(pipePath, sizeof pipePath, devicePath, n);
    pipeHandles[n] = plat::openPath(pipePath);
    if (pipeHandles[n] == plat::invalidHandle()) {
      const uint32_t code = plat::lastError();
      return code ? code : plat::kErrorGenFailure;
    }
  }
  return 0;
}

// Sends the query until its reply is not all zero. Each query gets at least
// one attempt; no attempt starts once kOpenQueryBoundMs have passed since
// `startMs`, so the wait ends at most one time-out after the bound.
bool DeviceLink::queryUntilAnswered(uint8_t code, CommandBlock* reply, uint32_t startMs) {
  do {
    *reply = CommandBlock::make(code, 0);
    if (!transactOnce(reply, true)) *reply = CommandBlock::zero();
    if (!reply->isAllZero()) return true;
  } while (plat::tickCount() - startMs < kOpenQueryBoundMs);
  return false;
}

bool DeviceLink::queryOnce(uint8_t code, CommandBlock* reply) {
  *reply = CommandBlock::make(code, 0);
  if (!transactOnce(reply, true)) return false;
  return !reply->isAllZero();
}

bool DeviceLink::open(int sizeIndex) {
  const bool source = variant == LinkVariant::DataSource;
  deviceHandle = plat::invalidHandle();
  for (int n = 0; n < kPipeCount; ++n) pipeHandles[n] = plat::invalidHandle();
  linkLock = nullptr;
  stagingBuffer = nullptr;
  stagingSize = kMaxStagingBytes;

  if (findDevice() != 0) {
    close();
    showError(source ? kDeviceDriverTextSource : kDeviceDriverTextViewer, kDeviceDriverCaption);
    return false;
  }
  linkLock = plat::createEvent(false, true);
  if (!linkLock) {
    close();
    showError(kMemoryText, kMemoryCaption);
    return false;
  }

  CommandBlock status;
  CommandBlock config;
  if (source) {
    const bool statusOk = queryOnce(kCmdQueryStatus, &status);
    if (statusOk) plat::sleepMs(30);
    if (!statusOk || !queryOnce(kCmdQueryConfig, &config)) {
      close();
      return false;
    }
  } else {
    // Both queries share the one start-up bound.
    const uint32_t queriesStart = plat::tickCount();
    if (!queryUntilAnswered(kCmdQueryStatus, &status, queriesStart) ||
        !queryUntilAnswered(kCmdQueryConfig, &config, queriesStart)) {
      close();
      showError(kDeviceDriverTextViewer, kDeviceDriverCaption);
      return false;
    }
  }
  setLineSkipFlag((config.bytes[3] >> 4) & 1u);

  const int s = isValidSizeIndex(sizeIndex) ? sizeIndex : kHalfSize;
  const uint32_t rawFrameBytes = frameGeometry(modelBase(source && largeModel), s).rawBytes;
  if (stagingSize > rawFrameBytes) stagingSize = rawFrameBytes;
  if (!allocStaging()) {
    close();
    showError(kMemoryText, kMemoryCaption);
    return false;
  }
  return true;
}

bool DeviceLink::reopen() {
  const bool source = variant == LinkVariant::DataSource;
  close();
  if (findDevice() != 0) {
    close();
    showError(source ? kDeviceDriverTextSource : kDeviceDriverTextViewer, kDeviceDriverCaption);
    return false;
  }
  linkLock = plat::createEvent(false, true);
  if (!linkLock || !allocStaging()) {
    close();
    showError(kMemoryText, kMemoryCaption);
    return false;
  }
  return true;
}

void DeviceLink::close() {
  if (deviceHandle != plat::invalidHandle()) {
    plat::closeHandle(deviceHandle);
    deviceHandle = plat::invalidHandle();
  }
  for (int n = 0; n < kPipeCount; ++n) {
    if (pipeHandles[n] != plat::invalidHandle()) {
      plat::closeHandle(pipeHandles[n]);
      pipeHandles[n] = plat::invalidHandle();
    }
  }
  if (linkLock) {
    plat::closeHandle(linkLock);
    linkLock = nullptr;
  }
  freeStaging();
}

bool DeviceLink::isPresent() {
  plat::Handle device = plat::openPath(devicePath);
  if (device == plat::invalidHandle()) return false;
  plat::closeHandle(device);
  char pipePath[sizeof devicePath + 16];
  for (int n = 0; n < kPipeCount; ++n) {
    formatPipePath(pipePath, sizeof pipePath, devicePath, n);
    plat::Handle pipe = plat::openPath(pipePath);
    if (pipe == plat::invalidHandle()) {
      // This process holds every pipe, so the driver answers busy.
      if (plat::lastError() != plat::kErrorBusy) return false;
    } else {
      plat::closeHandle(pipe);
    }
  }
  return true;
}

// Device not connected (the driver's answer once the camera was removed)
// and not found say so outright. Any other failure (a time-out, the link
// lock not free in time, a transfer the camera or the bus broke off) leaves
// the camera there unless its paths no longer open.
bool DeviceLink::isGoneAfter(uint32_t error) {
  if (error == plat::kErrorDeviceNotConnected || error == plat::kErrorFileNotFound) return true;
  return !isPresent();
}

bool DeviceLink::allocStaging() {
  stagingBuffer = static_cast<uint8_t*>(plat::allocPages(stagingSize));
  if (!stagingBuffer) return false;
  std::memset(stagingBuffer, 0, stagingSize < 4 ? stagingSize : 4);
  return true;
}

void DeviceLink::freeStaging() {
  if (stagingBuffer) {
    plat::freePages(stagingBuffer);
    stagingBuffer = nullptr;
  }
}

bool DeviceLink::resizeStaging() {
  freeStaging();
  return allocStaging();
}

}  // namespace devlink
