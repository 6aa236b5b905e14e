// The user-mode rig: puts simulated cameras behind the "\\.\" device paths
// through the platform's device-path seam, and behaves as the driver does in
// front of a camera: numbered device paths and pipe paths, one open per
// pipe, unplug and replug, the transfer time-out (121), short reads. It is
// thread safe: a blocked read waits on a platform event without holding the
// rig's lock, and wakes early when the camera answers or goes away.
//
// Errors it produces (Win32 numbering):
//   2    unknown path, pipe or interface; any open while unplugged
//   170  second open of a pipe path
//   121  a transfer the camera does not serve within the time-out
//   1167 any read or write on a handle whose camera was unplugged (also
//        one that was waiting when it went away), even after a replug
//   1    read or write on the device path's own handle
//   87   read on the command pipe, write on the reply or image pipe
//   31   reply-pipe read of fewer than 8 bytes
//   995  the handle was closed while its read or write was waiting
//   6    unknown handle id
#pragma once

#include <stdint.h>

#include "platform/platform.h"
#include "sim/sim_camera.h"

namespace sim {

struct Rig;

enum : uint32_t {
  kRigMaxCameras = 8,
  kRigMaxHandles = 64,
  kRigDefaultTimeoutMs = 5000,  // the driver's transfer time-out
};

// A rig without cameras; null on failure. Uses the platform's events.
Rig* rigCreate();
// Uninstalls the seam if this rig's is installed, frees everything.
void rigDestroy(Rig* rig);

// Adds a camera, plugged in and powering up, published as
// "\\.\<baseName><index as 3 digits>". baseName null: "ZELBxQ" for the
// 1024 x 768 model, "ZELA1" for the 1280 x 1024 model. Returns the camera
// number (0, 1, ...) used by the calls below, or -1.
int rigAddCamera(Rig* rig, SimModel model, uint32_t index, const char* baseName = nullptr);

// Puts the rig behind every "\\.\" path (plat::installDevicePathSeam), or
// takes it away again. The seam can also be called directly.
void rigInstall(Rig* rig);
void rigUninstall(Rig* rig);
const plat::DevicePathSeam* rigSeam(Rig* rig);

// Unplug: opens fail with 2, every existing handle of the camera fails
// with 1167 from now on, waiting reads wake and fail at once.
void rigUnplug(Rig* rig, int camera);
// Replug: the camera powers up again (state back to defaults, warm-up
// again) at `newIndex`, or at its old index when newIndex is 0. Handles
// from before stay dead; pipes can be opened afresh.
void rigReplug(Rig* rig, int camera, uint32_t newIndex = 0);
bool rigIsPlugged(Rig* rig, int camera);

// The time a transfer the camera does not serve waits before failing with
// 121 (default 5000 ms; tests use e.g. 50).
void rigSetTimeout(Rig* rig, uint32_t milliseconds);

// Camera configuration.
void rigSetWarmup(Rig* rig, int camera, uint32_t statusQueries);  // default 2
void rigSetContent(Rig* rig, int camera, SimContent content);     // default kContentScene
void rigConnectExternal(Rig* rig, int camera, bool ext1, bool ext2);  // default ext1 only

// Fault script (see SimFault and the builders in sim_camera.h).
// rigFailNextOpen: the next open of pipe 0..3 (or of the device path, pipe
// -1) fails with `code`, once.
void rigFailNextOpen(Rig* rig, int camera, int pipe, uint32_t code);
bool rigAddFault(Rig* rig, int camera, const SimFault& fault);
void rigClearFaults(Rig* rig, int camera);

// The blocks the camera received on its command pipe, oldest first (the
// last kSimLogSize are kept). Returns the number copied.
uint32_t rigWireLog(Rig* rig, int camera, SimLogEntry* out, uint32_t max);
void rigClearWireLog(Rig* rig, int camera);

// The traffic trace, for demo builds and the checks that watch them: every
// command block a camera of the rig takes on its command pipe becomes one
// line of `fileName`, its eight bytes in upper-case hex separated by blanks
// ("A0 32 00 05 00 00 00 AF"), flushed at once. The file is started afresh;
// a null name ends the trace. False when the file cannot be created.
bool rigTraceTo(Rig* rig, const char* fileName);

// Direct access to a camera's model with the rig locked, for tests that
// look at or set state; every lock must be followed by rigUnlockCamera.
// Waiting reads are woken at the unlock.
SimCamera* rigLockCamera(Rig* rig, int camera);
void rigUnlockCamera(Rig* rig, int camera);

}  // namespace sim
