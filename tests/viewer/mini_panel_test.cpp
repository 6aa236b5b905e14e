// The mini panel's rules: capture on the press, the capture notice, the
// control panel, zoom buttons with the release question and the Full
// refusal, Save/Print refusals, exit and close, and the held-picture fetch.
#include "tests/viewer/viewer_fixture.h"
#include <string>
#include <vector>

#include "viewer/viewer_resources.h"

using namespace viewer;
using namespace devlink;

namespace {


int lastKeyedBitmap(const RecordingUi& ui, int controlId) {
  for (size_t i = ui.keyedDraws.size(); i-- > 0;)
    if (ui.keyedDraws[i].controlId == controlId) return ui.keyedDraws[i].bitmapId;
  return 0;
}

}  // namespace

class MiniPanelTest : public ViewerTest {
 protected:
  WindowHandle startPanel() {
    startViewer();
    return viewerState.miniPanel;
  }
  // Presses and lets go of Capture and waits until the frozen frame is shown.
  void freeze(WindowHandle panel) {
    ASSERT_EQ(panel, viewerState.miniPanel.load());
    ASSERT_TRUE(freezePicture());
  }
};

TEST_F(MiniPanelTest, PanelSitsAtTheMainWindowsRightEdge) {
  WindowHandle panel = startPanel();
  WindowRect main = windowOf(viewerState.mainWindow).rect;
  WindowRect r = windowOf(panel).rect;
  EXPECT_EQ(r.left, main.right);
  EXPECT_EQ(r.top, main.top);
  EXPECT_EQ(r.right - r.left, 150);
  EXPECT_EQ(r.bottom - r.top, 19 + 201);
  WindowRect capture = windowOf(itemOf(panel, IDC_CAPTURE)).rect;
  EXPECT_EQ(capture.left, 72);
  EXPECT_EQ(capture.top, 96);
  EXPECT_EQ(capture.right, 134);
  WindowRect background = windowOf(itemOf(panel, IDC_MINI_BACKGROUND)).rect;
  EXPECT_EQ(background.bottom, 195);
  // Exit sits in the strip above the zoom buttons, inside the client area.
  WindowRect exit = windowOf(itemOf(panel, IDC_EXIT)).rect;
  EXPECT_LE(exit.right, 144);
  EXPECT_LE(exit.bottom, 21);
}

TEST_F(MiniPanelTest, CaptureFreezesOnThePressAndTheNoticeHoldsTheMouse) {
  WindowHandle panel = startPanel();
  ASSERT_TRUE(waitForTransfers(1));
  drawButton(panel, IDC_CAPTURE, kDrawSelect, true);
  EXPECT_EQ(viewerState.freezeFlag, 1);
  WindowHandle notice = viewerState.captureNotice;
  ASSERT_TRUE(notice);
  EXPECT_EQ(windowOf(notice).templateId, IDD_CAPTURE_NOTICE);
  EXPECT_EQ(windowOf(notice).owner, panel);
  EXPECT_EQ(ui->mouseCapture, notice);
  EXPECT_EQ(lastKeyedBitmap(*ui, IDC_CAPTURE), IDB_CAPTURE_FROZEN);
  // Releasing away from the button, or the click itself, changes nothing.
  drawButton(panel, IDC_CAPTURE, kDrawSelect, false);
  clickButton(panel, IDC_CAPTURE);
  EXPECT_EQ(viewerState.freezeFlag, 1);
  EXPECT_EQ(lastKeyedBitmap(*ui, IDC_CAPTURE), IDB_CAPTURE_FROZEN);
  // The first frozen frame takes the notice and the mouse capture away.
  ASSERT_TRUE(pumpUntil(captureDone, 5000));
  EXPECT_FALSE(windowOf(notice).alive);
  EXPECT_EQ(ui->mouseCapture, nullptr);
  EXPECT_EQ(camera.heldPicture, 1);
}

