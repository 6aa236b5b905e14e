// The acquisition thread's protocol against the scripted camera: the live
// loop, freezing, stop requests, failures, device removal, the gate and the
// pause for a still capture.
#include "sim/sim_rig.h"
#include "tests/viewer/viewer_fixture.h"

using namespace viewer;
using namespace devlink;

namespace {

bool threadStoppedDelivered() { return countDelivered(kMsgThreadStopped) > 0; }

// Asks the thread to close while it sends its fourth transfer command, so
// that the stop lands at the same step of the same frame on every run (a
// stop from outside may fall between a hold and its transfer).
void closeAtFourthTransfer(void* context) {
  if (static_cast<FakeCamera*>(context)->transfers == 4) viewerState.threadState = kThreadClosing;
}

}  // namespace

class AcquisitionThreadTest : public ViewerTest {};

TEST_F(AcquisitionThreadTest, LiveLoopPaintsEveryChunkAndReleasesEveryFrame) {
  openCameraLink();
  framePipeline.setSizeIndex(0);
  framePipeline.resetForSize();
  buildBitmapInfo(0);
  camera.onTransfer = closeAtFourthTransfer;
  camera.onTransferContext = &camera;
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitThreadDone());
  stopThread();
  EXPECT_EQ(camera.transfers, 4);
  // A full-size frame arrives in 12 chunks, each painted as it comes; the
  // fourth frame ends at its transfer command.
  EXPECT_EQ(camera.imageReads, 3 * 12);
  EXPECT_EQ(ui->paints, camera.imageReads.load());
  EXPECT_EQ(ui->surfacesHeld, 0);
  // Every frame held is released again: three in the loop, the fourth by
  // the stop, and the start-up release before them.
  EXPECT_EQ(camera.holds, 4);
  EXPECT_EQ(camera.releases, 5);
  EXPECT_EQ(camera.heldPicture, 0);
  // 70 ms after the hold and 70 ms after the release, per frame.
  EXPECT_GE(virtualMs.load(), static_cast<uint64_t>(140 * 3 + 70));
  EXPECT_EQ(plat::waitFor(acquisitionThread.threadDoneEvent, 0), plat::kWaitObject0);
  EXPECT_EQ(acquisitionThread.threadHandle, nullptr);
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 0);
}

TEST_F(AcquisitionThreadTest, StartThreadRefusesASecondThread) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  plat::Handle first = acquisitionThread.threadHandle;
  EXPECT_FALSE(startThread());
  EXPECT_EQ(acquisitionThread.threadHandle, first);
}

TEST_F(AcquisitionThreadTest, FreezeKeepsThePictureHeldAndOnlyRepaints) {
  openCameraLink();
  viewerState.captureNotice = handleOf(2);  // stands for the capture notice
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitForTransfers(2));
  viewerState.freezeFlag = 1;
  // The round under way finishes without release; later rounds repaint.
  ASSERT_TRUE(pumpUntil([] { return countDelivered(kMsgCaptureDone) >= 3; }, 5000));
  const int transfers = camera.transfers;
  const int paints = ui->paints;
  // Three more repaint rounds.
  for (uint32_t start = plat::tickCount(); ui->paints < paints + 3 && plat::tickCount() - start < 5000;)
    plat::waitFor(ui->queueSignal, 5);
  EXPECT_GE(ui->paints, paints + 3);
  EXPECT_EQ(camera.transfers, transfers);
  EXPECT_EQ(camera.heldPicture, 1);
  // Unfreezing: the next round is a capture round again.
  CommandBlock release = CommandBlock::make(kCmdStoreImage, kParamOff);
  ASSERT_TRUE(deviceLink.transact(&release));
  viewerState.freezeFlag = 0;
  EXPECT_TRUE(waitForTransfers(2));
}

