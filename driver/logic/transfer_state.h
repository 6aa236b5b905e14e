// Who finishes a read or write: the completion routine or the time-out DPC.
//
// Every transfer record is shared by the completion routine and the timer
// DPC, which run at dispatch level and can race. The record carries two
// shares: one for the completion routine, one for the timer. The completion
// routine drops the timer's share only when it took the timer out of the
// queue itself (its DPC will then never run); once the DPC has begun it
// never touches the timer again, since the timer's DPC is already on its
// way or done. Whoever drops the last share finishes the request and frees
// the record; the completion routine that is not last holds the request
// (more processing required) so that the DPC can still cancel it safely.
#pragma once
#include <stdint.h>

#include "driver/logic/status_codes.h"

namespace zelb1 {

struct TransferGuard {
  volatile int32_t shares;
  volatile int32_t timedOut;
};

void armTransferGuard(TransferGuard& guard);

// DPC: the time limit passed.
void markTimedOut(TransferGuard& guard);

// Whether the DPC has begun (the limit passed).
bool hasTimedOut(TransferGuard& guard);

// Completion routine: whether it may still try to cancel the timer.
inline bool mayCancelTimer(TransferGuard& guard) { return !hasTimedOut(guard); }

// Drops one share; true when it was the last one.
bool dropShare(TransferGuard& guard);

// The steps of the completion routine and of the time-out DPC, in the order
// the driver runs them. `Ops` supplies the kernel operations on the record:
//   bool cancelTimer()       takes the timer out of the queue; false when
//                            its DPC is already on its way or done;
//   void cancelRequest()     cancels the request at the lower driver (this
//                            may run the completion routine at once);
//   void finish()            sets the request's outcome, releases the device
//                            and frees the record;
//   void finishAndComplete() the same, then completes the request, which
//                            the completion routine kept for the DPC.

// Completion routine: true when it finished the request, false when the
// request is kept (more processing required) for the DPC to finish.
template <class Ops>
bool completeTransfer(TransferGuard& guard, Ops& ops) {
  if (mayCancelTimer(guard) && ops.cancelTimer())
    dropShare(guard);  // the DPC will never run
  if (!dropShare(guard)) return false;
  ops.finish();
  return true;
}

// Time-out DPC: marks the record timed out and cancels the request; if the
// completion routine already ran, the request was kept for this DPC, which
// finishes and completes it.
template <class Ops>
void timeOutTransfer(TransferGuard& guard, Ops& ops) {
  markTimedOut(guard);
  ops.cancelRequest();
  if (!dropShare(guard)) return;
  ops.finishAndComplete();
}

struct TransferResult {
  Status status;
  uint32_t information;
};

// The request's outcome. A transfer cut off by the time limit ends with I/O
// time-out and no bytes. A transfer the lower driver finished with success
// keeps its status and byte count even when the timer fired at the same
// moment: the data did arrive, and reporting it lost would drop it.
TransferResult transferOutcome(bool timedOut, Status lowerStatus,
                               uint32_t transferred);

}  // namespace zelb1
