// Test only: the device-path seam that reaches ZELB1's pipes through the
// pipe-bind test build of the driver, for programs run under Wine.
//
// Wine hands neither the path below a device name to the driver nor the
// driver's answer to a create back to the caller, so a pipe path
// "<device path>\c\i\a\p" cannot be opened directly. This seam opens the
// device path with CreateFile and binds the handle to the pipe with the
// test build's device-control code (driver/logic/pipe_bind.h), which runs
// the create-time parsing and one-open-per-pipe rule. A plain device path
// opens as it is. Reads, writes and closes go straight to the handle.
// Never part of a shipped program.
#pragma once

#include "platform/platform.h"

// The seam; install it with plat::installDevicePathSeam before anything
// opens a device path.
const plat::DevicePathSeam* pipeBindSeam();