TEST_F(AcquisitionThreadTest, NoCaptureDoneWithoutANotice) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  viewerState.freezeFlag = 1;
  ASSERT_TRUE(pumpUntil([] { return viewerState.freezeFlag && framePipeline.frameInProgress == 0; }, 5000));
  viewerState.threadState = kThreadClosing;
  stopThread();
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgCaptureDone), 0);
}

namespace {
// Closes the gate from inside the transfer, so the thread stops at its
// first chunk read.
std::atomic<int> gateClosed{0};
void closeGateAtTransfer(void*) {
  plat::resetEvent(acquisitionThread.gateEvent);
  gateClosed++;
}
std::atomic<int> transferSeen{0};
void noteTransfer(void*) {
  transferSeen++;
  plat::resetEvent(acquisitionThread.gateEvent);
}
}  // namespace

TEST_F(AcquisitionThreadTest, StopRequestDuringAFrameReleasesAndPostsNothing) {
  openCameraLink();
  transferSeen = 0;
  camera.onTransfer = noteTransfer;
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(pumpUntil([] { return transferSeen > 0; }, 5000));
  const int reads = camera.imageReads;
  viewerState.threadState = kThreadStopForCommand;
  plat::setEvent(acquisitionThread.gateEvent);
  stopThread();
  // A half-size frame has 3 chunks: the thread stopped before its last.
  EXPECT_LT(camera.imageReads, reads + 3);
  EXPECT_EQ(camera.heldPicture, 0);     // the stop released the camera
  EXPECT_EQ(framePipeline.frameInProgress, 0u);
  EXPECT_EQ(framePipeline.writeOffset, 0u);
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 0);
  // The next start reads whole frames again.
  camera.onTransfer = nullptr;
  ASSERT_TRUE(startThread());
  EXPECT_TRUE(waitForTransfers(2));
  EXPECT_EQ(viewerState.threadState, kThreadRun);
}

TEST_F(AcquisitionThreadTest, GateHoldsTheThreadBeforeItsNextCameraStep) {
  openCameraLink();
  gateClosed = 0;
  camera.onTransfer = closeGateAtTransfer;
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(pumpUntil([] { return gateClosed.load() > 0; }, 5000));
  camera.onTransfer = nullptr;
  const int reads = camera.imageReads;
  plat::waitFor(acquisitionThread.threadDoneEvent, 50);  // let it reach the gate
  EXPECT_EQ(camera.imageReads, reads);
  plat::setEvent(acquisitionThread.gateEvent);
  EXPECT_TRUE(waitForTransfers(1));
}

TEST_F(AcquisitionThreadTest, FailedHoldCommandEndsWithCommFailure) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitForTransfers(1));
  camera.failCode = kCmdStoreImage;
  camera.failCount = 1000;  // hold and release both fail from now on
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  EXPECT_EQ(viewerState.threadState, kThreadCommFailure);
  EXPECT_TRUE(waitThreadDone(0));
}

TEST_F(AcquisitionThreadTest, FailedTransferCommandEndsWithCommFailure) {
  openCameraLink();
  camera.failCode = kCmdTransferImage;
  camera.failCount = 3;  // three attempts of one block write
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  EXPECT_EQ(viewerState.threadState, kThreadCommFailure);
  EXPECT_EQ(camera.releases, 1);  // only the start-up release: none after the failure
}

TEST_F(AcquisitionThreadTest, FailedSizeSelectionEndsWithCommFailure) {
  openCameraLink();
  camera.failCode = kCmdSelectSize;
  camera.failCount = 3;
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  EXPECT_EQ(viewerState.threadState, kThreadCommFailure);
  EXPECT_EQ(camera.holds, 0);
  EXPECT_EQ(camera.releases, 1);
}

namespace {
std::atomic<int> lockTaken{0};
// Takes the link lock away from the thread at the transfer, so that its
// chunk read cannot get it in time.
void closeGateOnceAtTransfer(void*) {
  if (lockTaken.load()) return;
  plat::resetEvent(acquisitionThread.gateEvent);
  lockTaken = 1;
}
}  // namespace

