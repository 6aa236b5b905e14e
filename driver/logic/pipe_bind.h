// Test builds only: binding a handle on the device to a pipe.
//
// Where the platform cannot pass the path below the device name to the
// driver, a test build of the driver accepts this device-control code on a
// handle opened on the device itself. Its input is the pipe name "\c\i\a\p"
// in UTF-16 (no terminator needed); it runs exactly the create-time parsing
// and one-open-per-pipe rule (openByName) and, on success, the handle then
// reads and writes that pipe and releases it on close. The shipped driver
// does not know the code (it answers invalid parameter).
#pragma once
#include <stdint.h>

namespace zelb1 {

// Device type 0x22, function 0x8F0, buffered, any access.
constexpr uint32_t kControlBindPipe = 0x2223C0;

}  // namespace zelb1
