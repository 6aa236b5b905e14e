// The mini panel: capture and release, zoom buttons, save, print, control
// panel and exit, with the rules that tie them together; and the fetch of
// the picture held in the camera at another size for saving and printing.
#pragma once

#include <cstdint>

#include "devlink/frame_pipeline.h"
#include "viewer/picture_output.h"
#include "viewer/window_ops.h"

namespace viewer {

struct MiniPanelState {
  int32_t controlPanelOpen;
  int32_t panelWidth;
  int32_t panelHeight;
  // Where the save and print components plug in. Until they exist Save and
  // Print on a frozen picture stop after their refusal checks.
  const PictureOutputComponent* saveComponent;
  const PictureOutputComponent* printComponent;
};

extern MiniPanelState miniPanelState;

enum : int32_t { kMiniPanelWidth = 150, kMiniPanelExtraHeight = 201 };
// Full size is refused on a fit area narrower than this.
enum : int32_t { kFullSizeMinFitWidth = 824 };
enum : int { kPurposeSave = 0, kPurposePrint = 1 };
enum : uint32_t { kAfterReleaseWaitMs = 100 };

intptr_t miniPanelHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t captureNoticeHandler(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Brings the picture held in the camera into captureImage at `size`.
bool fetchHeldPicture(int size, int purpose);
// Releases the held picture (reports a failed exchange), then waits 100 ms.
void releaseHeldPicture();

void resetMiniPanelState();

}  // namespace viewer