TEST_F(AcquisitionThreadTest, ChunkReadThatCannotGetTheLockLosesOnlyItsFrame) {
  openCameraLink();
  lockTaken = 0;
  camera.onTransfer = closeGateOnceAtTransfer;
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(pumpUntil([] { return lockTaken.load() == 1; }, 5000));
  // Wait for the transfer's own exchange to hand the lock back, then keep it.
  ASSERT_EQ(plat::waitFor(deviceLink.linkLock, 2000), plat::kWaitObject0);
  const int releases = camera.releases;
  const int reads = camera.imageReads;
  plat::setEvent(acquisitionThread.gateEvent);
  // The chunk read gives up after its 500 ms wait for the lock.
  ASSERT_TRUE(pumpUntil([] { return deviceLink.imageReadError == plat::kWaitTimeout; }, 5000));
  EXPECT_EQ(camera.imageReads, reads);
  plat::setEvent(deviceLink.linkLock);
  // The camera is still there: the frame is let go, the camera released,
  // and the live loop goes on.
  EXPECT_TRUE(waitForTransfers(2));
  EXPECT_GT(camera.releases, releases);
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 0);
  EXPECT_EQ(viewerState.threadState, kThreadRun);
}

namespace {
// The main window hears of the removal while the thread is in an exchange
// that the removal makes fail.
void removeDuringTransfer(void*) {
  viewerState.threadState = kThreadDeviceRemoved;
}
}  // namespace

TEST_F(AcquisitionThreadTest, DeviceRemovalIsNotOverwrittenByTheFailureItCauses) {
  openCameraLink();
  camera.onTransfer = removeDuringTransfer;
  camera.unplugAtTransfer = true;  // the transfer's reply never comes
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  EXPECT_EQ(viewerState.threadState, kThreadDeviceRemoved);
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 1);
  EXPECT_EQ(camera.releases, 1);  // no release on a removed device
}

TEST_F(AcquisitionThreadTest, UnplugDuringTheChunksEndsWithCommFailure) {
  openCameraLink();
  framePipeline.setSizeIndex(0);
  framePipeline.resetForSize();
  buildBitmapInfo(0);
  camera.unplugAfterImageReads = 14;  // third chunk of the second frame
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  // Image reads do not report errors; the frame's release is what fails.
  EXPECT_EQ(viewerState.threadState, kThreadCommFailure);
  EXPECT_EQ(framePipeline.frameInProgress, 0u);
  EXPECT_TRUE(waitThreadDone(0));
}

TEST_F(AcquisitionThreadTest, PauseParksTheThreadBetweenFramesUntilResumed) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitForTransfers(1));
  ASSERT_TRUE(suspendAcquisition());
  // Parked: no frame in progress, the link lock free, no camera traffic.
  EXPECT_EQ(framePipeline.frameInProgress, 0u);
  ASSERT_EQ(plat::waitFor(deviceLink.linkLock, 0), plat::kWaitObject0);
  plat::setEvent(deviceLink.linkLock);
  const int transfers = camera.transfers;
  plat::waitFor(acquisitionThread.threadDoneEvent, 100);
  EXPECT_EQ(camera.transfers, transfers);
  resumeAcquisition();
  EXPECT_TRUE(waitForTransfers(2));
}

TEST_F(AcquisitionThreadTest, StopWhileParkedEndsAtOnce) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(suspendAcquisition());
  viewerState.threadState = kThreadClosing;
  uint32_t start = plat::tickCount();
  stopThread();
  EXPECT_LT(plat::tickCount() - start, 2000u);
  EXPECT_EQ(acquisitionThread.threadHandle, nullptr);
}

