// What device-control 0x220204 hands to user mode: the device extension's
// 2448 bytes with its fields where the driver keeps them, but without a
// single kernel address. Device objects, pool copies, bus handles and the
// held power request are written as zeros, as is everything after the
// fields below; numbers, flags and the pipe table are copied.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "driver/logic/pipe_table.h"

namespace zelb1 {

// The leading fields of the device extension, in the driver's order and
// layout (the kernel checks its own extension against this at build time).
// Pointer-sized fields are kernel addresses.
struct ExtensionHead {
  uintptr_t pdo;
  uintptr_t lowerDevice;
  uint32_t deviceNumber;
  uintptr_t configDescriptor;
  uintptr_t interfaces[kMaxInterfaces];
  uintptr_t configurationHandle;
  PipeOpenState pipes;  // openPipeCount, pipeOpenTable
  uintptr_t deviceDescriptor;
  uint8_t unconfigured;
  uint8_t started;
  uint32_t devicePowerState;
  uintptr_t pendingPowerIrp;
};

// Writes the caller's copy (kDeviceExtensionSize bytes) of an extension
// that starts with an ExtensionHead.
void copyExtensionForCaller(const ExtensionHead& extension, uint8_t* out);

}  // namespace zelb1
