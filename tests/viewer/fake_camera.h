// A small scripted camera behind the device-path seam, for the viewer's
// tests: it answers command blocks, streams patterned frames, and fails,
// unplugs or re-enumerates on demand.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace viewer {

struct FakeCamera {
  std::atomic<int> index{1};        // published as \\.\ZELBxQ<index>
  std::atomic<bool> present{true};
  // Writes of this command code fail with failError while failCount > 0
  // (each failed write attempt counts one).
  std::atomic<int> failCode{0};
  std::atomic<int> failCount{0};
  uint32_t failError = plat::kErrorGenFailure;
  // Re-enumerate at the next index whenever a scripted failure fires (the
  // camera resets after a communication fault).
  bool reenumerateOnFailure = false;
  // Unplug after the TransferImage write, or after this many image reads.
  std::atomic<bool> unplugAtTransfer{false};
  std::atomic<int> unplugAfterImageReads{0};
  // Called on the thread that sent TransferImage.
  void (*onTransfer)(void* context) = nullptr;
  void* onTransferContext = nullptr;

  // Observations.
  std::atomic<int> selects{0}, holds{0}, releases{0}, transfers{0}, imageReads{0};
  std::atomic<int> heldPicture{0};
  std::atomic<int> lastSize{1};
  std::vector<uint8_t> commandLog;  // command code and parameter of every accepted command

  // Internal.
  plat::Handle lock = nullptr;
  uint8_t reply[8] = {0};
  bool replyPending = false;
  bool pipeOpen[4] = {false, false, false, false};
  uint32_t nextId = 1;
  uint32_t frameNumber = 0;
};

void installFakeCamera(FakeCamera* camera);
void removeFakeCamera();

// The command log as it is now, taken under the camera's lock (the
// acquisition thread may be adding to it).
std::vector<uint8_t> commandLogSnapshot(const FakeCamera& camera);

// Picture commands seen so far, as "S1 H R T" like letters, for order checks.
int countCommand(const FakeCamera& camera, uint8_t code, uint8_t parameter);

}  // namespace viewer
