// The preview thread and its start and stop routines.
//
// Painting: the thread paints each chunk straight into the source window
// from its own thread, as it arrives. Everything else it wants of the
// window (Full and Half enabled or disabled, the return to half size, the
// end after a failure) it posts, so that it never waits for the window's
// thread: that thread may itself be waiting for this one to stop.
#include "twain/preview_thread.h"

#include "devlink/frame_geometry.h"
#include "twain/capabilities.h"
#include "twain/source_camera.h"
#include "twain/source_record.h"
#include "twain/source_ui.h"
#include "twain/source_window.h"

namespace twain {

PreviewThread previewThread;

namespace {

const char kCaptureNote[] = "Capture Processing...";
const char kHandshakeNote[] = "Checking DSM Operation Triplets..";
const uint32_t kWhite = 0xFFFFFF;
const uint32_t kYellow = 0xFFFF00;

// Where the preview goes in the window's client area.
const WindowRect kPreviewRect = {44, 91, 44 + 512, 91 + 384};
const WindowRect kPreviewRectLarge = {44, 91, 44 + 512, 91 + 410};

bool forcedLastStop = false;

PreviewThread& pt = previewThread;

bool running() { return pt.threadState.load() == kPreviewRun; }
bool captureRequested() { return pt.captureFull.load() || pt.captureHalf.load(); }
void waitGate() { plat::waitFor(pt.gateEvent, plat::kInfinite); }

// threadState := 3; false, so that callers can return it.
bool failed() {
  pt.threadState = kPreviewCommFailure;
  return false;
}

void post(uint32_t message, uintptr_t wParam) { sourceUi().postMessage(pt.window, message, wParam, 0); }

void paintPreview() {
  const bool large = sourceWindowState.largeModel != 0;
  const bool halftone = sourceWindowState.viewSize == 0 || large;
  sourceUi().paintPicture(pt.window, large ? kPreviewRectLarge : kPreviewRect, pt.previewHeader,
                          sourcePipeline.liveImage, halftone);
}

void captureNote() { sourceUi().drawText(pt.window, 380, 100, kWhite, kCaptureNote); }
void handshakeNote() { sourceUi().drawText(pt.window, 320, 100, kYellow, kHandshakeNote); }

// One camera step of a pass: the gate, then the exchange. False when the
// loop is to be left (a failure, or a state that is no longer 0).
template <typename Step>
bool cameraStep(Step step) {
  waitGate();
  if (!step()) return failed();
  return running();
}

// A preview pass: one frame at the view size, painted chunk by chunk. True
// when the loop goes on; *captured when this pass captured the frame that
// the next pass offers.
bool previewPass(bool* captured) {
  devlink::FramePipeline& p = sourcePipeline;
  if (captureRequested()) post(kMsgCaptureButtons, 0);
  if (!cameraStep([&] { return p.selectSize(devlink::kLivePicture); })) return false;
  if (!cameraStep([&] { return p.storeImage(); })) return false;
  plat::sleepMs(kHoldWaitMs);
  if (!cameraStep([&] { return p.startTransfer(); })) return false;
  while (p.frameInProgress && running()) {
    waitGate();
    if (!p.readChunk(devlink::kLivePicture)) return failed();
    paintPreview();
    if (pt.capturing.load() || captureRequested()) captureNote();
  }
  if (!running()) return false;
  if (captureRequested()) {
    pt.capturing = 1;
    pt.captureFull = 0;
    pt.captureHalf = 0;
    *captured = true;
  }
  waitGate();
  if (!p.releaseImage()) return failed();
  plat::sleepMs(kReleaseWaitMs);
  return true;
}

// Until `flag` is set or a stop is asked for, redraws the handshake's text.
void noteUntil(const std::atomic<int32_t>* stop, volatile int32_t* flag) {
  while (!*flag && !stop->load()) {
    handshakeNote();
    plat::sleepMs(kNoteRedrawMs);
  }
}

// The handshake pass: the captured frame is offered to the application
// (MSG_XFERREADY every 200 ms) until it answers, then kept until it has
// ended the transfer. *stoppedPosted when it posted ThreadStopped.
void handshakePass(bool* stoppedPosted) {
  SourceWindowState& shared = sourceWindowState;
  for (int i = 0; i < 10 && running(); ++i) plat::sleepMs(10);
  paintPreview();
  recordCaptureFrame(sourcePipeline.liveImage, sourcePipeline.liveImageBytes);
  shared.appAnswered = 0;
  shared.transferEnded = 0;
  while (!shared.appAnswered && !pt.stopRequested.load()) {
    handshakeNote();
    waitGate();
    if (!sourcePipeline.releaseImage()) {
      failed();
      post(kMsgThreadStopped, 0);
      *stoppedPosted = true;
      break;
    }
    captureDefaults();
    plat::sleepMs(kOfferIntervalMs);
  }
  noteUntil(&pt.stopRequested, &shared.transferEnded);
  pt.capturing = 0;
  // After a failure the thread ends; a stop ends it at once.
  if (!running() || pt.stopRequested.load()) return;
  plat::sleepMs(kHandshakeEndWaitMs);
  if (shared.viewSize == 0) {
    post(kMsgReturnToHalf, 0);
  } else {
    post(kMsgCaptureButtons, 1);
  }
}

}  // namespace

void buildPreviewHeader(int32_t viewSize, bool largeModel) {
  const devlink::FrameGeometry frame = devlink::frameGeometry(devlink::modelBase(largeModel), viewSize);
  pt.previewHeader = imaging::topDownPictureHeader(frame.width, frame.height);
}

uint32_t previewThreadProc(void*) {
  bool handshakeNext = false;
  bool stoppedPosted = false;
  while (running()) {
    plat::sleepMs(kPassSleepMs);
    if (handshakeNext) {
      handshakeNext = false;
      handshakePass(&stoppedPosted);
    } else if (!previewPass(&handshakeNext)) {
      break;
    }
  }
  // A frame left half-read must not carry its counters into the next start.
  if (sourcePipeline.frameInProgress) sourcePipeline.abortFrame();
  if (pt.threadState.load() < kPreviewCommFailure && !sourcePipeline.releaseImage()) {
    pt.threadState = kPreviewCommFailure;
  }
  const bool failure = pt.threadState.load() == kPreviewCommFailure;
  plat::setEvent(pt.threadDoneEvent);
  // One ThreadStopped per failure: the handshake may have posted it already.
  if (failure && !stoppedPosted) post(kMsgThreadStopped, 0);
  return 0;
}

bool startPreviewThread() {
  if (pt.threadHandle) return false;
  if (plat::waitFor(pt.threadDoneEvent, 0) != plat::kWaitObject0) plat::waitFor(pt.threadDoneEvent, plat::kInfinite);
  plat::resetEvent(pt.threadDoneEvent);
  pt.threadState = kPreviewRun;
  pt.stopRequested = 0;
  plat::Handle thread = plat::startThread(previewThreadProc, nullptr);
  if (!thread) {
    plat::setEvent(pt.threadDoneEvent);
    pt.threadState = kPreviewStartFailed;
    return false;
  }
  pt.threadHandle = thread;
  return true;
}

void stopPreviewThread() {
  forcedLastStop = false;
  if (!pt.threadHandle) return;
  pt.stopRequested = 1;
  if (plat::endWorkerThread(pt.threadHandle, pt.threadDoneEvent, kStopWaitMs, kForcedExitCode)) {
    forcedLastStop = true;
    // It may have held the link lock or left a frame half read: give the
    // lock back and drop the frame, or the next exchange would wait for
    // the lock for ever.
    if (sourceLink.linkLock) plat::setEvent(sourceLink.linkLock);
    sourcePipeline.abortFrame();
  }
  plat::closeHandle(pt.threadHandle);
  pt.threadHandle = nullptr;
}

bool previewStopWasForced() { return forcedLastStop; }

}  // namespace twain
