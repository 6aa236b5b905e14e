// Pipe transactions: block writes and reads with their retry rule, the
// reply check, the exchanges under the link lock, the start-up handshakes,
// the queries and the image-pipe read.
#include <cstring>

#include "devlink/device_link.h"

namespace devlink {

namespace {

constexpr uint32_t kLockWaitMs = 500;
constexpr int kBlockAttempts = 3;

// Holds the link lock from a successful wait to the end of the scope.
class LockRelease {
 public:
  explicit LockRelease(plat::Handle lock) : lock_(lock) {}
  ~LockRelease() { plat::setEvent(lock_); }
  LockRelease(const LockRelease&) = delete;
  LockRelease& operator=(const LockRelease&) = delete;

 private:
  plat::Handle lock_;
};

bool isViewerReadyStatus(uint8_t status) {
  switch (status) {
    case 0x80:
    case 0x81:
    case 0x82:
    case 0x84:
    case 0x88:
    case 0x90:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool DeviceLink::writeBlock(plat::Handle pipe, const CommandBlock& block) {
  lastError = 0;
  for (int attempt = 0; attempt < kBlockAttempts; ++attempt) {
    uint32_t done = 0;
    if (plat::writeFile(pipe, block.bytes, 8, &done)) return true;
    lastError = plat::lastError();
    // A transfer the driver timed out is not retried here: transact swaps
    // direction instead.
    if (lastError == plat::kErrorSemTimeout) return false;
  }
  return false;
}

bool DeviceLink::readBlock(plat::Handle pipe, CommandBlock* out) {
  lastError = 0;
  for (int attempt = 0; attempt < kBlockAttempts; ++attempt) {
    CommandBlock incoming = CommandBlock::zero();
    uint32_t done = 0;
    if (plat::readFile(pipe, incoming.bytes, 8, &done)) {
      *out = incoming;
      return true;
    }
    lastError = plat::lastError();
    if (lastError == plat::kErrorSemTimeout) return false;
  }
  return false;
}

// The reply echoes the command: bytes 0, 1 and 3 always. For bytes 4 to 7 the
// camera echoes the command's bytes as they were sent (0, 0, 0, AF for the
// picture commands and queries; the value bytes of the level commands), so
// the rule is that they must equal the command's. An accepted command thus
// passes, and a reply that belongs to another command (other code, parameter
// or data) fails. Query replies carry data there and are always taken
// unchecked. The status byte must have bit 7 set and a low nibble of 0 or 8.
bool DeviceLink::checkReply(const CommandBlock& command, const CommandBlock& reply) {
  if ((reply.lowWord() & 0xFF00FFFFu) != (command.lowWord() & 0xFF00FFFFu)) return false;
  if (reply.highWord() != command.highWord()) return false;
  const uint8_t status = reply.status();
  const uint8_t low = status & 0x0F;
  return (status & 0x80) != 0 && (low == 0 || low == 8);
}

bool DeviceLink::transact(CommandBlock* block) {
  if (plat::waitFor(linkLock, plat::kInfinite) != plat::kWaitObject0) return false;
  LockRelease release(linkLock);
  return exchangeUnderLock(block);
}

bool DeviceLink::transactHeld(CommandBlock* block) {
  // The start-up handshake left the lock taken; this exchange gives it back.
  LockRelease release(linkLock);
  return exchangeUnderLock(block);
}

// The exchange of transact: a timed-out write is answered by reading the
// reply pipe and a timed-out read by writing the command again, so a camera
// that missed one half of an exchange is brought back into step.
bool DeviceLink::exchangeUnderLock(CommandBlock* block) {
  CommandBlock reply = CommandBlock::zero();
  do {
    if (!writeBlock(pipeHandles[kCommandPipe], *block)) {
      if (lastError != plat::kErrorSemTimeout) return false;
      if (!readBlock(pipeHandles[kReplyPipe], &reply)) return false;
    }
  } while (lastError != 0);
  do {
    if (!readBlock(pipeHandles[kReplyPipe], &reply)) {
      if (lastError != plat::kErrorSemTimeout) return false;
      if (!writeBlock(pipeHandles[kCommandPipe], *block)) return false;
    }
  } while (lastError != 0);
  if (checkReply(*block, reply)) *block = reply;
  return true;
}

bool DeviceLink::transactOnce(CommandBlock* block, bool unchecked) {
  if (plat::waitFor(linkLock, kLockWaitMs) != plat::kWaitObject0) return false;
  LockRelease release(linkLock);
  CommandBlock reply = CommandBlock::zero();
  if (!writeBlock(pipeHandles[kCommandPipe], *block)) return false;
  if (!readBlock(pipeHandles[kReplyPipe], &reply)) return false;
  if (!unchecked && !checkReply(*block, reply)) return false;
  *block = reply;
  return true;
}

bool DeviceLink::probeStatus(CommandBlock* out) {
  // Goes on whether or not the lock was obtained, and keeps it: the first
  // held exchange after the handshake releases it.
  plat::waitFor(linkLock, kLockWaitMs);
  CommandBlock reply = CommandBlock::zero();
  writeBlock(pipeHandles[kCommandPipe], CommandBlock::make(kCmdQueryStatus, 0));
  readBlock(pipeHandles[kReplyPipe], &reply);
  *out = reply;
  return true;
}

bool DeviceLink::waitReady() {
  return variant == LinkVariant::DataSource ? waitReadySource() : waitReadyViewer();
}

bool DeviceLink::waitReadyViewer() {
  for (int round = 0; round < 20; ++round) {
    CommandBlock reply;
    probeStatus(&reply);
    if (reply.isAllZero()) {
      plat::showMessage(nullptr, "The USB connection is discontinued.", "Error", plat::kMbOk | plat::kMbIconError);
      plat::exitProcess(0);
      return false;  // only reached when a test intercepts the exit
    }
    const bool ready =
        reply.bytes[0] == 0xA0 && reply.bytes[1] == kCmdQueryStatus && isViewerReadyStatus(reply.bytes[2]);
    plat::sleepMs(1000);
    if (ready) return true;
  }
  return false;
}

bool DeviceLink::waitReadySource() {
  int rounds = 0;
  for (;;) {
    CommandBlock block = CommandBlock::make(kCmdQueryStatus, 0);
    transactOnce(&block, true);
    const uint8_t s = block.status() & 0xC0;
    if (s == 0) return false;
    if (++rounds > 30) return false;
    plat::sleepMs(300);
    if (s == 0x80) return true;
  }
}

uint64_t DeviceLink::queryStatus() {
  CommandBlock block = CommandBlock::make(kCmdQueryStatus, 0);
  return transactOnce(&block, true) ? block.value() : 0;
}

uint64_t DeviceLink::queryConfig() {
  CommandBlock block = CommandBlock::make(kCmdQueryConfig, 0);
  return transactOnce(&block, true) ? block.value() : 0;
}

bool DeviceLink::isIdle() {
  CommandBlock block = CommandBlock::make(kCmdQueryBusy, 0);
  if (!transactOnce(&block, true)) return false;
  const uint8_t b = block.bytes[4];
  const uint8_t low = b & 0x0F;
  const uint8_t high = b >> 4;
  if (low == 1 || low == 2 || low == 4) return false;
  if (high >= 2 && high <= 5) return false;
  return true;
}

// Reads one chunk of the image pipe. Two departures from the plain
// read-and-copy keep the frame sound: a lock that was not obtained is left
// alone (signalling it would let a second exchange run beside its holder),
// and a read the driver failed is reported, so the frame is abandoned
// instead of being shown with stale bytes. Why it failed is left in
// imageReadError: the read's own code, or the wait time-out (258) for a lock
// not obtained in time. A short read is taken as it comes: the byte count is
// not examined.
bool DeviceLink::readImage(uint8_t* destination, uint32_t count) {
  imageReadError = 0;
  if (count != stagingSize) {
    stagingSize = count;
    if (!resizeStaging()) return false;
  }
  if (plat::waitFor(linkLock, kLockWaitMs) != plat::kWaitObject0) {
    imageReadError = plat::kWaitTimeout;
    return false;
  }
  LockRelease release(linkLock);
  const bool direct = variant == LinkVariant::DataSource;
  uint32_t done = 0;
  if (!plat::readFile(pipeHandles[kImagePipe], direct ? destination : stagingBuffer, stagingSize, &done)) {
    lastError = imageReadError = plat::lastError();
    return false;
  }
  if (!direct) std::memcpy(destination, stagingBuffer, stagingSize);
  return true;
}

}  // namespace devlink
