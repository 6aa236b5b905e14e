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

constexpr uint32_t kSlots = 2;

// The camera's hardware id (placeholder USB ids, as in ZELB1.inf).
#define ZEL_SIM_CAMERA_HARDWARE_ID L"USB\\VID_FFF0&PID_00B1"

struct PlugRequest {
  uint32_t slot;
  uint32_t longConfig;  // 1: a configuration descriptor of 296 bytes
  uint32_t failDeviceDescriptor;  // 1: device descriptor reads fail
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
};

}  // namespace simbus
