// PreviewThread: the source window's worker. It keeps a live preview in the
// window (select size, hold, transfer, chunk reads painted as they arrive,
// release), and after Full or Half captures one frame at the chosen size
// and offers it to the application (MSG_XFERREADY) until the transfer has
// ended. Started and stopped by the window's thread through threadState,
// threadDoneEvent and the stop routine below.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"
#include "imaging/bitmap_header.h"

namespace twain {

using plat::WindowHandle;

// threadState values.
enum : int32_t {
  kPreviewRun = 0,
  kPreviewStartFailed = 1,
  kPreviewStopRequested = 2,
  kPreviewCommFailure = 3,
};

enum : uint32_t {
  kPassSleepMs = 20,         // before every pass
  kHoldWaitMs = 70,          // after the hold
  kReleaseWaitMs = 70,       // after the release of a preview pass
  kOfferIntervalMs = 200,    // between two MSG_XFERREADY of a handshake
  kHandshakeEndWaitMs = 200, // after the transfer has ended
  // How often the handshake redraws its text while it waits for the end
  // of the transfer: often enough to stay on top of any repaint, seldom
  // enough to cost nothing.
  kNoteRedrawMs = 50,
  kStopWaitMs = 500,         // each of the two waits of a stop
  kForcedExitCode = 5600,
};

struct PreviewThread {
  std::atomic<int32_t> threadState;
  // captureRequest: Full pressed, Half pressed. The window sets them, the
  // thread clears them.
  std::atomic<int32_t> captureFull;
  std::atomic<int32_t> captureHalf;
  std::atomic<int32_t> capturing;  // the thread is in the capture handshake
  // Set by the stop routine: the handshake's waits for the application end
  // on it too, so that a stop never has to end the thread by force there.
  std::atomic<int32_t> stopRequested;
  plat::Handle threadHandle;     // null when no thread runs
  plat::Handle threadDoneEvent;  // manual reset; set when the thread has ended
  plat::Handle gateEvent;        // manual reset; waited on before every camera step
  WindowHandle window;           // the source window the thread paints into
  imaging::BitmapInfoHeader previewHeader;
};

extern PreviewThread previewThread;

// Fills previewHeader for a view size (0 full, 1 half) of the camera model.
void buildPreviewHeader(int32_t viewSize, bool largeModel);
// Starts the thread with threadState 0 unless one runs; on failure sets
// threadDoneEvent and threadState 1. True when a thread was started.
bool startPreviewThread();
// Waits up to twice 500 ms for the thread to end, ends it by force if it
// does not, closes its handle. Nothing when no thread runs.
void stopPreviewThread();
// Whether the last stop had to end the thread by force (tests).
bool previewStopWasForced();
// The thread procedure; its argument is not used.
uint32_t previewThreadProc(void* unused);

}  // namespace twain
