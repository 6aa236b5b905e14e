// The simulated USB bus of the Wine driver checks: its device-control codes
// and what they carry. Shared by the kernel-mode bus driver and the check
// program.
#pragma once
#include <stdint.h>

namespace simbus {

// Opened by the check program as "\\.\ZelSimBus".
#define ZEL_SIM_BUS_DEVICE_NAME L"\\Device\\ZelSimBus"
#define ZEL_SIM_BUS_LINK_NAME L"\\DosDevices\\ZelSimBus"

// Device type 0x22, buffered, any access; functions 0x900..0x902.
constexpr uint32_t kControlPlug = 0x222400;    // in: PlugRequest
constexpr uint32_t kControlUnplug = 0x222404;  // in: uint32_t slot
constexpr uint32_t kControlStats = 0x222408;   // in: uint32_t slot; out: SlotStats
// Sends a stop request to the top of the camera's device stack, as the PnP
// manager would (Wine's never does). in: uint32_t slot; fails with the
// stop's status.
constexpr uint32_t kControlStop = 0x22240C;
// Adds a fault to the camera model's script (sim::SimFault: a pipe
// operation fails, is not served, or delivers other reply bytes).
// in: FaultRequest.
constexpr uint32_t kControlFault = 0x222410;
// Clears the camera's fault script. in: uint32_t slot.
constexpr uint32_t kControlClearFaults = 0x222414;
// Sends a start request to the top of the camera's device stack (after a
// stop, as the PnP manager would). in: uint32_t slot; fails with the
// start's status.
constexpr uint32_t kControlStart = 0x222418;
// Sends a system-control (WMI) request to the top of the camera's stack.
// in: uint32_t slot; completes with the status the request came back with.
constexpr uint32_t kControlSystemControl = 0x22241C;
// Sends a power request to the top of the camera's stack and waits for it.
// in: PowerRequest; completes with the request's status.
constexpr uint32_t kControlPower = 0x222420;
// Lets a held start or surprise removal of the camera go on.
// in: uint32_t slot.
constexpr uint32_t kControlRelease = 0x222424;

constexpr uint32_t kSlots = 2;

// The camera's hardware id (placeholder USB ids, as in ZELB1.inf).
#define ZEL_SIM_CAMERA_HARDWARE_ID L"USB\\VID_FFF0&PID_00B1"

struct PlugRequest {
  uint32_t slot;
  uint32_t longConfig;  // 1: a configuration descriptor of 296 bytes
  uint32_t failDeviceDescriptor;  // 1: device descriptor reads fail
  // 1: the camera holds its start request (after its function driver was
  // added and passed the start down) until kControlRelease.
  uint32_t holdStart;
  // 1: the camera holds its surprise-removal request (after its function
  // driver has seen it) until kControlRelease.
  uint32_t holdSurpriseRemoval;
};

// A power request for the camera's stack: set power (2) or query power (3)
// of a system state (working 1, sleeping 2..4, hibernate 5, shutdown 6) or
// a device state (D0 1 .. D3 4); the types are the platform's.
constexpr uint32_t kPowerSystem = 0;
constexpr uint32_t kPowerDevice = 1;
constexpr uint32_t kSetPower = 2;
constexpr uint32_t kQueryPower = 3;
struct PowerRequest {
  uint32_t slot;
  uint32_t minor;  // 2 set power, 3 query power
  uint32_t type;   // kPowerSystem or kPowerDevice
  uint32_t state;  // SYSTEM_POWER_STATE or DEVICE_POWER_STATE value
};

// A fault for the camera model; the fault's fields as in sim/sim_camera.h,
// laid out the same on 32- and 64-bit systems.
struct FaultRequest {
  uint32_t slot;
  uint8_t kind;       // sim::SimFaultKind
  uint8_t pipe;
  uint8_t direction;  // sim::SimDirection
  uint8_t reserved;
  uint32_t nth;
  uint32_t times;
  uint32_t code;
  uint32_t bytes;
  uint8_t data[8];
};

// What the simulated camera in a slot has seen since it was last plugged.
struct SlotStats {
  uint32_t present;            // plugged in (reported to the PnP manager)
  uint32_t pdoExists;          // its device object still exists
  uint32_t started;            // its start request arrived
  uint32_t deviceReads;        // device descriptor reads
  uint32_t configReads;        // configuration descriptor reads
  uint32_t configReadLength[4];  // their requested lengths, first four
  uint32_t selects;            // select-configuration with a descriptor
  uint32_t deconfigures;       // select-configuration without one
  uint32_t transfers;          // bulk/interrupt transfers taken
  uint32_t cancelled;          // pending transfers cancelled
  uint32_t surpriseRemovals;
  uint32_t removals;
  uint32_t urbsBeforeStart;       // URBs that arrived before the start was done
  uint32_t transfersAfterSurpriseRemoval;  // transfers sent after it
  uint32_t pendingAtDeconfigure;  // transfers still pending at a deconfigure
  uint32_t pendingNow;            // transfers pending at the camera now
  uint32_t systemControls;        // system-control requests that arrived
  uint32_t deviceSetPowers;       // device set-power requests that arrived
  uint32_t lastDeviceState;       // the state the last one asked for
  uint32_t systemSetPowers;       // system set-power requests that arrived
  uint32_t queryPowers;           // query-power requests that arrived
};

}  // namespace simbus
