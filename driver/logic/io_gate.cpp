#include "driver/logic/io_gate.h"

namespace zelb1 {

Status admissionStatus(DeviceState state, RequestKind kind) {
  switch (state) {
    case DeviceState::Started:
      return kStatusSuccess;
    case DeviceState::SurpriseRemoved:
      return kStatusDeviceNotConnected;
    case DeviceState::Removed:
      return kStatusDeletePending;
    case DeviceState::NotStarted:
      switch (kind) {
        case RequestKind::DeviceOpen:
        case RequestKind::DeviceQuery: return kStatusSuccess;
        case RequestKind::PipeOpen: return kStatusNoSuchDevice;  // no pipes configured yet
        case RequestKind::Transfer: return kStatusDeletePending;
        case RequestKind::CameraQuery: return kStatusDeviceNotReady;
      }
      break;
    case DeviceState::Stopped:
      switch (kind) {
        case RequestKind::DeviceOpen:
        case RequestKind::DeviceQuery: return kStatusSuccess;
        case RequestKind::PipeOpen:
        case RequestKind::Transfer:
        case RequestKind::CameraQuery: return kStatusDeviceNotReady;
      }
      break;
  }
  return kStatusDeviceNotReady;
}

void initGate(IoGate& gate) {
  gate.state = static_cast<int32_t>(DeviceState::NotStarted);
  gate.holders = 1;
  gate.open = 1;
}

Status enterGate(IoGate& gate, RequestKind kind, bool* drained) {
  // Hold first, then look: a stop that changes the state after this hold
  // waits for it; one that changed it before is seen here.
  __atomic_add_fetch(&gate.holders, 1, __ATOMIC_SEQ_CST);
  Status status = admissionStatus(deviceState(gate), kind);
  *drained = !isSuccess(status) && leaveGate(gate);
  return status;
}

bool leaveGate(IoGate& gate) {
  return __atomic_sub_fetch(&gate.holders, 1, __ATOMIC_SEQ_CST) == 0;
}

DeviceState deviceState(IoGate& gate) {
  return static_cast<DeviceState>(__atomic_load_n(&gate.state, __ATOMIC_SEQ_CST));
}

void setDeviceState(IoGate& gate, DeviceState state) {
  __atomic_store_n(&gate.state, static_cast<int32_t>(state), __ATOMIC_SEQ_CST);
}

bool closeGate(IoGate& gate) {
  // Closed before (remove after a stop): only what a stopped device admits
  // can still be inside.
  if (!gate.open) return __atomic_load_n(&gate.holders, __ATOMIC_SEQ_CST) == 0;
  gate.open = 0;
  return leaveGate(gate);
}

void reopenGate(IoGate& gate) {
  if (gate.open) return;
  gate.open = 1;
  __atomic_add_fetch(&gate.holders, 1, __ATOMIC_SEQ_CST);
}

}  // namespace zelb1
