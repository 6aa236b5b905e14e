#include "tests/viewer/viewer_fixture.h"

namespace viewer {

std::atomic<uint64_t> virtualMs{0};
std::atomic<int> exitRequests{0};

namespace {
void virtualSleep(uint32_t ms) { virtualMs += ms; }
void recordExit(uint32_t) { exitRequests++; }
}  // namespace

bool captureDone() { return viewerState.captureNotice.load() == nullptr; }

std::string joinedEvents(const std::vector<std::string>& events) {
  std::string s;
  for (const std::string& e : events) s += (s.empty() ? "" : " | ") + e;
  return s;
}

void ViewerTest::SetUp() {
  virtualMs = 0;
  exitRequests = 0;
  plat::installSleepHook(virtualSleep);
  plat::installExitHook(recordExit);
  resetViewerState();
  resetAcquisitionThread();
  resetMiniPanelState();
  deviceLink = devlink::DeviceLink(devlink::LinkVariant::Viewer);
  framePipeline = devlink::FramePipeline(&deviceLink, devlink::LinkVariant::Viewer);
  ui = &installRecordingUi();
  installFakeCamera(&camera);
  fakeCameraInstalled = true;
}

void ViewerTest::stopRunningThread() {
  if (acquisitionThread.threadHandle) {
    int32_t running = kThreadRun;
    viewerState.threadState.compare_exchange_strong(running, kThreadClosing);
    resumeAcquisition();
    plat::setEvent(acquisitionThread.gateEvent);
    stopThread();
  }
}

void ViewerTest::TearDown() {
  stopRunningThread();
  // Every thread of this test gone, its last post made, before the next
  // test's records take its place.
  plat::Handle pause = plat::createEvent(true, false);
  for (int i = 0; i < 5000 && acquisitionThread.threadsInProcedure.load() > 0; ++i) plat::waitFor(pause, 1);
  plat::closeHandle(pause);
  EXPECT_EQ(acquisitionThread.threadsInProcedure.load(), 0);
  for (plat::Handle* event : {&acquisitionThread.threadDoneEvent, &acquisitionThread.gateEvent,
                              &acquisitionThread.pausedEvent, &acquisitionThread.resumeEvent}) {
    if (*event) plat::closeHandle(*event);
    *event = nullptr;
  }
  framePipeline.release();
  deviceLink.close();
  if (fakeCameraInstalled) removeFakeCamera();
  fakeCameraInstalled = false;
  removeRecordingUi();
  plat::installSleepHook(nullptr);
  plat::installExitHook(nullptr);
}

void ViewerTest::openCameraLink() {
  viewerState.mainWindow = handleOf(1);
  ui->windows.push_back(recordedWindow(1, 0, nullptr, nullptr));
  ui->windows.push_back(recordedWindow(2, 0, nullptr, nullptr));
  viewerState.miniPanel = handleOf(2);
  viewerState.viewRect = ViewRect{5, 5, 517, 389};
  framePipeline.setSizeIndex(1);
  ASSERT_TRUE(deviceLink.open(1));
  ASSERT_TRUE(deviceLink.waitReady());
  ASSERT_TRUE(framePipeline.init());
  devlink::CommandBlock release = devlink::CommandBlock::make(devlink::kCmdStoreImage, devlink::kParamOff);
  ASSERT_TRUE(deviceLink.transactHeld(&release));
  buildBitmapInfo(1);
  acquisitionThread.threadDoneEvent = plat::createEvent(true, true);
  acquisitionThread.gateEvent = plat::createEvent(true, true);
}

WindowHandle ViewerTest::startViewer() {
  return ui ? windowOps().createDialog(1, nullptr, mainWindowHandler) : nullptr;
}

bool ViewerTest::freezePicture() {
  drawButton(viewerState.miniPanel, IDC_CAPTURE, kDrawSelect, true);
  drawButton(viewerState.miniPanel, IDC_CAPTURE, kDrawSelect, false);
  return pumpUntil(captureDone, 5000);
}

bool ViewerTest::waitForTransfers(int n, uint32_t ms) {
  int target = camera.transfers + n;
  uint32_t start = plat::tickCount();
  while (camera.transfers < target) {
    if (plat::tickCount() - start > ms) return false;
    pumpMessages();
    plat::waitFor(ui->queueSignal, 1);
  }
  return true;
}

bool ViewerTest::waitThreadDone(uint32_t ms) {
  return plat::waitFor(acquisitionThread.threadDoneEvent, ms) == plat::kWaitObject0;
}

}  // namespace viewer