TEST_F(MiniPanelTest, RedrawOfAHeldCaptureButtonDoesNotToggleAgain) {
  WindowHandle panel = startPanel();
  drawButton(panel, IDC_CAPTURE, kDrawSelect, true);
  drawButton(panel, IDC_CAPTURE, kDrawEntire, true);
  EXPECT_EQ(viewerState.freezeFlag, 1);
  EXPECT_EQ(std::count(ui->events.begin(), ui->events.end(), "create 82"), 1);
}

TEST_F(MiniPanelTest, PressedSelectionRepeatedWhileHeldDoesNotToggleAgain) {
  WindowHandle panel = startPanel();
  freeze(panel);
  drawButton(panel, IDC_CAPTURE, kDrawSelect, false);  // released
  drawButton(panel, IDC_CAPTURE, kDrawSelect, true);   // press: goes live
  drawButton(panel, IDC_CAPTURE, kDrawSelect, true);   // mouse moves on the held button
  EXPECT_EQ(viewerState.freezeFlag, 0);
  // Moving off and back onto the held button is a new press.
  drawButton(panel, IDC_CAPTURE, kDrawSelect, false);
  drawButton(panel, IDC_CAPTURE, kDrawSelect, true);
  EXPECT_EQ(viewerState.freezeFlag, 1);
}

TEST_F(MiniPanelTest, CapturePressedWhileFrozenReleasesAndGoesLive) {
  WindowHandle panel = startPanel();
  freeze(panel);
  const int releases = camera.releases;
  drawButton(panel, IDC_CAPTURE, kDrawSelect, false);
  drawButton(panel, IDC_CAPTURE, kDrawSelect, true);
  EXPECT_EQ(viewerState.freezeFlag, 0);
  EXPECT_EQ(camera.releases, releases + 1);
  EXPECT_EQ(lastKeyedBitmap(*ui, IDC_CAPTURE), IDB_CAPTURE_LIVE);
  EXPECT_GE(virtualMs.load(), 1100u);  // the release waits 100 ms
  EXPECT_TRUE(waitForTransfers(2));
}

TEST_F(MiniPanelTest, CaptureWithTheControlPanelOpenWarnsClosesItAndFreezes) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_CONTROL);
  WindowHandle control = viewerState.controlPanel;
  ASSERT_TRUE(control);
  EXPECT_EQ(windowOf(control).templateId, IDD_CONTROL_PANEL);
  EXPECT_EQ(windowOf(control).owner, panel);
  EXPECT_EQ(miniPanelState.controlPanelOpen, 1);
  drawButton(panel, IDC_CAPTURE, kDrawSelect, true);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, " Warning - Remove Control Panel ");
  EXPECT_EQ(ui->boxes[0].flags & 0xF0, plat::kMbIconInformation);
  EXPECT_FALSE(windowOf(control).alive);
  EXPECT_EQ(viewerState.controlPanel, nullptr);
  EXPECT_EQ(miniPanelState.controlPanelOpen, 0);
  EXPECT_EQ(viewerState.freezeFlag, 1);
}

TEST_F(MiniPanelTest, ControlTogglesThePanelAndIsRefusedWhileFrozen) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_CONTROL);
  WindowHandle control = viewerState.controlPanel;
  ASSERT_TRUE(control);
  clickButton(panel, IDC_CONTROL);
  EXPECT_FALSE(windowOf(control).alive);
  EXPECT_EQ(miniPanelState.controlPanelOpen, 0);
  freeze(panel);
  clickButton(panel, IDC_CONTROL);
  EXPECT_EQ(viewerState.controlPanel, nullptr);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].text, kControlWhileFrozenText);
  EXPECT_EQ(ui->boxes[0].caption, " Warning - Free Capture");
}

TEST_F(MiniPanelTest, ControlPanelClosingItselfClearsThePanelState) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_CONTROL);
  windowOps().postMessage(panel, kMsgControlPanelClosed, 0, 0);
  pumpMessages();
  EXPECT_EQ(viewerState.controlPanel, nullptr);
  EXPECT_EQ(miniPanelState.controlPanelOpen, 0);
}

