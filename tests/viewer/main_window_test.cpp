// The main window: start-up order, zoom changes, device changes, link
// recovery and its bound, close request and shut-down order.
#include <algorithm>
#include <string>

#include "tests/viewer/viewer_fixture.h"
#include "viewer/layout.h"
#include "viewer/viewer_resources.h"

using namespace viewer;
using namespace devlink;

namespace {

size_t eventIndex(const RecordingUi& ui, const std::string& event) {
  auto it = std::find(ui.events.begin(), ui.events.end(), event);
  return static_cast<size_t>(it - ui.events.begin());
}

bool threadStoppedDelivered() { return countDelivered(kMsgThreadStopped) > 0; }

}  // namespace

class MainWindowTest : public ViewerTest {};

TEST_F(MainWindowTest, StartUpOpensTheCameraThenThePanelThenTheLivePicture) {
  WindowHandle main = startViewer();
  ASSERT_TRUE(acquisitionThread.threadHandle);
  EXPECT_EQ(viewerState.mainWindow, main);
  EXPECT_EQ(windowOf(main).icon, IDI_VIEWER);
  // Splash first, the panel once the camera is up, splash gone at the end.
  EXPECT_LT(eventIndex(*ui, "create 84"), eventIndex(*ui, "create 2"));
  EXPECT_LT(eventIndex(*ui, "create 2"), eventIndex(*ui, "destroy 84"));
  EXPECT_GE(virtualMs.load(), 1000u);
  // The first command after the handshake's queries is the held release.
  const std::vector<uint8_t> log = commandLogSnapshot(camera);
  ASSERT_GE(log.size(), 2u);
  size_t firstPicture = 0;
  while (firstPicture + 2 < log.size() && log[firstPicture] >= 0x60) firstPicture += 2;
  EXPECT_EQ(log[firstPicture], kCmdStoreImage);
  EXPECT_EQ(log[firstPicture + 1], kParamOff);
  // Half size on a 1280 x 1024 work area (fit 1280 x 960).
  EXPECT_EQ(viewerState.zoomLevel, 1);
  EXPECT_EQ(viewerState.fitWidth, 1280);
  EXPECT_EQ(viewerState.fitHeight, 960);
  WindowRect r = windowOf(main).rect;
  EXPECT_EQ(r.left, 180);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right - r.left, 532);
  EXPECT_EQ(r.bottom - r.top, 19 + 404);
  WindowRect placeholder = windowOf(itemOf(main, IDC_VIEW_PLACEHOLDER)).rect;
  EXPECT_EQ(placeholder.left, 5);
  EXPECT_EQ(placeholder.right, 517);
  EXPECT_EQ(acquisitionThread.liveBitmapInfo.width, 512);
  EXPECT_TRUE(waitForTransfers(2));
  EXPECT_EQ(camera.lastSize, 1);
  EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(MainWindowTest, StartUpWithoutACameraShowsTheDriverMessageAndEnds) {
  camera.present = false;
  WindowHandle main = startViewer();
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, kDeviceDriverCaption);
  EXPECT_EQ(ui->boxes[0].text, kDeviceDriverTextViewer);
  EXPECT_FALSE(windowOf(main).alive);
  EXPECT_EQ(findWindow(IDD_MINI_PANEL), nullptr);
  EXPECT_EQ(acquisitionThread.threadHandle, nullptr);
  // The splash still shows for its second, the shut-down still runs.
  EXPECT_GE(virtualMs.load(), 1000u);
  EXPECT_LT(eventIndex(*ui, "destroy 84"), eventIndex(*ui, "destroy 1"));
  EXPECT_LT(eventIndex(*ui, "create 83"), ui->events.size());
  EXPECT_FALSE(deviceLink.isOpen());
}

TEST_F(MainWindowTest, ZoomChangeRestartsTheLivePictureAtTheNewSize) {
  WindowHandle main = startViewer();
  ASSERT_TRUE(waitForTransfers(1));
  windowOps().postMessage(main, kMsgZoomChange, 2, 0);
  pumpMessages();
  EXPECT_EQ(viewerState.zoomLevel, 2);
  EXPECT_EQ(framePipeline.sizeIndex, 2);
  EXPECT_EQ(acquisitionThread.liveBitmapInfo.width, 256);
  EXPECT_GE(windowOf(main).invalidations, 1);
  WindowRect r = windowOf(main).rect;
  EXPECT_EQ(r.left, 260);
  EXPECT_EQ(r.top, 150);
  EXPECT_EQ(viewerState.threadState, kThreadRun);
  ASSERT_TRUE(waitForTransfers(2));
  EXPECT_EQ(camera.lastSize, 2);
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 0);
}

TEST_F(MainWindowTest, ZoomLevelOutsideTheTableIsRefused) {
  WindowHandle main = startViewer();
  windowOps().postMessage(main, kMsgZoomChange, 3, 0);
  pumpMessages();
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].flags & 0xF0, plat::kMbIconError);
  EXPECT_EQ(viewerState.zoomLevel, 1);
  EXPECT_EQ(viewerState.threadState, kThreadRun);
}

TEST_F(MainWindowTest, DeviceNodesChangedWithTheCameraThereChangesNothing) {
  WindowHandle main = startViewer();
  windowOps().sendMessage(main, kMsgDeviceChange, kDeviceNodesChanged, 0);
  EXPECT_EQ(viewerState.threadState, kThreadRun);
  EXPECT_TRUE(waitForTransfers(1));
}

