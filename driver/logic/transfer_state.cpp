#include "driver/logic/transfer_state.h"

namespace zelb1 {

void armTransferGuard(TransferGuard& guard) {
  __atomic_store_n(&guard.timedOut, 0, __ATOMIC_RELEASE);
  __atomic_store_n(&guard.shares, 2, __ATOMIC_RELEASE);
}

void markTimedOut(TransferGuard& guard) {
  __atomic_store_n(&guard.timedOut, 1, __ATOMIC_SEQ_CST);
}

bool hasTimedOut(TransferGuard& guard) {
  return __atomic_load_n(&guard.timedOut, __ATOMIC_SEQ_CST) != 0;
}

bool dropShare(TransferGuard& guard) {
  return __atomic_sub_fetch(&guard.shares, 1, __ATOMIC_ACQ_REL) == 0;
}

TransferResult transferOutcome(bool timedOut, Status lowerStatus,
                               uint32_t transferred) {
  if (timedOut && !isSuccess(lowerStatus)) return {kStatusIoTimeout, 0};
  return {lowerStatus, transferred};
}

}  // namespace zelb1
