#include "driver/logic/pipe_table.h"

#include "driver/logic/pipe_name.h"

namespace zelb1 {

Status openByName(PipeOpenState& state, const InterfacePipeCounts& counts,
                  const char16_t* name, size_t length, uint32_t* fileCode) {
  *fileCode = kDevicePipeCode;
  if (length == 0) return kStatusSuccess;

  uint32_t code = 0;
  Status status = parsePipeName(name, length, &code);
  if (!isSuccess(status)) return status;

  uint32_t interfaceIndex = pipeCodeInterface(code);
  uint32_t pipeIndex = pipeCodePipe(code);
  if (interfaceIndex >= kMaxInterfaces) return kStatusNoSuchDevice;
  int32_t pipes = counts.pipes[interfaceIndex];
  if (pipes == kNoInterface || static_cast<int64_t>(pipeIndex) >= pipes)
    return kStatusNoSuchDevice;

  // Check and take in one step: two opens racing for the same pipe (the
  // viewer and the data source) must not both win.
  PipeOpenEntry& entry = state.pipeOpenTable[pipeIndex];
  uint8_t closed = 0;
  if (!__atomic_compare_exchange_n(&entry.open, &closed, 1, false, __ATOMIC_ACQ_REL,
                                   __ATOMIC_ACQUIRE))
    return kStatusDeviceBusy;

  __atomic_store_n(&entry.code, static_cast<int32_t>(code), __ATOMIC_RELEASE);
  __atomic_add_fetch(&state.openPipeCount, 1, __ATOMIC_ACQ_REL);
  *fileCode = code;
  return kStatusSuccess;
}

void releasePipe(PipeOpenState& state, uint32_t fileCode) {
  if (fileCode == kDevicePipeCode) return;
  PipeOpenEntry& entry = state.pipeOpenTable[pipeCodePipe(fileCode)];
  if (!__atomic_load_n(&entry.open, __ATOMIC_ACQUIRE)) return;
  // The code goes first: once the entry reads closed, a new holder may
  // store its own.
  __atomic_store_n(&entry.code, -1, __ATOMIC_RELEASE);
  __atomic_sub_fetch(&state.openPipeCount, 1, __ATOMIC_ACQ_REL);
  __atomic_store_n(&entry.open, 0, __ATOMIC_RELEASE);
}

}  // namespace zelb1