TEST_F(MainWindowTest, UnplugShowsTheDriverMessageAndClosesTheProgram) {
  WindowHandle main = startViewer();
  ASSERT_TRUE(waitForTransfers(1));
  camera.present = false;
  windowOps().sendMessage(main, kMsgDeviceChange, kDeviceNodesChanged, 0);
  EXPECT_EQ(viewerState.threadState, kThreadDeviceRemoved);
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  ASSERT_EQ(countBoxes(kDeviceDriverCaption), 1);
  EXPECT_EQ(ui->boxes.back().owner, main);
  EXPECT_EQ(ui->boxes.back().flags & 0xF0, plat::kMbIconError);
  EXPECT_FALSE(windowOf(viewerState.miniPanel).alive);
  EXPECT_TRUE(ui->modalEnded);
  EXPECT_EQ(ui->modalResult, 0);
}

TEST_F(MainWindowTest, RemovalCompleteStopsTheThread) {
  WindowHandle main = startViewer();
  camera.present = false;
  windowOps().sendMessage(main, kMsgDeviceChange, kDeviceRemoveComplete, 0);
  EXPECT_EQ(viewerState.threadState, kThreadDeviceRemoved);
  windowOps().sendMessage(main, kMsgDeviceChange, 0x8000, 0);  // arrival: nothing
  EXPECT_EQ(viewerState.threadState, kThreadDeviceRemoved);
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  EXPECT_TRUE(ui->modalEnded);
}

TEST_F(MainWindowTest, CommFailureShowsTheUsbNoticeAndRecovers) {
  WindowHandle main = startViewer();
  ASSERT_TRUE(waitForTransfers(1));
  camera.reenumerateOnFailure = true;  // the camera resets and comes back one number up
  camera.failCode = kCmdTransferImage;
  camera.failCount = 3;
  ASSERT_TRUE(pumpUntil(threadStoppedDelivered, 5000));
  // The notice may already be gone again: look for it among all windows.
  WindowHandle notice = nullptr;
  for (size_t i = 0; i < ui->windows.size() && !notice; ++i)
    if (ui->windows[i].templateId == IDD_USB_CHECK_NOTICE) notice = handleOf(static_cast<int>(i + 1));
  ASSERT_TRUE(notice);
  EXPECT_EQ(windowOf(notice).owner, main);
  EXPECT_GT(deviceLink.deviceIndex, 1);  // reopened at the camera's new number
  // The next good transfer takes the notice away and resets the count.
  ASSERT_TRUE(pumpUntil([] { return countDelivered(kMsgDestroyNotice) > 0; }, 5000));
  EXPECT_FALSE(windowOf(notice).alive);
  EXPECT_EQ(viewerState.usbCheckNotice, nullptr);
  EXPECT_EQ(viewerState.recoveryCount, 0);
  EXPECT_TRUE(ui->boxes.empty());
  EXPECT_FALSE(ui->modalEnded);
  EXPECT_TRUE(waitForTransfers(2));
}

TEST_F(MainWindowTest, TwelfthFailureInARowEndsWithTheUsbMessage) {
  WindowHandle main = startViewer();
  ASSERT_TRUE(waitForTransfers(1));
  camera.reenumerateOnFailure = true;
  camera.failCode = kCmdTransferImage;
  camera.failCount = 1000000;  // no frame ever gets through again
  ASSERT_TRUE(pumpUntil([] { return countBoxes(kUsbCommCaption) > 0; }, 10000))
      << countDelivered(kMsgThreadStopped) << " thread stops, recovery count " << viewerState.recoveryCount;
  EXPECT_EQ(countDelivered(kMsgThreadStopped), 12);
  EXPECT_EQ(viewerState.recoveryCount, 11);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].owner, main);
  EXPECT_EQ(ui->boxes[0].text, kUsbCommText);
  // One notice for the whole run.
  EXPECT_EQ(std::count(ui->events.begin(), ui->events.end(), "create 81"), 1);
  EXPECT_TRUE(ui->modalEnded);
  EXPECT_EQ(ui->modalResult, 0);
}

TEST_F(MainWindowTest, CloseRequestEndsTheLoopAndShutDownRunsInOrder) {
  WindowHandle main = startViewer();
  ASSERT_TRUE(waitForTransfers(1));
  windowOps().sendMessage(main, kMsgClose, 0, 0);
  EXPECT_EQ(viewerState.threadState, kThreadClosing);
  EXPECT_FALSE(windowOf(viewerState.miniPanel).alive);
  EXPECT_TRUE(ui->modalEnded);
  EXPECT_EQ(ui->modalResult, 0);
  // The dialog manager destroys the window once its loop ended.
  windowOps().destroyWindow(main);
  EXPECT_LT(eventIndex(*ui, "create 83"), eventIndex(*ui, "destroy 83"));
  EXPECT_EQ(acquisitionThread.threadHandle, nullptr);
  EXPECT_EQ(acquisitionThread.threadDoneEvent, nullptr);
  EXPECT_EQ(framePipeline.liveImage, nullptr);
  EXPECT_FALSE(deviceLink.isOpen());
  EXPECT_EQ(camera.heldPicture, 0);  // the stopping thread released the camera
  EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(MainWindowTest, ShutDownWhileRecoveringTakesTheNoticeAway) {
  WindowHandle main = startViewer();
  viewerState.threadState = kThreadStopForCommand;  // no frame may clear the notice meanwhile
  stopThread();
  WindowHandle notice = windowOps().createDialog(IDD_USB_CHECK_NOTICE, main, noticeHandler);
  viewerState.usbCheckNotice = notice;
  windowOps().sendMessage(main, kMsgClose, 0, 0);
  windowOps().destroyWindow(main);
  EXPECT_FALSE(windowOf(notice).alive);
  EXPECT_LT(eventIndex(*ui, "destroy 81"), eventIndex(*ui, "create 83"));
}