// The same thread against the simulated camera behind the rig: a real
// picture that changes with every hold, a camera that stops answering,
// image reads that fail while the camera is there, and an unplug in the
// middle of a frame.
class AcquisitionThreadSimTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    removeFakeCamera();
    fakeCameraInstalled = false;
    rig = sim::rigCreate();
    cam = sim::rigAddCamera(rig, sim::kModelXga, 1);
    sim::rigSetWarmup(rig, cam, 0);
    sim::rigSetTimeout(rig, 50);  // the driver's 5 s, scaled down
    sim::rigInstall(rig);
  }
  void TearDown() override {
    stopRunningThread();
    deviceLink.close();
    ViewerTest::TearDown();
    sim::rigDestroy(rig);
  }
  static uint32_t liveChecksum() {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < framePipeline.liveImageBytes; i += 97) sum = sum * 31 + framePipeline.liveImage[i];
    return sum;
  }
  // Real wait until the thread has painted `n` more chunks.
  bool waitPaints(int n) {
    int target = ui->paints + n;
    for (uint32_t start = plat::tickCount(); ui->paints < target;)
      if (plat::tickCount() - start > 5000) return false;
      else plat::waitFor(ui->queueSignal, 1);
    return true;
  }
  sim::Rig* rig = nullptr;
  int cam = -1;
};

TEST_F(AcquisitionThreadSimTest, LivePictureChangesFromFrameToFrame) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitPaints(6));  // two half-size frames
  viewerState.threadState = kThreadStopForCommand;
  stopThread();
  const uint32_t first = liveChecksum();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitPaints(6));
  viewerState.threadState = kThreadStopForCommand;
  stopThread();
  EXPECT_NE(liveChecksum(), first);
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 0);
}

TEST_F(AcquisitionThreadSimTest, CameraThatStopsAnsweringEndsWithCommFailure) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitPaints(3));
  // Neither replies nor commands are served any more.
  sim::rigAddFault(rig, cam, sim::stallOperation(kReplyPipe, sim::kDirRead, 1, 1000));
  sim::rigAddFault(rig, cam, sim::stallOperation(kCommandPipe, sim::kDirWrite, 1, 1000));
  ASSERT_TRUE(pumpUntil([] { return countDelivered(kMsgThreadStopped) > 0; }, 10000));
  EXPECT_EQ(viewerState.threadState, kThreadCommFailure);
}

TEST_F(AcquisitionThreadSimTest, StopWhileTheCameraStallsEndsWithoutForce) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitPaints(3));
  sim::rigAddFault(rig, cam, sim::stallOperation(kReplyPipe, sim::kDirRead, 1, 1000));
  sim::rigAddFault(rig, cam, sim::stallOperation(kImagePipe, sim::kDirRead, 1, 1000));
  viewerState.threadState = kThreadStopForCommand;
  const uint32_t start = plat::tickCount();
  stopThread();
  EXPECT_LT(plat::tickCount() - start, 5000u);
  EXPECT_EQ(acquisitionThread.threadHandle, nullptr);
  EXPECT_EQ(plat::waitFor(acquisitionThread.threadDoneEvent, 0), plat::kWaitObject0);
}

