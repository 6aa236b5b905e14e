// The acquisition thread and its start and stop routines.
//
// Painting: the thread paints each chunk straight into the main window's
// drawing surface from its own thread (getSurface / stretchPicture /
// releaseSurface), so every band of a frame shows the moment it has been
// converted. Marshalling to the user-interface thread would delay each band
// behind whatever that thread is doing (a modal message box, a dialog) and
// is not needed: the main window has no painting of its own.
#include "viewer/acquisition_thread.h"

#include "devlink/device_link.h"
#include "devlink/frame_pipeline.h"
#include "viewer/live_view.h"
#include "viewer/viewer_state.h"

namespace viewer {

AcquisitionThread acquisitionThread;

namespace {

int32_t state() { return viewerState.threadState.load(); }

// kThreadCommFailure unless the main window already said the device is gone.
void markCommFailure() {
  int32_t current = viewerState.threadState.load();
  while (current < kThreadDeviceRemoved &&
         !viewerState.threadState.compare_exchange_weak(current, kThreadCommFailure)) {
  }
}

void waitGate() { plat::waitFor(acquisitionThread.gateEvent, plat::kInfinite); }

// Paints with the view rectangle and header as last published: the status
// refresh may be changing them at this moment (see live_view.h).
void paintLiveImage(DrawingSurface surface) {
  const LiveViewCopy view = readLiveView();
  const ViewRect& r = view.rect;
  windowOps().stretchPicture(surface, WindowRect{r.left, r.top, r.right, r.bottom}, view.info,
                             framePipeline.liveImage);
}

void repaintHeldFrame() {
  WindowHandle main = viewerState.mainWindow;
  DrawingSurface surface = windowOps().getSurface(main);
  if (surface) {
    paintLiveImage(surface);
    windowOps().releaseSurface(main, surface);
  }
}

// A frame left half-read (stop request or failed chunk) must not carry its
// counters into the next frame: the next transfer starts from the top.
void abandonFrame() {
  if (framePipeline.frameInProgress || framePipeline.writeOffset) framePipeline.abortFrame();
}

// The first transfer after a link recovery proves the link good again. The
// notice belongs to the user-interface thread, which destroys it.
void clearUsbCheckNotice() {
  WindowHandle notice = viewerState.usbCheckNotice.exchange(nullptr);
  if (notice) {
    viewerState.recoveryCount = 0;
    windowOps().postMessage(viewerState.mainWindow, kMsgDestroyNotice, reinterpret_cast<uintptr_t>(notice), 0);
  }
}

// After a failed chunk read of the live picture: whether the loop ends with
// a communication failure. An image read that failed ends it only when the
// camera is gone (device not connected, not found, or its paths no longer
// open). A time-out, the link lock held elsewhere past the wait, or a
// transfer the camera broke off costs only the frame: the camera is still
// there, and ending here would send the link recovery after a camera that
// kept its number, which it does not search. A short read is no failure at
// all (readImage takes it as it comes). A chunk that failed without a read
// (no memory for it, counters out of step) ends the loop as before, so that
// the recovery builds the buffers afresh.
bool chunkFailureEndsLoop() {
  const uint32_t error = deviceLink.imageReadError;
  return error == 0 || deviceLink.isGoneAfter(error);
}

// Reads and paints the frame whose transfer has started, chunk by chunk.
// True when the whole frame arrived. A frame cut short is abandoned; its
// counters start the next one from the top, and the link lock is free.
bool readFrame() {
  WindowHandle main = viewerState.mainWindow;
  DrawingSurface surface = windowOps().getSurface(main);
  while (framePipeline.frameInProgress) {
    if (state() != kThreadRun) break;
    waitGate();
    if (!framePipeline.readChunk(devlink::kLivePicture)) {
      if (chunkFailureEndsLoop()) markCommFailure();
      break;
    }
    if (surface) paintLiveImage(surface);
  }
  if (surface) windowOps().releaseSurface(main, surface);
  if (!framePipeline.frameInProgress) return true;
  abandonFrame();
  return false;
}

void notifyAfterRound(bool released) {
  if (viewerState.captureNotice.load() && !released)
    windowOps().postMessage(viewerState.miniPanel, kMsgCaptureDone, 0, 0);
  WindowHandle panel = viewerState.controlPanel;
  if (panel && !viewerState.refreshSuppressed) windowOps().postMessage(panel, kMsgStatusRefresh, 0, 0);
}

// Between frames: park here while the user-interface thread fetches a still.
// The parked state is told again on every wake: a resume followed at once
// by the next pause request (which clears the told state) can find the
// thread still here, before it saw the resume.
void parkIfPauseRequested() {
  while (acquisitionThread.pauseRequested && state() == kThreadRun) {
    plat::setEvent(acquisitionThread.pausedEvent);
    plat::waitFor(acquisitionThread.resumeEvent, 50);
  }
}

}  // namespace

uint32_t acquisitionThreadProc(void*) {
  acquisitionThread.threadsInProcedure++;
  bool released = false;  // the camera was released after the last frame
  if (state() != kThreadRun) goto stop;
  for (;;) {
    parkIfPauseRequested();
    if (viewerState.freezeFlag && !released) {
      // Repaint round: the held frame again, no camera traffic.
      for (int i = 0; i < 10; ++i) {
        if (state() == kThreadRun) plat::sleepMs(10);
      }
      repaintHeldFrame();
    } else {
      released = false;
      waitGate();
      if (!framePipeline.selectSize(devlink::kLivePicture)) goto failure;
      if (state() != kThreadRun) goto stop;
      waitGate();
      if (!framePipeline.storeImage()) goto failure;
      if (state() != kThreadRun) goto stop;
      plat::sleepMs(kHoldWaitMs);
      waitGate();
      if (!framePipeline.startTransfer()) goto failure;
      if (state() != kThreadRun) {
        abandonFrame();
        goto stop;
      }
      clearUsbCheckNotice();
      const bool wholeFrame = readFrame();
      if (state() != kThreadRun) goto stop;
      // A lost frame is released even when frozen: the picture to keep is
      // a whole one, which the next round fetches.
      if (!viewerState.freezeFlag || !wholeFrame) {
        waitGate();
        if (!framePipeline.releaseImage()) goto failure;
        plat::sleepMs(kReleaseWaitMs);
        released = true;
      }
    }
    notifyAfterRound(released);
    if (state() != kThreadRun) {
      if (released) goto end;
      goto stop;
    }
  }

failure:
  if (state() >= kThreadDeviceRemoved) goto stop;
  viewerState.threadState = kThreadCommFailure;
  goto end;

stop:
  if (state() < kThreadCommFailure) {
    if (!framePipeline.releaseImage()) {
      int32_t current = state();
      if (current < kThreadDeviceRemoved) markCommFailure();
    }
  }

end:
  plat::setEvent(acquisitionThread.threadDoneEvent);
  {
    int32_t last = state();
    if (last == kThreadCommFailure || last == kThreadDeviceRemoved)
      windowOps().postMessage(viewerState.mainWindow, kMsgThreadStopped, 0, 0);
  }
  acquisitionThread.threadsInProcedure--;
  return 0;
}

bool startThread() {
  if (acquisitionThread.threadHandle) return false;
  if (plat::waitFor(acquisitionThread.threadDoneEvent, 0) != plat::kWaitObject0)
    plat::waitFor(acquisitionThread.threadDoneEvent, plat::kInfinite);
  plat::resetEvent(acquisitionThread.threadDoneEvent);
  viewerState.threadState = kThreadRun;
  acquisitionThread.pauseRequested = 0;
  plat::Handle thread = plat::startThread(acquisitionThreadProc, nullptr);
  if (!thread) {
    plat::showMessage(nullptr, devlink::kMemoryText, devlink::kMemoryCaption, plat::kMbOk | plat::kMbIconError);
    plat::setEvent(acquisitionThread.threadDoneEvent);
    viewerState.threadState = kThreadClosing;
    return false;
  }
  acquisitionThread.threadHandle = thread;
  return true;
}

void stopThread() {
  if (!acquisitionThread.threadHandle) return;
  // A thread that has signalled its end only has its last post and its
  // return left; forcing it there could cut it off inside the system's
  // allocator or message queue, so only one that never got there is forced.
  if (plat::endWorkerThread(acquisitionThread.threadHandle, acquisitionThread.threadDoneEvent, kStopWaitMs,
                            kForcedExitCode)) {
    // A thread ended from outside may have held the link lock (no other
    // thread does while we are here) or left a frame half read: give the
    // lock back and drop the frame, or the next exchange would wait for
    // the lock forever.
    if (deviceLink.linkLock) plat::setEvent(deviceLink.linkLock);
    abandonFrame();
  }
  plat::closeHandle(acquisitionThread.threadHandle);
  acquisitionThread.threadHandle = nullptr;
}

// Pausing for a still capture. Suspending the thread at an arbitrary point
// could leave it holding the link lock (the capture's transact would then
// wait forever) or halfway through a frame whose counters the capture
// shares. Instead the thread is asked to park at the top of its loop, the
// one point where it holds neither, and the caller waits until it is there.
bool suspendAcquisition() {
  if (!acquisitionThread.threadHandle) return true;
  if (!acquisitionThread.pausedEvent) acquisitionThread.pausedEvent = plat::createEvent(true, false);
  if (!acquisitionThread.resumeEvent) acquisitionThread.resumeEvent = plat::createEvent(true, false);
  if (!acquisitionThread.pausedEvent || !acquisitionThread.resumeEvent) return false;
  plat::resetEvent(acquisitionThread.pausedEvent);
  plat::resetEvent(acquisitionThread.resumeEvent);
  acquisitionThread.pauseRequested = 1;
  // Bounded like stopThread: a thread stuck in a camera exchange ends on the
  // driver's time-outs long before this.
  for (uint32_t waited = 0; waited < 2 * kStopWaitMs; waited += 50) {
    if (plat::waitFor(acquisitionThread.pausedEvent, 50) == plat::kWaitObject0) return true;
    if (plat::waitFor(acquisitionThread.threadDoneEvent, 0) == plat::kWaitObject0) return true;
  }
  acquisitionThread.pauseRequested = 0;
  return false;
}

void resumeAcquisition() {
  acquisitionThread.pauseRequested = 0;
  if (acquisitionThread.resumeEvent) plat::setEvent(acquisitionThread.resumeEvent);
}

void resetAcquisitionThread() {
  acquisitionThread.threadHandle = nullptr;
  acquisitionThread.threadDoneEvent = nullptr;
  acquisitionThread.gateEvent = nullptr;
  acquisitionThread.pauseRequested = 0;
  acquisitionThread.pausedEvent = nullptr;
  acquisitionThread.resumeEvent = nullptr;
}

}  // namespace viewer
