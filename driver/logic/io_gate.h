// Which requests a device admits, and waiting for the ones inside.
//
// Every open, read, write and device-control enters the device's gate and
// leaves it when done (a read or write when its transfer has finished). What
// may enter depends on the device's state:
//
//   state            device open  pipe open   read/write  counter etc.  camera query
//   not started      yes          no such dev delete pend yes           not ready
//   started          yes          yes         yes         yes           yes
//   stopped          yes          not ready   not ready   yes           not ready
//   surprise removed not connected, whatever the request
//   removed          delete pending, whatever the request
//
// Stop and remove close the gate and wait until every request inside has
// left, so that the configuration is never replaced or released under a
// request that still uses it; a start after a stop opens it again.
#pragma once
#include <stdint.h>

#include "driver/logic/status_codes.h"

namespace zelb1 {

enum class DeviceState : int32_t { NotStarted, Started, Stopped, SurpriseRemoved, Removed };

enum class RequestKind {
  DeviceOpen,   // create with an empty name: the device itself
  PipeOpen,     // create with a pipe name: needs the configured interfaces
  Transfer,     // read or write on a pipe
  DeviceQuery,  // device controls that only read the driver's own records
  CameraQuery,  // device controls that read the camera or its interfaces
};

// Lives in the device extension.
struct IoGate {
  volatile int32_t state;    // DeviceState
  volatile int32_t holders;  // requests inside, plus one while the gate is open
  int32_t open;              // the gate's own hold is in `holders`; PnP only
};

// The table above; success means the request may go ahead.
Status admissionStatus(DeviceState state, RequestKind kind);

// A new device: not started, gate open.
void initGate(IoGate& gate);

// Enters the gate if the device's state admits the request. On success the
// caller must leaveGate once the request no longer uses the device. A
// refused request held the gate for a moment: *drained tells that it was
// the last holder of a closed gate, as leaveGate would.
Status enterGate(IoGate& gate, RequestKind kind, bool* drained);

// Leaves the gate. True when this was the last holder of a closed gate:
// whoever waits in closeGate may go on.
bool leaveGate(IoGate& gate);

DeviceState deviceState(IoGate& gate);
void setDeviceState(IoGate& gate, DeviceState state);

// Closes the gate (stop, remove). Set the device's new state first, so that
// nothing new enters. True when nothing is inside any more; otherwise the
// caller waits until leaveGate says the last holder has left.
bool closeGate(IoGate& gate);

// Opens the gate again after a stop (before the state becomes started).
void reopenGate(IoGate& gate);

}  // namespace zelb1