TEST_F(AcquisitionThreadSimTest, FailedImageReadsLoseOnlyTheirFramesWhileTheCameraIsThere) {
  openCameraLink();
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitPaints(3));
  // Parked between frames while the faults go in, so counts start together.
  ASSERT_TRUE(suspendAcquisition());
  const uint32_t before = liveChecksum();
  const int paintsBefore = ui->paints;
  sim::SimCamera* model = sim::rigLockCamera(rig, cam);
  const uint32_t readsBefore = model->opCount[kImagePipe][sim::kDirRead];
  sim::rigUnlockCamera(rig, cam);
  // Image reads from now (three chunks a frame): a time-out mid-frame, then
  // three in a row (mid-frame, then the first chunk of the next two frames),
  // then a read the transfer itself fails; five failed reads in all.
  sim::rigAddFault(rig, cam, sim::stallOperation(kImagePipe, sim::kDirRead, 2));
  sim::rigAddFault(rig, cam, sim::stallOperation(kImagePipe, sim::kDirRead, 4, 3));
  sim::rigAddFault(rig, cam, sim::failOperation(kImagePipe, sim::kDirRead, 8, plat::kErrorGenFailure));
  resumeAcquisition();
  // Reads 1, 3 and 7 paint, then two whole frames after the last failure.
  ASSERT_TRUE(waitPaints(9)) << "the live loop ended at a failed image read";
  viewerState.threadState = kThreadStopForCommand;
  stopThread();
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 0);
  EXPECT_NE(liveChecksum(), before);
  model = sim::rigLockCamera(rig, cam);
  const int reads = static_cast<int>(model->opCount[kImagePipe][sim::kDirRead] - readsBefore);
  const bool stillHeld = model->held != 0;
  sim::rigUnlockCamera(rig, cam);
  // Only chunks that arrived were painted.
  EXPECT_EQ(ui->paints - paintsBefore, reads - 5);
  // Every hold was released before the next one, the lost frames' too.
  std::vector<sim::SimLogEntry> log(256);
  log.resize(sim::rigWireLog(rig, cam, log.data(), 256));
  bool held = false;
  int holds = 0;
  for (const sim::SimLogEntry& entry : log) {
    if (entry.bytes[1] != kCmdStoreImage) continue;
    const bool hold = entry.bytes[3] == kParamOn;
    EXPECT_FALSE(hold && held) << "a hold without the release of the one before";
    held = hold;
    holds += hold;
  }
  EXPECT_GE(holds, 7);
  EXPECT_FALSE(stillHeld);
  EXPECT_EQ(framePipeline.frameInProgress, 0u);
  EXPECT_EQ(plat::waitFor(deviceLink.linkLock, 0), plat::kWaitObject0) << "the link lock is free";
  plat::setEvent(deviceLink.linkLock);
}

TEST_F(AcquisitionThreadSimTest, FrameLostAsTheCaptureIsTakenIsFetchedAgainBeforeItIsKept) {
  openCameraLink();
  viewerState.captureNotice = handleOf(2);  // stands for the capture notice
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitPaints(3));
  ASSERT_TRUE(suspendAcquisition());
  sim::rigClearWireLog(rig, cam);
  sim::rigAddFault(rig, cam, sim::stallOperation(kImagePipe, sim::kDirRead, 2));
  viewerState.freezeFlag = 1;
  resumeAcquisition();
  ASSERT_TRUE(pumpUntil([] { return countDelivered(kMsgCaptureDone) > 0; }, 5000));
  // The frame that lost its second chunk is released; the next one is held
  // and kept (the repaint rounds that follow send nothing).
  std::vector<sim::SimLogEntry> log(256);
  log.resize(sim::rigWireLog(rig, cam, log.data(), 256));
  std::vector<int> commands;
  for (const sim::SimLogEntry& entry : log) commands.push_back(entry.bytes[1] << 8 | entry.bytes[3]);
  EXPECT_EQ(commands, (std::vector<int>{0x3101, 0x3205, 0x3305, 0x320A, 0x3101, 0x3205, 0x3305}));
}

TEST_F(AcquisitionThreadSimTest, UnplugInTheMiddleOfAFrameEndsWithCommFailure) {
  openCameraLink();
  framePipeline.setSizeIndex(0);
  framePipeline.resetForSize();
  buildBitmapInfo(0);
  ASSERT_TRUE(startThread());
  ASSERT_TRUE(waitPaints(12));
  // During the next transfer the camera goes once 5 chunks were read.
  sim::rigAddFault(rig, cam, sim::goAwayMidFrame(1, 5 * 131072));
  ASSERT_TRUE(pumpUntil([] { return countDelivered(kMsgThreadStopped) > 0; }, 10000));
  EXPECT_EQ(viewerState.threadState, kThreadCommFailure);
  EXPECT_FALSE(sim::rigIsPlugged(rig, cam));
}
