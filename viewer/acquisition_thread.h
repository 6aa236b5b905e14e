// AcquisitionThread: the worker that keeps the main window's picture live.
// It loops select size, hold, transfer, chunk reads painted as they arrive,
// release; it is started and stopped by the user-interface thread through
// threadState and threadDoneEvent, and held before each camera step by
// gateEvent.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"
#include "viewer/window_ops.h"

namespace viewer {

struct AcquisitionThread {
  plat::Handle threadHandle;       // null when no thread runs
  plat::Handle threadDoneEvent;    // manual reset; set when the thread has ended
  plat::Handle gateEvent;          // manual reset; the thread waits on it before each camera step
  imaging::BitmapInfoHeader liveBitmapInfo; // header of the live picture

  // Pause for a still capture at another size (see suspendAcquisition).
  std::atomic<int32_t> pauseRequested;
  plat::Handle pausedEvent;  // set by the thread once it is parked between frames
  plat::Handle resumeEvent;  // set by the user-interface thread to let it go on

  // Threads inside the thread procedure, counting down only after their
  // last post: a stopped thread may still be making it when stopThread
  // returns.
  std::atomic<int32_t> threadsInProcedure;
};

extern AcquisitionThread acquisitionThread;

enum : uint32_t { kStopWaitMs = 10000, kForcedExitCode = 5600 };
enum : uint32_t { kHoldWaitMs = 70, kReleaseWaitMs = 70 };

// Starts the thread unless one runs; reports a failed start itself.
bool startThread();
// Waits for the thread to end (2 x 10 s), forces it if it does not, closes
// its handle. The caller sets threadState to a non-zero value first.
void stopThread();
// Fills liveBitmapInfo for a size index.
void buildBitmapInfo(int sizeIndex);
// The thread procedure; its argument is not used.
uint32_t acquisitionThreadProc(void* unused);

// Parks the running thread between two frames, where it holds neither the
// link lock nor a frame in progress, and keeps it there until
// resumeAcquisition. True when the thread is parked or not running.
bool suspendAcquisition();
void resumeAcquisition();

// Back to a fresh process (tests): no thread, no events.
void resetAcquisitionThread();

}  // namespace viewer
