// The one-open-per-pipe rule.
//
// The table is keyed by pipe index alone (not by interface): only one handle
// per pipe index may be open at a time, across all processes. Handles on
// the device itself are not counted. Opens of one pipe may arrive at the
// same moment from two processes (the viewer and the data source): the
// check and the take are one atomic step, so exactly one of them wins.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "driver/logic/status_codes.h"

namespace zelb1 {

constexpr size_t kMaxInterfaces = 28;
constexpr size_t kPipeTableSize = 256;

// Pipes of each interface as configured at start; kNoInterface for an
// interface position that holds no configured interface.
constexpr int32_t kNoInterface = -1;
struct InterfacePipeCounts {
  int32_t pipes[kMaxInterfaces];
};

struct PipeOpenEntry {
  uint8_t open;
  int32_t code;
};

// Lives in the device extension (zeroed with it).
struct PipeOpenState {
  uint32_t openPipeCount;
  PipeOpenEntry pipeOpenTable[kPipeTableSize];
};

// Create: empty name opens the device itself (*fileCode = kDevicePipeCode).
// Otherwise the name is parsed, its interface and pipe are checked against
// the configured interfaces (an unknown interface is refused like an
// unknown pipe, with no such device), a pipe index already open is refused
// with device busy, and on success the entry is marked open with the code.
// On any refusal *fileCode is kDevicePipeCode, so that a later close of the
// refused file releases nothing.
Status openByName(PipeOpenState& state, const InterfacePipeCounts& counts,
                  const char16_t* name, size_t length, uint32_t* fileCode);

// Close: releases the pipe held by a file with this code. Codes of device
// handles, and pipes not marked open, release nothing.
void releasePipe(PipeOpenState& state, uint32_t fileCode);

}  // namespace zelb1
