// What the mini panel asks of the save component and of the print
// component: the mini panel runs the steps common to both (refusal while
// live, dialogs, progress, fetching the picture at another size with the
// acquisition thread parked, writing, clean-up); the components do the
// rest.
#pragma once

#include <cstdint>

#include "devlink/frame_pipeline.h"
#include "viewer/window_ops.h"

namespace viewer {

struct PictureOutputComponent {
  // Start afresh, knowing the current display zoom level.
  void (*reset)(int zoomLevel);
  // The component's dialogs, owned by the mini panel; false when cancelled.
  bool (*runDialogs)(WindowHandle owner);
  // The picture size (0..2) the output wants; and the size it is given.
  int (*chosenSize)();
  void (*setSize)(int size);
  // The progress window: opened owned by the given window (with the text
  // of the work under way), its bar set, and at the end its closing text.
  // The window stays until cleanUp.
  void (*openProgress)(WindowHandle owner);
  void (*setProgress)(int percent);
  void (*showEndedText)();
  // The progress that the chunk reads of a fetch advance.
  const devlink::ProgressSink* fetchProgress;
  // Writes the file or prints the page from a 24-bit top-down picture of
  // the given size; false on failure (the component reports it).
  bool (*write)(const uint8_t* pixels, int size);
  void (*cleanUp)();
};

}  // namespace viewer
