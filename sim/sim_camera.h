// The simulated camera: a pure model of the document camera as it looks from
// the far end of the USB pipes. It takes 8-byte command blocks, queues 8-byte
// replies, keeps the camera's state (picture commands, remote-control state,
// the six levels) and produces the held picture on the image pipe.
//
// Written so that the same code can run inside a kernel-mode simulated
// device: no exceptions, no RTTI, no threads, no clock of its own (every
// operation is given the time in milliseconds), no allocation after
// construction, nothing beyond <stdint.h>/<string.h>. The user-mode rig
// (sim_rig.h) adds device paths, handles, waiting and locking.
#pragma once

#include <stdint.h>

namespace sim {

// Camera models: the 1024 x 768 camera (published as ZELB5/ZELB1/ZELBxQ) and
// the 1280 x 1024 camera (published as ZELA1).
enum SimModel : uint8_t { kModelXga = 0, kModelSxga = 1 };

// What the image pipe carries.
//  kContentScene: a document under the camera (text lines, a colour chart,
//    a grey ramp, a red marker that advances at every hold).
//  kContentKnown: every 4-byte group is knownContentGroup(g, frameCounter)
//    with g its index in the frame; not affected by rotation, polarity,
//    input or memory modes.
enum SimContent : uint8_t { kContentScene = 0, kContentKnown = 1 };

// Results of a pipe operation on the model, besides 0 (done) and the
// system error codes the camera fails an operation with.
enum : uint32_t {
  kSimDone = 0,
  kSimWait = 0xFFFF0001u,   // nothing to serve yet: the driver waits for its time-out
  kSimStall = 0xFFFF0002u,  // deliberately not served: time out even if data arrives
};

// Error codes the camera produces (Win32 numbering).
enum : uint32_t {
  kSimErrorInvalidFunction = 1,   // read or write on the device itself
  kSimErrorFileNotFound = 2,
  kSimErrorGenFailure = 31,      // a read shorter than the reply packet
  kSimErrorInvalidParameter = 87, // wrong direction for the pipe
  kSimErrorTimeout = 121,
  kSimErrorBusy = 170,
  kSimErrorOperationAborted = 995,
  kSimErrorGone = 1167,           // the camera went away
};

// Status bytes (reply byte 2).
enum : uint8_t {
  kSimStatusReady = 0x80,     // accepted / ready
  kSimStatusWarming = 0x40,   // not ready yet after power-up (top bits 01)
  kSimStatusRejected = 0x83,  // unknown code or parameter (low nibble 3)
};

// Command codes the camera knows.
enum : uint8_t {
  kCodeAwc = 0x01, kCodeAutoFocus = 0x02, kCodeLamp = 0x03, kCodeInput = 0x04,
  kCodePolarity = 0x05, kCodeOutputMode = 0x06, kCodeAperture = 0x09,
  kCodeRotate = 0x11, kCodeFreeze = 0x12, kCodeMemorySave = 0x13,
  kCodeMemoryRecall = 0x14, kCodeDivide = 0x15, kCodeShift = 0x16,
  kCodePresetSave = 0x17, kCodePresetExecute = 0x18, kCodeFree = 0x1F,
  kCodeIrisMove = 0x21, kCodeVolMove = 0x22, kCodeRedMove = 0x23,
  kCodeBlueMove = 0x24, kCodeFocusMove = 0x25, kCodeZoomMove = 0x26,
  kCodeStopMove = 0x2F,
  kCodeSelectSize = 0x31, kCodeStoreImage = 0x32, kCodeTransferImage = 0x33,
  kCodeIrisSet = 0x41, kCodeVolSet = 0x42, kCodeRedSet = 0x43,
  kCodeBlueSet = 0x44, kCodeFocusSet = 0x45, kCodeZoomSet = 0x46,
  kCodeQueryStatus = 0x61, kCodeQueryConfig = 0x62, kCodeQueryBusy = 0x64,
  kCodeIrisQuery = 0x65, kCodeVolQuery = 0x66, kCodeRedQuery = 0x67,
  kCodeBlueQuery = 0x68, kCodeZoomQuery = 0x69, kCodeFocusQuery = 0x6A,
  kCodeFocusLimit = 0x6B,
};

// The six adjustable levels, in the control panel's order.
enum SimLevel : uint8_t { kLevelFocus = 0, kLevelZoom, kLevelIris, kLevelVol, kLevelRed, kLevelBlue, kLevelCount };

// Status A byte 4 input values.
enum : uint8_t { kInputInternal = 0, kInputNoSync1 = 4, kInputNoSync2 = 5, kInputExt1 = 6, kInputExt2 = 7 };
// Lamp and output mode values as reported.
enum : uint8_t { kLampOff = 0, kLampUpper = 1, kLampLower = 2 };
enum : uint8_t { kOutputXga = 1, kOutputSvga = 2, kOutputVga = 3 };

// Scripted faults. `nth` counts operations of that direction on that pipe
// from the moment the fault is added (1 = the next one); `times` operations
// in a row are affected (0 counts as 1).
enum SimFaultKind : uint8_t {
  kFaultNone = 0,
  kFaultFail,       // the operation fails at once with `code`
  kFaultStall,      // the operation is not served: it times out (121); nothing is consumed
  kFaultReplyData,  // a reply-pipe read delivers `data` instead of the queued reply (which is consumed)
  kFaultTruncate,   // the nth frame transfer (TransferImage) ends after `bytes` bytes
  kFaultGoAway,     // during the nth frame transfer the camera is unplugged once `bytes` bytes were read
};
enum SimDirection : uint8_t { kDirWrite = 0, kDirRead = 1 };

struct SimFault {
  SimFaultKind kind;
  uint8_t pipe;          // kFaultFail/kFaultStall/kFaultReplyData: pipe 0..3
  SimDirection direction;
  uint32_t nth;
  uint32_t times;
  uint32_t code;         // kFaultFail
  uint32_t bytes;        // kFaultTruncate/kFaultGoAway
  uint8_t data[8];       // kFaultReplyData
};

// Builders for the usual faults.
inline SimFault failOperation(int pipe, SimDirection direction, uint32_t nth, uint32_t code, uint32_t times = 1) {
  SimFault f = {kFaultFail, static_cast<uint8_t>(pipe), direction, nth, times, code, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  return f;
}
inline SimFault stallOperation(int pipe, SimDirection direction, uint32_t nth, uint32_t times = 1) {
  SimFault f = {kFaultStall, static_cast<uint8_t>(pipe), direction, nth, times, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  return f;
}
inline SimFault replaceReply(uint32_t nth, const uint8_t data[8]) {
  SimFault f = {kFaultReplyData, 1, kDirRead, nth, 1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  for (int n = 0; n < 8; ++n) f.data[n] = data[n];
  return f;
}
inline SimFault truncateFrame(uint32_t nthTransfer, uint32_t bytes) {
  SimFault f = {kFaultTruncate, 3, kDirRead, nthTransfer, 1, 0, bytes, {0, 0, 0, 0, 0, 0, 0, 0}};
  return f;
}
inline SimFault goAwayMidFrame(uint32_t nthTransfer, uint32_t bytes) {
  SimFault f = {kFaultGoAway, 3, kDirRead, nthTransfer, 1, 0, bytes, {0, 0, 0, 0, 0, 0, 0, 0}};
  return f;
}

// One block received on the command pipe (or a write of another length).
struct SimLogEntry {
  uint8_t bytes[8];
  uint8_t length;        // bytes written (only the first 8 are kept)
  uint32_t timeMs;
};

enum : uint32_t {
  kSimMaxBaseWidth = 1280,
  kSimMaxBaseHeight = 1024,
  kSimReplyQueue = 8,
  kSimLogSize = 256,
  kSimMaxFaults = 16,
  kSimMemories = 8,
  kSimPresets = 4,
  kSimRowKinds = 24,
};

struct SimLevelState {
  int32_t value;
  int32_t min, max;
  int32_t ratePerSecond;
};

// The held picture: what a transfer delivers.
struct SimPicture {
  uint32_t counter;
  uint8_t rotation;      // quarter turns 0..3
  uint8_t negative;
  uint8_t input;         // reported input value
  uint8_t divide, multi, recall;
  uint32_t memoryCounter;  // the picture recalled or shown beside the live one
};

struct SimCamera {
  // --- Configuration (kept across power cycles) ---
  SimModel model;
  uint16_t baseWidth, baseHeight;
  SimContent content;
  uint32_t warmupQueries;   // status queries answered "not ready" after power-up
  uint8_t ext1Connected, ext2Connected;
  uint8_t presetLock;       // status A byte 3 bit 4

  // --- State (reset at power-up) ---
  uint32_t statusQueriesSeen;
  uint8_t sizeIndex;        // 0..2
  uint8_t lamp, selectedInput /* 0 internal, 1 ext1, 2 ext2 */, outputMode;
  uint8_t negative, freeze, rotation, apertureOff, shift;
  uint8_t recall, divide, multi;
  uint8_t recalledMemory;   // 1..8, 0 none
  uint32_t memories[kSimMemories + 1];  // frame counter stored per memory (index 1..8)
  uint8_t memoryUsed[kSimMemories + 1];
  int32_t presets[kSimPresets + 1][3];  // zoom, focus, iris per preset (index 1..4)
  uint8_t presetUsed[kSimPresets + 1];
  SimLevelState levels[kLevelCount];
  int8_t movingLevel;       // -1 none
  int8_t moveDirection;     // +1 / -1
  int32_t moveStartValue;
  uint32_t moveStartMs;
  uint32_t busyUntilMs;     // auto focus / white balance running
  uint8_t busyNibbles;      // busy byte reported while busyUntilMs is ahead
  uint32_t frameCounter;    // advances at every hold unless frozen
  uint8_t held;
  SimPicture heldPicture;

  // Reply queue.
  uint8_t replies[kSimReplyQueue][8];
  uint32_t replyHead, replyCount;
  uint8_t lastReply[8];

  // Frame transfer in progress.
  uint8_t transferActive;
  SimPicture transferPicture;
  uint8_t transferSize;
  uint32_t transferOffset, transferEnd, transferFull;
  uint32_t goAwayAt;        // unplug when the transfer reaches this byte (0xFFFFFFFF none)
  uint8_t wentAway;         // set when a scripted fault unplugged the camera

  // --- Kept across power cycles ---
  uint32_t opCount[4][2];   // operations seen per pipe and direction
  uint32_t transferCount;
  SimFault faults[kSimMaxFaults];
  uint32_t faultStart[kSimMaxFaults];  // first affected operation number
  SimLogEntry log[kSimLogSize];
  uint32_t logTotal;        // entries ever recorded (the last kSimLogSize are kept)

  // Scene row templates at the base width (Y0 Cr Y1 Cb groups) and the row
  // kind of each base row, built once at construction.
  uint8_t rowKind[kSimMaxBaseHeight];
  uint8_t templates[kSimRowKinds][kSimMaxBaseWidth * 2];
};

// Construction: configuration defaults for the model, scene templates,
// then power-up at time `nowMs`.
void cameraInit(SimCamera* camera, SimModel model, uint32_t nowMs);
// Power cycle: every state back to its default, the reply queue and any
// transfer dropped, the not-ready phase starts again. Configuration, fault
// script, operation counters and the wire log are kept.
void cameraPowerUp(SimCamera* camera, uint32_t nowMs);

// One write or read on pipe 0..3 (the rig handles the device itself).
// Returns kSimDone with *done set, kSimWait, kSimStall or an error code.
// An operation that got kSimWait is tried again with `retry` set: it is
// counted (and matched against the fault script) only at its first attempt.
uint32_t cameraWrite(SimCamera* camera, int pipe, const void* data, uint32_t count, uint32_t nowMs, uint32_t* done,
                     bool retry = false);
uint32_t cameraRead(SimCamera* camera, int pipe, void* buffer, uint32_t count, uint32_t nowMs, uint32_t* done,
                    bool retry = false);

// Processes one command block and queues its reply (what a write of 8 bytes
// on the command pipe does).
void cameraCommand(SimCamera* camera, const uint8_t block[8], uint32_t nowMs);

// Adds a fault to the script; false when the script is full.
bool cameraAddFault(SimCamera* camera, const SimFault& fault);
void cameraClearFaults(SimCamera* camera);

// Copies the wire log, oldest first, up to `max` entries; returns the count.
uint32_t cameraWireLog(const SimCamera* camera, SimLogEntry* out, uint32_t max);
void cameraClearWireLog(SimCamera* camera);

// A level's current value (follows a running continuous change).
int32_t cameraLevel(const SimCamera* camera, SimLevel level, uint32_t nowMs);

// Frame geometry at a size index (0, 1, 2: divisor 1, 2, 4).
uint32_t frameWidth(const SimCamera* camera, int sizeIndex);
uint32_t frameHeight(const SimCamera* camera, int sizeIndex);
uint32_t frameBytes(const SimCamera* camera, int sizeIndex);

// Writes bytes [offset, offset + count) of a frame of `picture` at
// `sizeIndex` (no frame buffer: generated by position).
void generateFrame(const SimCamera* camera, const SimPicture& picture, int sizeIndex,
                   uint32_t offset, uint8_t* out, uint32_t count);
// The picture a hold would take now.
SimPicture currentPicture(const SimCamera* camera);

// Known content: the 4 bytes of group g of a frame with counter c.
//   byte 0 = g + c, byte 1 = g/256 + 3c, byte 2 = 5g + c + 1,
//   byte 3 = 3g + g/65536 + 7c  (each mod 256)
inline void knownContentGroup(uint32_t g, uint32_t c, uint8_t out[4]) {
  out[0] = static_cast<uint8_t>(g + c);
  out[1] = static_cast<uint8_t>((g >> 8) + 3u * c);
  out[2] = static_cast<uint8_t>(5u * g + c + 1u);
  out[3] = static_cast<uint8_t>(3u * g + (g >> 16) + 7u * c);
}

}  // namespace sim
