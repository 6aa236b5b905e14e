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

  PipeOpenEntry& entry = state.pipeOpenTable[pipeIndex];
  if (entry.open) return kStatusDeviceBusy;

  entry.open = 1;
  entry.code = static_cast<int32_t>(code);
  state.openPipeCount += 1;
  *fileCode = code;
  return kStatusSuccess;
}

void releasePipe(PipeOpenState& state, uint32_t fileCode) {
  if (fileCode == kDevicePipeCode) return;
  PipeOpenEntry& entry = state.pipeOpenTable[pipeCodePipe(fileCode)];
  if (!entry.open) return;
  entry.open = 0;
  entry.code = -1;
  state.openPipeCount -= 1;
}

}  // namespace zelb1
