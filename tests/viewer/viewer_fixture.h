// Common ground of the viewer tests: a fresh process state, the recording
// window stand-in, the fake camera, and the fixed waits in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "tests/viewer/fake_camera.h"
#include "tests/viewer/recording_ui.h"
#include "viewer/acquisition_thread.h"
#include "viewer/main_window.h"
#include "viewer/mini_panel.h"
#include "viewer/viewer_state.h"
#include "viewer/viewer_texts.h"
#include "viewer/viewer_resources.h"

namespace viewer {

extern std::atomic<uint64_t> virtualMs;
extern std::atomic<int> exitRequests;

// The capture notice has gone: the frozen picture is shown.
bool captureDone();
// Event lines joined with " | ", so that a sequence compares in one line.
std::string joinedEvents(const std::vector<std::string>& events);

class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens the link, the pipeline and the events as start-up leaves them,
  // without windows (for the thread's own tests).
  void openCameraLink();
  // Runs the main window's start-up; returns the main window.
  WindowHandle startViewer();
  // Presses and lets go of Capture on the mini panel; true once the
  // frozen frame is shown.
  bool freezePicture();
  // Stops a running thread the way a close does.
  void stopRunningThread();
  // Waits (really) until the camera has seen `n` more transfers.
  bool waitForTransfers(int n, uint32_t ms = 5000);
  // Waits until the thread has ended (threadDoneEvent set).
  bool waitThreadDone(uint32_t ms = 5000);

  RecordingUi* ui = nullptr;
  FakeCamera camera;
  bool fakeCameraInstalled = false;
};

}  // namespace viewer