TEST_F(MiniPanelTest, SaveAndPrintAreRefusedWhileLive) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_SAVE);
  clickButton(panel, IDC_PRINT);
  ASSERT_EQ(ui->boxes.size(), 2u);
  EXPECT_EQ(ui->boxes[0].text, "Can't save!  First, capture the picture");
  EXPECT_EQ(ui->boxes[0].caption, " Warning - Save ");
  EXPECT_EQ(ui->boxes[1].text, "Can't print!  First, capture the picture");
  EXPECT_EQ(ui->boxes[1].caption, "Warning - Print");
  for (const MessageBoxCall& box : ui->boxes) EXPECT_EQ(box.flags & 0xF0, plat::kMbIconInformation);
}

TEST_F(MiniPanelTest, ZoomButtonOfTheCurrentLevelDoesNothingEvenWhenFrozen) {
  WindowHandle panel = startPanel();
  freeze(panel);
  clickButton(panel, IDC_ZOOM_HALF);
  pumpMessages();
  EXPECT_TRUE(ui->boxes.empty());
  EXPECT_EQ(countDelivered(kMsgZoomChange), 0);
  EXPECT_EQ(viewerState.freezeFlag, 1);
}

TEST_F(MiniPanelTest, ZoomButtonSetsTheLevelAndTheMainWindowFollows) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_ZOOM_QUARTER);
  EXPECT_EQ(viewerState.zoomLevel, 2);
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgZoomChange), 1);
  EXPECT_EQ(framePipeline.sizeIndex, 2);
  drawButton(panel, IDC_ZOOM_QUARTER, kDrawEntire, false);
  drawButton(panel, IDC_ZOOM_HALF, kDrawEntire, false);
  EXPECT_EQ(lastKeyedBitmap(*ui, IDC_ZOOM_QUARTER), IDB_ZOOM_QUARTER_PRESSED);
  EXPECT_EQ(lastKeyedBitmap(*ui, IDC_ZOOM_HALF), IDB_ZOOM_HALF);
}

TEST_F(MiniPanelTest, ZoomWhileFrozenAsksAndNoKeepsTheCapture) {
  WindowHandle panel = startPanel();
  freeze(panel);
  ui->answers.push_back(plat::kIdNo);
  clickButton(panel, IDC_ZOOM_QUARTER);
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, "Warning - release Capture");
  EXPECT_EQ(ui->boxes[0].flags, plat::kMbYesNo | plat::kMbIconQuestion);
  EXPECT_EQ(viewerState.freezeFlag, 1);
  EXPECT_EQ(viewerState.zoomLevel, 1);
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgZoomChange), 0);
}

TEST_F(MiniPanelTest, FullOnASmallScreenWhileFrozenReleasesThenRefuses) {
  ui->workWidth = 800;
  ui->workHeight = 600;
  WindowHandle panel = startPanel();
  freeze(panel);
  const int releases = camera.releases;
  ui->answers.push_back(plat::kIdYes);
  clickButton(panel, IDC_ZOOM_FULL);
  ASSERT_EQ(ui->boxes.size(), 2u);
  EXPECT_EQ(ui->boxes[0].caption, "Warning - release Capture");
  EXPECT_EQ(ui->boxes[1].text, kFullModeText);
  EXPECT_EQ(ui->boxes[1].caption, "Error - Mode selection");
  EXPECT_EQ(ui->boxes[1].flags & 0xF0, plat::kMbIconError);
  // The release made before the refusal stays made.
  EXPECT_EQ(viewerState.freezeFlag, 0);
  EXPECT_EQ(camera.releases, releases + 1);
  EXPECT_EQ(viewerState.zoomLevel, 1);
  pumpMessages();
  EXPECT_EQ(countDelivered(kMsgZoomChange), 0);
}

TEST_F(MiniPanelTest, ExitEndsTheProgram) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_EXIT);
  EXPECT_EQ(viewerState.threadState, kThreadClosing);
  EXPECT_TRUE(ui->modalEnded);
  EXPECT_EQ(ui->modalResult, 0);
  EXPECT_FALSE(windowOf(panel).alive);
}

TEST_F(MiniPanelTest, CloseRequestAlsoClosesTheControlPanel) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_CONTROL);
  WindowHandle control = viewerState.controlPanel;
  windowOps().sendMessage(panel, kMsgClose, 0, 0);
  EXPECT_FALSE(windowOf(panel).alive);
  EXPECT_FALSE(windowOf(control).alive);
  EXPECT_EQ(viewerState.controlPanel, nullptr);
  EXPECT_TRUE(ui->modalEnded);
}

