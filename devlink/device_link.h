// DeviceLink: the one per-process record of the opened camera (device
// handle, four pipe handles, lock, staging buffer) and the block exchanges
// run under its lock. Both user-mode deliverables build this code; the data
// source's differences are selected by `variant`.
#pragma once

#include <cstdint>

#include "devlink/command_block.h"
#include "devlink/frame_geometry.h"
#include "platform/platform.h"

namespace devlink {

enum class LinkVariant { Viewer, DataSource };

// Pipe roles: 0 command (host to camera), 1 reply, 2 held only, 3 image.
enum : int { kCommandPipe = 0, kReplyPipe = 1, kHeldPipe = 2, kImagePipe = 3, kPipeCount = 4 };
enum : uint32_t { kMaxStagingBytes = kChunkLimit };  // one image-pipe read

extern const char kDeviceDriverTextViewer[];
extern const char kDeviceDriverTextSource[];
extern const char kDeviceDriverCaption[];
extern const char kMemoryText[];
extern const char kMemoryCaption[];

struct DeviceLink {
  plat::Handle deviceHandle;
  plat::Handle pipeHandles[kPipeCount];
  int32_t deviceIndex;
  char devicePath[100];
  plat::Handle linkLock;
  uint8_t* stagingBuffer;
  uint32_t stagingSize;
  uint32_t lastError;
  // System error code of the last image read that failed, 0 after one that
  // went through or failed for want of memory. Written only by readImage,
  // whose caller is the one thread running a frame transfer, so that caller
  // can read it after the lock is given back (lastError may by then hold
  // another thread's exchange).
  uint32_t imageReadError;
  uint32_t lineSkip;      // bit 4 of byte 3 of the configuration reply
  uint32_t largeModel;    // data source: the 1280x1024 camera answered
  LinkVariant variant;

  explicit DeviceLink(LinkVariant linkVariant = LinkVariant::Viewer);

  // --- Discovery and pipes ---
  // Full open; `sizeIndex` is the frame pipeline's size index, which sizes
  // the staging buffer. Shows its own messages; on failure leaves all closed.
  bool open(int sizeIndex);
  uint32_t findDevice();
  bool reopen();
  void close();
  bool isPresent();
  // Whether the camera is gone, judged after a pipe operation failed with
  // `error`.
  bool isGoneAfter(uint32_t error);
  bool allocStaging();
  void freeStaging();
  bool resizeStaging();
  // The viewer's control panel sets the flag on the user-interface thread
  // while the acquisition thread reads it for every chunk: both go through
  // atomic accesses (the record itself stays copyable).
  uint32_t lineSkipFlag() const { return __atomic_load_n(&lineSkip, __ATOMIC_RELAXED); }
  void setLineSkipFlag(uint32_t flag) { __atomic_store_n(&lineSkip, flag ? 1u : 0u, __ATOMIC_RELAXED); }
  bool isOpen() const { return deviceHandle != plat::invalidHandle(); }

  // --- Pipe transactions ---
  bool writeBlock(plat::Handle pipe, const CommandBlock& block);
  bool readBlock(plat::Handle pipe, CommandBlock* out);
  static bool checkReply(const CommandBlock& command, const CommandBlock& reply);
  bool transact(CommandBlock* block);
  bool transactOnce(CommandBlock* block, bool unchecked);
  bool transactHeld(CommandBlock* block);
  bool probeStatus(CommandBlock* out);
  // Viewer start-up handshake, or the data source's variant.
  bool waitReady();
  uint64_t queryStatus();
  uint64_t queryConfig();
  bool isIdle();
  bool readImage(uint8_t* destination, uint32_t count);

 private:
  bool exchangeUnderLock(CommandBlock* block);
  bool waitReadyViewer();
  bool waitReadySource();
  bool queryUntilAnswered(uint8_t code, CommandBlock* reply, uint32_t startMs);
  bool queryOnce(uint8_t code, CommandBlock* reply);
};

}  // namespace devlink
