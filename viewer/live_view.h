// What the acquisition thread paints with: the view rectangle and the live
// bitmap header, as one consistent pair. The user-interface thread keeps
// the two in viewerState.viewRect and acquisitionThread.liveBitmapInfo and
// publishes them here whenever it changes either; the painter takes a copy
// for each paint. The control panel's status refresh re-lays the main
// window while the thread paints (a quarter turn of the camera), so a copy
// must never mix a half-written rectangle or header: a sequence number,
// odd while a publication is under way, makes the reader read again.
#pragma once

#include "viewer/viewer_state.h"
#include "viewer/window_ops.h"

namespace viewer {

struct LiveViewCopy {
  ViewRect rect;
  imaging::BitmapInfoHeader info;
};

// Publishes the current view rectangle and bitmap header (user-interface
// thread only: one writer).
void publishLiveView();
// A consistent copy of the last publication (any thread, never blocks the
// writer).
LiveViewCopy readLiveView();

}  // namespace viewer