namespace {
// A save or print component that records what the mini panel asks of it.
struct OutputRecord {
  std::vector<std::string> calls;
  bool confirm = true;
  int size = 1;
  int step = 0;
  int advances = 0;
  int writtenSize = -1;
  bool wroteLive = false;
  int transfersAtWrite = 0;
  bool threadParkedAtWrite = false;
  WindowHandle progressOwner = nullptr;
} out;
FakeCamera* outCamera = nullptr;

void outReset(int zoom) { out.calls.push_back("reset " + std::to_string(zoom)); }
bool outDialogs(WindowHandle) {
  out.calls.push_back("dialogs");
  return out.confirm;
}
int outChosenSize() { return out.size; }
void outSetSize(int size) { out.calls.push_back("size " + std::to_string(size)); }
void outShow(WindowHandle owner) {
  out.calls.push_back("show");
  out.progressOwner = owner;
}
void outProgress(int percent) { out.calls.push_back("progress " + std::to_string(percent)); }
void outEnded() { out.calls.push_back("ended"); }
bool outWrite(const uint8_t* pixels, int size) {
  out.calls.push_back("write");
  out.writtenSize = size;
  out.wroteLive = pixels == framePipeline.liveImage;
  out.transfersAtWrite = outCamera->transfers;
  out.threadParkedAtWrite = acquisitionThread.pauseRequested != 0;
  return true;
}
void outCleanUp() { out.calls.push_back("clean"); }
void outStep(void*, int step) { out.step = step; }
void outAdvance(void*) { out.advances++; }
const ProgressSink kOutProgress = {nullptr, outStep, outAdvance};
const PictureOutputComponent kOutput = {outReset,    outDialogs,    outChosenSize, outSetSize,
                                        outShow,     outProgress,   outEnded,      &kOutProgress,
                                        outWrite,    outCleanUp};

std::string joined(const std::vector<std::string>& calls) {
  std::string s;
  for (const std::string& c : calls) s += (s.empty() ? "" : ", ") + c;
  return s;
}
}  // namespace

class PictureOutputTest : public MiniPanelTest {
 protected:
  void SetUp() override {
    MiniPanelTest::SetUp();
    out = OutputRecord();
    outCamera = &camera;
    miniPanelState.saveComponent = &kOutput;
    miniPanelState.printComponent = &kOutput;
  }
};

