// The source window seam and the window state shared with the transfers.
#include "twain/source_window.h"

#include "twain/transfer_bitmap.h"

namespace twain {

SourceWindowState sourceWindowState = {1, 0, 0, 0, nullptr, 0};

namespace {
const SourceWindowSeam* windowSeam = nullptr;
}

void installSourceWindowSeam(const SourceWindowSeam* seam) { windowSeam = seam; }

plat::WindowHandle createSourceWindow(plat::WindowHandle owner) {
  if (!windowSeam || !windowSeam->create) return nullptr;
  return windowSeam->create(windowSeam->context, owner);
}

void showSourceWindow(plat::WindowHandle window) {
  if (windowSeam && windowSeam->show) windowSeam->show(windowSeam->context, window);
}

void destroySourceWindow(plat::WindowHandle window) {
  forgetCaptureFrame();
  if (windowSeam && windowSeam->destroy) windowSeam->destroy(windowSeam->context, window);
}

bool sourceWindowTakesEvent(plat::WindowHandle window, void* event) {
  if (!window || !windowSeam || !windowSeam->isDialogMessage) return false;
  return windowSeam->isDialogMessage(windowSeam->context, window, event);
}

void recordCaptureFrame(const uint8_t* frame, uint32_t bytes) {
  sourceWindowState.captureFrame = nullptr;
  sourceWindowState.captureFrameBytes = frame ? bytes : 0;
  sourceWindowState.captureFrame = frame;
}

void forgetCaptureFrame() {
  // A memory transfer may be cutting its strips from this frame: it takes
  // its own copy while the frame is still there.
  detachFromCaptureFrame();
  sourceWindowState.captureFrame = nullptr;
  sourceWindowState.captureFrameBytes = 0;
}

}  // namespace twain
