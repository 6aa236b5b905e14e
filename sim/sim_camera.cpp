// The simulated camera's command handling, reply queue, pipe operations,
// fault script and wire log. The picture itself is in sim_scene.cpp.
#include "sim/sim_camera.h"

#include <string.h>

namespace sim {

void buildSceneTemplates(SimCamera* camera);  // sim_scene.cpp

namespace {

// Ranges, start values and speeds of the six levels (Focus, Zoom, Iris,
// Vol, Red, Blue). The focus range is what the 0x6B queries report.
const SimLevelState kLevelDefaults[kLevelCount] = {
    {1500, 100, 3000, 1000},  // Focus
    {0, 0, 1809, 600},        // Zoom
    {60, 0, 120, 40},         // Iris
    {60, 0, 120, 40},         // Vol
    {100, 0, 200, 60},        // Red
    {100, 0, 200, 60},        // Blue
};

// Busy byte (query 0x64, byte 4) while a level moves: low nibble for the
// optics, high nibble for the others.
const uint8_t kLevelBusy[kLevelCount] = {0x02, 0x01, 0x04, 0x20, 0x30, 0x40};
const uint8_t kAutoFocusBusy = 0x02;
const uint8_t kWhiteBalanceBusy = 0x50;
const uint32_t kAutomaticRunMs = 800;  // auto focus / white balance duration

int levelForCode(uint8_t code, uint8_t base) {
  // Move codes 0x21..0x26 and set codes 0x41..0x46 share the order
  // Iris, Vol, Red, Blue, Focus, Zoom.
  static const int8_t order[6] = {kLevelIris, kLevelVol, kLevelRed, kLevelBlue, kLevelFocus, kLevelZoom};
  int n = code - base;
  return (n >= 0 && n < 6) ? order[n] : -1;
}

int levelForQuery(uint8_t code) {
  // 0x65..0x6A: Iris, Vol, Red, Blue, Zoom, Focus.
  static const int8_t order[6] = {kLevelIris, kLevelVol, kLevelRed, kLevelBlue, kLevelZoom, kLevelFocus};
  int n = code - kCodeIrisQuery;
  return (n >= 0 && n < 6) ? order[n] : -1;
}

bool wideLevel(int level) { return level == kLevelFocus || level == kLevelZoom; }

int32_t clampLevel(const SimLevelState& level, int32_t value) {
  if (value < level.min) return level.min;
  if (value > level.max) return level.max;
  return value;
}

void settleMove(SimCamera* camera, uint32_t nowMs) {
  if (camera->movingLevel < 0) return;
  int level = camera->movingLevel;
  camera->levels[level].value = cameraLevel(camera, static_cast<SimLevel>(level), nowMs);
  camera->movingLevel = -1;
}

uint8_t busyByte(const SimCamera* camera, uint32_t nowMs) {
  uint8_t busy = 0;
  if (camera->movingLevel >= 0) {
    const SimLevelState& level = camera->levels[camera->movingLevel];
    int32_t value = cameraLevel(camera, static_cast<SimLevel>(camera->movingLevel), nowMs);
    bool atEnd = camera->moveDirection > 0 ? value >= level.max : value <= level.min;
    if (!atEnd) busy |= kLevelBusy[camera->movingLevel];
  }
  if (static_cast<int32_t>(camera->busyUntilMs - nowMs) > 0) busy |= camera->busyNibbles;
  return busy;
}

uint8_t reportedInput(const SimCamera* camera) {
  switch (camera->selectedInput) {
    case 1: return camera->ext1Connected ? kInputExt1 : kInputNoSync1;
    case 2: return camera->ext2Connected ? kInputExt2 : kInputNoSync2;
    default: return kInputInternal;
  }
}

uint8_t statusA3(const SimCamera* camera) {
  return static_cast<uint8_t>((camera->presetLock ? 0x10 : 0) | (camera->apertureOff ? 0x04 : 0));
}

uint8_t statusA4(const SimCamera* camera) {
  return static_cast<uint8_t>((camera->negative ? 0x80 : 0) | (reportedInput(camera) << 4) |
                              ((camera->lamp & 3) << 2) | (camera->outputMode & 3));
}

uint8_t statusB3(const SimCamera* camera) {
  uint8_t quarter = camera->rotation & 1, half = (camera->rotation >> 1) & 1;
  return static_cast<uint8_t>((camera->recall ? 0x80 : 0) | (camera->freeze ? 0x40 : 0) | (half ? 0x20 : 0) |
                              (quarter ? 0x10 : 0) | (camera->multi ? 0x08 : 0) | (camera->divide ? 0x04 : 0));
}

void queueReply(SimCamera* camera, const uint8_t reply[8]) {
  // A camera that is never read keeps only the newest replies.
  if (camera->replyCount == kSimReplyQueue) {
    camera->replyHead = (camera->replyHead + 1) % kSimReplyQueue;
    camera->replyCount--;
  }
  uint32_t slot = (camera->replyHead + camera->replyCount) % kSimReplyQueue;
  memcpy(camera->replies[slot], reply, 8);
  camera->replyCount++;
}

void putValue(uint8_t reply[8], int level, int32_t value) {
  // Focus and Zoom: bytes 3 (high) and 4 (low); the others byte 4.
  if (wideLevel(level)) {
    reply[3] = static_cast<uint8_t>(value >> 8);
    reply[4] = static_cast<uint8_t>(value);
  } else {
    reply[3] = 0;
    reply[4] = static_cast<uint8_t>(value);
  }
}

void startTransfer(SimCamera* camera) {
  camera->transferCount++;
  camera->transferPicture = camera->held ? camera->heldPicture : currentPicture(camera);
  camera->transferSize = camera->sizeIndex;
  camera->transferFull = frameBytes(camera, camera->sizeIndex);
  camera->transferEnd = camera->transferFull;
  camera->transferOffset = 0;
  camera->goAwayAt = 0xFFFFFFFFu;
  for (uint32_t n = 0; n < kSimMaxFaults; ++n) {
    const SimFault& fault = camera->faults[n];
    if (fault.kind != kFaultTruncate && fault.kind != kFaultGoAway) continue;
    uint32_t times = fault.times ? fault.times : 1;
    if (camera->transferCount < camera->faultStart[n] || camera->transferCount >= camera->faultStart[n] + times)
      continue;
    if (fault.kind == kFaultTruncate && fault.bytes < camera->transferEnd) camera->transferEnd = fault.bytes;
    if (fault.kind == kFaultGoAway) camera->goAwayAt = fault.bytes;
  }
  camera->transferActive = 1;
}

// Handles the command; returns the status byte, or 0 to leave the reply
// as the caller prepared it (queries fill their own data).
uint8_t execute(SimCamera* camera, uint8_t code, uint8_t parameter, const uint8_t block[8], uint8_t reply[8],
                uint32_t nowMs) {
  const uint8_t ok = kSimStatusReady, bad = kSimStatusRejected;
  switch (code) {
    case kCodeSelectSize:
      // Any size index other than 0 and 2 means 1.
      camera->sizeIndex = (parameter == 0 || parameter == 2) ? parameter : 1;
      return ok;
    case kCodeStoreImage:
      if (parameter == 5) {
        if (!camera->freeze) camera->frameCounter++;
        camera->heldPicture = currentPicture(camera);
        camera->held = 1;
        return ok;
      }
      if (parameter == 10) {
        camera->held = 0;
        return ok;
      }
      return bad;
    case kCodeTransferImage:
      if (parameter != 5) return bad;
      // Without a hold the camera sends the live picture as it is now.
      startTransfer(camera);
      return ok;
    case kCodeLamp:
      if (parameter == 5) camera->lamp = kLampUpper;
      else if (parameter == 8) camera->lamp = kLampLower;
      else if (parameter == 10) camera->lamp = kLampOff;
      else return bad;
      return ok;
    case kCodeInput:
      if (parameter == 5) camera->selectedInput = 0;
      else if (parameter == 8) camera->selectedInput = 1;
      else if (parameter == 10) camera->selectedInput = 2;
      else return bad;
      return ok;
    case kCodeOutputMode:
      if (parameter == 8) camera->outputMode = kOutputXga;
      else if (parameter == 10) camera->outputMode = kOutputSvga;
      else if (parameter == 5) camera->outputMode = kOutputVga;
      else return bad;
      return ok;
    case kCodePolarity:  // 10 negative, 5 positive
      if (parameter != 5 && parameter != 10) return bad;
      camera->negative = parameter == 10;
      return ok;
    case kCodeFreeze:  // 5 freeze, 10 live
      if (parameter != 5 && parameter != 10) return bad;
      camera->freeze = parameter == 5;
      return ok;
    case kCodeAperture:  // 5 aperture on, 10 off
      if (parameter != 5 && parameter != 10) return bad;
      camera->apertureOff = parameter == 10;
      return ok;
    case kCodeRotate:
      // The parameter names the angle to turn to: 8 90, 10 180, 13 270,
      // 5 upright; the panel sends the next quarter turn from the angle shown.
      if (parameter == 5) camera->rotation = 0;
      else if (parameter == 8) camera->rotation = 1;
      else if (parameter == 10) camera->rotation = 2;
      else if (parameter == 13) camera->rotation = 3;
      else return bad;
      return ok;
    case kCodeAwc:
      if (parameter != 5) return bad;
      settleMove(camera, nowMs);
      camera->levels[kLevelRed].value = 100;
      camera->levels[kLevelBlue].value = 100;
      camera->busyUntilMs = nowMs + kAutomaticRunMs;
      camera->busyNibbles = kWhiteBalanceBusy;
      return ok;
    case kCodeAutoFocus:
      if (parameter != 5) return bad;
      settleMove(camera, nowMs);
      camera->levels[kLevelFocus].value =
          (camera->levels[kLevelFocus].min + camera->levels[kLevelFocus].max) / 2;
      camera->busyUntilMs = nowMs + kAutomaticRunMs;
      camera->busyNibbles = kAutoFocusBusy;
      return ok;
    case kCodeShift:
      if (parameter != 5) return bad;
      camera->shift = !camera->shift;  // not reported in the status
      return ok;
    case kCodeFree:  // back to the live picture from the memory modes
      if (parameter != 5) return bad;
      camera->recall = camera->divide = camera->multi = 0;
      return ok;
    case kCodeMemorySave:
      if (parameter < 1 || parameter > kSimMemories) return bad;
      camera->memories[parameter] = camera->frameCounter;
      camera->memoryUsed[parameter] = 1;
      return ok;
    case kCodeMemoryRecall:
      if (parameter < 1 || parameter > kSimMemories) return bad;
      camera->recalledMemory = parameter;
      // In the multi screen the memory goes into the multi picture.
      if (!camera->multi) {
        camera->recall = 1;
        camera->divide = 0;
      }
      return ok;
    case kCodeDivide:
      if (parameter == 9) {
        camera->multi = 1;
        camera->recall = camera->divide = 0;
        return ok;
      }
      if (parameter < 1 || parameter > kSimMemories) return bad;
      camera->divide = 1;
      camera->recall = camera->multi = 0;
      camera->recalledMemory = parameter;
      return ok;
    case kCodePresetSave:
      if (parameter < 1 || parameter > kSimPresets) return bad;
      settleMove(camera, nowMs);
      camera->presets[parameter][0] = camera->levels[kLevelZoom].value;
      camera->presets[parameter][1] = camera->levels[kLevelFocus].value;
      camera->presets[parameter][2] = camera->levels[kLevelIris].value;
      camera->presetUsed[parameter] = 1;
      return ok;
    case kCodePresetExecute:
      if (parameter < 1 || parameter > kSimPresets) return bad;
      settleMove(camera, nowMs);
      if (camera->presetUsed[parameter]) {
        camera->levels[kLevelZoom].value = camera->presets[parameter][0];
        camera->levels[kLevelFocus].value = camera->presets[parameter][1];
        camera->levels[kLevelIris].value = camera->presets[parameter][2];
      }
      return ok;
    case kCodeStopMove:
      if (parameter != 5) return bad;
      settleMove(camera, nowMs);
      return ok;
    case kCodeQueryStatus:
      reply[3] = statusA3(camera);
      reply[4] = statusA4(camera);
      reply[5] = reply[6] = 0;
      reply[7] = 0xAF;
      return ok;
    case kCodeQueryConfig:
      reply[3] = statusB3(camera);
      reply[4] = reply[5] = reply[6] = 0;
      reply[7] = 0xAF;
      return ok;
    case kCodeQueryBusy:
      reply[3] = 0;
      reply[4] = busyByte(camera, nowMs);
      reply[5] = reply[6] = 0;
      reply[7] = 0xAF;
      return ok;
    case kCodeFocusLimit: {
      const SimLevelState& focus = camera->levels[kLevelFocus];
      if (parameter != 5 && parameter != 10) return bad;
      putValue(reply, kLevelFocus, parameter == 5 ? focus.max : focus.min);
      reply[5] = reply[6] = 0;
      reply[7] = 0xAF;
      return ok;
    }
    default:
      break;
  }
  int level = levelForCode(code, kCodeIrisMove);
  if (level >= 0) {
    if (parameter != 5 && parameter != 10) return bad;
    settleMove(camera, nowMs);
    camera->movingLevel = static_cast<int8_t>(level);
    camera->moveDirection = parameter == 5 ? 1 : -1;
    camera->moveStartValue = camera->levels[level].value;
    camera->moveStartMs = nowMs;
    return ok;
  }
  level = levelForCode(code, kCodeIrisSet);
  if (level >= 0) {
    if (camera->movingLevel == level) settleMove(camera, nowMs);
    int32_t value = wideLevel(level) ? (block[3] << 8 | block[4]) : block[4];
    camera->levels[level].value = clampLevel(camera->levels[level], value);
    return ok;
  }
  level = levelForQuery(code);
  if (level >= 0) {
    putValue(reply, level, cameraLevel(camera, static_cast<SimLevel>(level), nowMs));
    reply[5] = reply[6] = 0;
    reply[7] = 0xAF;
    return ok;
  }
  return bad;
}

bool isQuery(uint8_t code) { return code >= kCodeQueryStatus && code <= kCodeFocusLimit; }

// The fault that applies to this operation, if any.
const SimFault* activeFault(const SimCamera* camera, int pipe, SimDirection direction, uint32_t opNumber) {
  for (uint32_t n = 0; n < kSimMaxFaults; ++n) {
    const SimFault& fault = camera->faults[n];
    if (fault.kind != kFaultFail && fault.kind != kFaultStall && fault.kind != kFaultReplyData) continue;
    if (fault.pipe != pipe || fault.direction != direction) continue;
    uint32_t times = fault.times ? fault.times : 1;
    if (opNumber >= camera->faultStart[n] && opNumber < camera->faultStart[n] + times) return &fault;
  }
  return nullptr;
}

}  // namespace

void cameraInit(SimCamera* camera, SimModel model, uint32_t nowMs) {
  memset(camera, 0, sizeof(*camera));
  camera->model = model;
  camera->baseWidth = model == kModelSxga ? 1280 : 1024;
  camera->baseHeight = model == kModelSxga ? 1024 : 768;
  camera->content = kContentScene;
  // Two status queries of warm-up: enough to show the handshake wait.
  camera->warmupQueries = 2;
  camera->ext1Connected = 1;
  camera->ext2Connected = 0;
  buildSceneTemplates(camera);
  cameraPowerUp(camera, nowMs);
}

void cameraPowerUp(SimCamera* camera, uint32_t nowMs) {
  camera->statusQueriesSeen = 0;
  camera->sizeIndex = 1;
  camera->lamp = kLampUpper;
  camera->selectedInput = 0;
  camera->outputMode = kOutputXga;
  camera->negative = camera->freeze = camera->rotation = camera->apertureOff = camera->shift = 0;
  camera->recall = camera->divide = camera->multi = 0;
  camera->recalledMemory = 0;
  memset(camera->memories, 0, sizeof(camera->memories));
  memset(camera->memoryUsed, 0, sizeof(camera->memoryUsed));
  memset(camera->presets, 0, sizeof(camera->presets));
  memset(camera->presetUsed, 0, sizeof(camera->presetUsed));
  for (int n = 0; n < kLevelCount; ++n) camera->levels[n] = kLevelDefaults[n];
  camera->movingLevel = -1;
  camera->moveDirection = 0;
  camera->busyUntilMs = nowMs;
  camera->busyNibbles = 0;
  camera->frameCounter = 0;
  camera->held = 0;
  camera->heldPicture = currentPicture(camera);
  camera->replyHead = camera->replyCount = 0;
  memset(camera->lastReply, 0, sizeof(camera->lastReply));
  camera->transferActive = 0;
  camera->transferOffset = camera->transferEnd = camera->transferFull = 0;
  camera->goAwayAt = 0xFFFFFFFFu;
  camera->wentAway = 0;
}

void cameraCommand(SimCamera* camera, const uint8_t block[8], uint32_t nowMs) {
  uint8_t reply[8];
  memcpy(reply, block, 8);
  uint8_t code = block[1];
  bool warming = false;
  if (code == kCodeQueryStatus && camera->statusQueriesSeen < camera->warmupQueries) {
    camera->statusQueriesSeen++;
    warming = true;
  } else if (camera->statusQueriesSeen < camera->warmupQueries) {
    warming = true;
  }
  uint8_t status;
  if (block[0] != 0xA0) {
    status = kSimStatusRejected;
  } else if (warming) {
    // Queries still carry their data while warming up; nothing else acts.
    status = kSimStatusWarming;
    if (isQuery(code)) execute(camera, code, block[3], block, reply, nowMs);
  } else {
    status = execute(camera, code, block[3], block, reply, nowMs);
  }
  reply[2] = status;
  memcpy(camera->lastReply, reply, 8);
  queueReply(camera, reply);
}

uint32_t cameraWrite(SimCamera* camera, int pipe, const void* data, uint32_t count, uint32_t nowMs, uint32_t* done, bool retry) {
  *done = 0;
  if (pipe < 0 || pipe > 3) return kSimErrorInvalidParameter;
  const SimFault* fault = nullptr;
  if (!retry) fault = activeFault(camera, pipe, kDirWrite, ++camera->opCount[pipe][kDirWrite]);
  if (fault && fault->kind == kFaultFail) return fault->code;
  if (fault && fault->kind == kFaultStall) return kSimStall;
  if (pipe != 0) return kSimErrorInvalidParameter;
  if (count > 0) {
    SimLogEntry& entry = camera->log[camera->logTotal % kSimLogSize];
    memset(&entry, 0, sizeof(entry));
    memcpy(entry.bytes, data, count < 8 ? count : 8);
    entry.length = static_cast<uint8_t>(count < 255 ? count : 255);
    entry.timeMs = nowMs;
    camera->logTotal++;
  }
  // Only whole blocks are commands; anything else is taken and ignored.
  if (count == 8) cameraCommand(camera, static_cast<const uint8_t*>(data), nowMs);
  *done = count;
  return kSimDone;
}

uint32_t cameraRead(SimCamera* camera, int pipe, void* buffer, uint32_t count, uint32_t nowMs, uint32_t* done, bool retry) {
  *done = 0;
  if (pipe < 0 || pipe > 3) return kSimErrorInvalidParameter;
  const SimFault* fault = nullptr;
  if (!retry) fault = activeFault(camera, pipe, kDirRead, ++camera->opCount[pipe][kDirRead]);
  if (fault && fault->kind == kFaultFail) return fault->code;
  if (fault && fault->kind == kFaultStall) return kSimStall;
  if (pipe == 1) {
    // A reply is one 8-byte packet: a smaller read overruns.
    if (count < 8) return kSimErrorGenFailure;
    if (fault && fault->kind == kFaultReplyData) {
      if (camera->replyCount) {
        camera->replyHead = (camera->replyHead + 1) % kSimReplyQueue;
        camera->replyCount--;
      }
      memcpy(buffer, fault->data, 8);
      *done = 8;
      return kSimDone;
    }
    if (camera->replyCount == 0) return kSimWait;
    memcpy(buffer, camera->replies[camera->replyHead], 8);
    camera->replyHead = (camera->replyHead + 1) % kSimReplyQueue;
    camera->replyCount--;
    *done = 8;
    return kSimDone;
  }
  if (pipe == 3) {
    if (!camera->transferActive || camera->transferOffset >= camera->transferEnd) return kSimWait;
    uint32_t left = camera->transferEnd - camera->transferOffset;
    uint32_t n = count < left ? count : left;
    if (n > 0 && camera->transferOffset + n > camera->goAwayAt) {
      camera->transferActive = 0;
      camera->wentAway = 1;
      return kSimErrorGone;
    }
    generateFrame(camera, camera->transferPicture, camera->transferSize, camera->transferOffset,
                  static_cast<uint8_t*>(buffer), n);
    camera->transferOffset += n;
    *done = n;
    return kSimDone;
  }
  return kSimErrorInvalidParameter;
}

bool cameraAddFault(SimCamera* camera, const SimFault& fault) {
  for (uint32_t n = 0; n < kSimMaxFaults; ++n) {
    if (camera->faults[n].kind != kFaultNone) continue;
    camera->faults[n] = fault;
    uint32_t nth = fault.nth ? fault.nth : 1;
    if (fault.kind == kFaultTruncate || fault.kind == kFaultGoAway) {
      camera->faultStart[n] = camera->transferCount + nth;
    } else {
      uint32_t pipe = fault.pipe & 3;
      camera->faults[n].pipe = static_cast<uint8_t>(pipe);
      camera->faultStart[n] = camera->opCount[pipe][fault.direction ? kDirRead : kDirWrite] + nth;
    }
    return true;
  }
  return false;
}

void cameraClearFaults(SimCamera* camera) {
  memset(camera->faults, 0, sizeof(camera->faults));
  memset(camera->faultStart, 0, sizeof(camera->faultStart));
}

uint32_t cameraWireLog(const SimCamera* camera, SimLogEntry* out, uint32_t max) {
  uint32_t kept = camera->logTotal < kSimLogSize ? camera->logTotal : kSimLogSize;
  uint32_t first = camera->logTotal - kept;
  uint32_t n = 0;
  for (; n < kept && n < max; ++n) out[n] = camera->log[(first + n) % kSimLogSize];
  return n;
}

void cameraClearWireLog(SimCamera* camera) { camera->logTotal = 0; }

int32_t cameraLevel(const SimCamera* camera, SimLevel level, uint32_t nowMs) {
  const SimLevelState& state = camera->levels[level];
  if (camera->movingLevel != level) return state.value;
  // The value follows the time passed since the start command.
  uint32_t elapsed = nowMs - camera->moveStartMs;
  int64_t moved = static_cast<int64_t>(elapsed) * state.ratePerSecond / 1000;
  int64_t value = camera->moveStartValue + (camera->moveDirection > 0 ? moved : -moved);
  if (value < state.min) value = state.min;
  if (value > state.max) value = state.max;
  return static_cast<int32_t>(value);
}

SimPicture currentPicture(const SimCamera* camera) {
  SimPicture picture;
  memset(&picture, 0, sizeof(picture));
  picture.counter = camera->frameCounter;
  picture.rotation = camera->rotation;
  picture.negative = camera->negative;
  picture.input = reportedInput(camera);
  picture.divide = camera->divide;
  picture.multi = camera->multi;
  picture.recall = camera->recall;
  picture.memoryCounter = camera->recalledMemory ? camera->memories[camera->recalledMemory] : 0;
  return picture;
}

}  // namespace sim
