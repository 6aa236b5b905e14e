// The seam in front of the source window and the window state that the
// transfer triplets share with its preview thread. MSG_ENABLEDS creates the
// window through the installed seam; without one no window results and
// MSG_ENABLEDS fails as for a camera that cannot be opened.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace twain {

struct SourceWindowSeam {
  void* context;
  // Creates the window owned by `owner` (camera opened, preview started);
  // null when that fails.
  plat::WindowHandle (*create)(void* context, plat::WindowHandle owner);
  void (*show)(void* context, plat::WindowHandle window);
  // Destroys the window: stops the preview and closes the camera.
  void (*destroy)(void* context, plat::WindowHandle window);
  // True when the window's dialog manager takes the event's window message.
  bool (*isDialogMessage)(void* context, plat::WindowHandle window, void* event);
};

// Shared with the preview thread as whole machine words without a lock:
// the window writes viewSize, largeModel and the capture frame; the thread
// clears appAnswered and transferEnded, the transfer triplets set them.
struct SourceWindowState {
  volatile int32_t viewSize;     // 0 full, 1 half
  volatile uint32_t largeModel;  // the 1280x1024 camera
  volatile int32_t appAnswered;
  volatile int32_t transferEnded;
  // The frame recorded at the start of a capture handshake (24-bit BGR,
  // rows from the top), and its size in bytes; null when there is none.
  const uint8_t* volatile captureFrame;
  volatile uint32_t captureFrameBytes;
};

extern SourceWindowState sourceWindowState;

// Null: no window can be created, so MSG_ENABLEDS fails.
void installSourceWindowSeam(const SourceWindowSeam* seam);

plat::WindowHandle createSourceWindow(plat::WindowHandle owner);
void showSourceWindow(plat::WindowHandle window);
// Also forgets the capture frame, whose buffers go with the window.
void destroySourceWindow(plat::WindowHandle window);
bool sourceWindowTakesEvent(plat::WindowHandle window, void* event);

// The capture handshake records the frame it offers; it is forgotten when
// the transfer ends or is reset, when the window goes and before its buffer
// is replaced, so that no transfer reads a missing or stale frame. A memory
// transfer under way reads the frame until it is forgotten (which first
// gives the transfer its own copy). A frame is recorded only once the
// previous transfer has ended, so none is under way then.
void recordCaptureFrame(const uint8_t* frame, uint32_t bytes);
void forgetCaptureFrame();

}  // namespace twain
