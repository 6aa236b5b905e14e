// The six device-control codes and the checks made before any of them
// writes to the caller's buffer.
#pragma once
#include <stdint.h>

#include "driver/logic/io_gate.h"
#include "driver/logic/status_codes.h"

namespace zelb1 {

constexpr uint32_t kControlGetDeviceCounter = 0x220200;
constexpr uint32_t kControlGetDeviceExtension = 0x220204;
constexpr uint32_t kControlGetDeviceDescriptor = 0x220208;
constexpr uint32_t kControlGetConfigDescriptor = 0x22020C;
constexpr uint32_t kControlGetBusVersion = 0x220210;
constexpr uint32_t kControlGetInterface0 = 0x220214;

constexpr uint32_t kDeviceExtensionSize = 2448;
constexpr uint32_t kBusVersionSize = 8;

struct DeviceControlCheck {
  Status status;    // success: go ahead; otherwise complete with this
  uint32_t length;  // success: the bytes the answer fills
};

// `interface0Size` is the size of the kept copy of interface 0's
// information, 0 when interface 0 was not configured.
//  - unknown code: invalid parameter;
//  - interface-0 copy without a configured interface 0: invalid device
//    state (there is nothing to copy);
//  - an output buffer shorter than the answer: buffer too small, and
//    nothing is written.
DeviceControlCheck checkDeviceControl(uint32_t code, uint32_t outputLength,
                                      uint32_t interface0Size);

// What a code needs of the device: the descriptor reads and the copy of
// interface 0 need the configured camera; the counter, the extension copy,
// the bus driver's version (and unknown codes, refused anyway) only read
// the driver's own records.
RequestKind controlRequestKind(uint32_t code);

}  // namespace zelb1