TEST_F(PictureOutputTest, SaveAtTheZoomLevelWritesTheScreenPictureWithoutCameraTraffic) {
  WindowHandle panel = startPanel();
  freeze(panel);
  out.size = 1;
  const int transfers = camera.transfers;
  clickButton(panel, IDC_SAVE);
  EXPECT_EQ(joined(out.calls), "reset 1, dialogs, show, progress 80, write, progress 100, ended, clean");
  EXPECT_TRUE(out.wroteLive);
  EXPECT_EQ(out.progressOwner, panel);
  EXPECT_EQ(camera.transfers, transfers);
  EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(PictureOutputTest, SaveAtAnotherSizeFetchesItWhileTheThreadIsParked) {
  WindowHandle panel = startPanel();
  freeze(panel);
  out.size = 0;
  const int reads = camera.imageReads;
  clickButton(panel, IDC_SAVE);
  EXPECT_EQ(joined(out.calls), "reset 1, dialogs, show, progress 80, write, progress 100, ended, clean");
  EXPECT_FALSE(out.wroteLive);
  EXPECT_EQ(out.writtenSize, 0);
  EXPECT_TRUE(out.threadParkedAtWrite);
  EXPECT_EQ(camera.lastSize, 0);
  // Chunks follow the live size (half: 131072 bytes): 12 for a full frame.
  EXPECT_EQ(camera.imageReads - reads, 12);
  EXPECT_EQ(out.step, 80 / (2359296 / 131072 + 1));
  EXPECT_EQ(out.advances, 12);
  // Afterwards: capture freed, thread running again, picture still frozen.
  EXPECT_EQ(framePipeline.captureImage, nullptr);
  EXPECT_EQ(acquisitionThread.pauseRequested, 0);
  EXPECT_EQ(viewerState.freezeFlag, 1);
  EXPECT_EQ(viewerState.threadState, kThreadRun);
}

TEST_F(PictureOutputTest, CancelledDialogOnlyCleansUp) {
  WindowHandle panel = startPanel();
  freeze(panel);
  out.confirm = false;
  clickButton(panel, IDC_SAVE);
  EXPECT_EQ(joined(out.calls), "reset 1, dialogs, clean");
}

TEST_F(PictureOutputTest, FailedFetchIsReportedAndTheThreadStillResumes) {
  WindowHandle panel = startPanel();
  freeze(panel);
  out.size = 2;
  camera.failCode = kCmdTransferImage;
  camera.failCount = 3;
  clickButton(panel, IDC_SAVE);
  EXPECT_EQ(joined(out.calls), "reset 1, dialogs, show, progress 100, ended, clean");
  ASSERT_EQ(ui->boxes.size(), 2u);
  EXPECT_EQ(ui->boxes[0].text, kCaptureTransferFailText);
  EXPECT_EQ(ui->boxes[1].text, "Fail to transfer the image");
  EXPECT_EQ(ui->boxes[1].caption, "Error - Image transfer");
  EXPECT_EQ(acquisitionThread.pauseRequested, 0);
  EXPECT_EQ(framePipeline.captureImage, nullptr);
}

TEST_F(PictureOutputTest, PrintAlwaysUsesTheFullSizePicture) {
  WindowHandle panel = startPanel();
  freeze(panel);
  clickButton(panel, IDC_PRINT);
  EXPECT_EQ(joined(out.calls), "reset 1, dialogs, show, size 0, progress 80, write, progress 100, ended, clean");
  EXPECT_EQ(out.writtenSize, 0);
  EXPECT_FALSE(out.wroteLive);
  EXPECT_EQ(camera.lastSize, 0);
}

TEST_F(PictureOutputTest, PrintAtFullZoomPrintsTheScreenPicture) {
  WindowHandle panel = startPanel();
  clickButton(panel, IDC_ZOOM_FULL);
  pumpMessages();
  ASSERT_EQ(viewerState.zoomLevel, 0);
  freeze(panel);
  const int transfers = camera.transfers;
  clickButton(panel, IDC_PRINT);
  EXPECT_TRUE(out.wroteLive);
  EXPECT_EQ(camera.transfers, transfers);
}

TEST_F(PictureOutputTest, SizeChosenInTheSaveDialogReachesTheComponent) {
  WindowHandle panel = startPanel();
  windowOps().postMessage(panel, kMsgSaveSizeChosen, 0, 2);
  pumpMessages();
  EXPECT_EQ(joined(out.calls), "size 2");
}

TEST_F(MiniPanelTest, FailedReleaseOfTheHeldPictureIsReported) {
  WindowHandle panel = startPanel();
  freeze(panel);
  camera.failCode = kCmdStoreImage;
  camera.failCount = 3;
  const uint64_t before = virtualMs;
  releaseHeldPicture();
  ASSERT_EQ(ui->boxes.size(), 1u);
  EXPECT_EQ(ui->boxes[0].caption, kUsbCommCaption);
  EXPECT_EQ(ui->boxes[0].owner, nullptr);
  EXPECT_GE(virtualMs - before, 100u);
  (void)panel;
}

TEST_F(MiniPanelTest, MissingButtonBitmapLeavesTheButtonAsItWas) {
  WindowHandle panel = startPanel();
  ui->missingBitmaps.push_back(IDB_SAVE);
  drawButton(panel, IDC_SAVE, kDrawEntire, false);
  drawButton(panel, IDC_PRINT, kDrawEntire, false);
  EXPECT_EQ(lastKeyedBitmap(*ui, IDC_SAVE), 0);
  EXPECT_EQ(lastKeyedBitmap(*ui, IDC_PRINT), IDB_PRINT);
}
