// The source window and its preview thread against the simulated camera:
// start-up by camera model, preview passes, Full and Half with the capture
// handshake up to the transfer and back to the preview, the hold buttons,
// EXIT, failures in a preview pass and in the handshake, unplugging, and a
// stop that does not come in time.
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "sim/sim_rig.h"
#include "tests/twain/recording_source_ui.h"
#include "tests/twain/twain_test_support.h"
#include "twain/global_memory.h"
#include "twain/preview_thread.h"
#include "twain/source_camera.h"
#include "twain/source_dialog.h"
#include "twain/source_record.h"
#include "twain/source_resources.h"
#include "twain/source_window.h"

using namespace twain;

namespace {

std::atomic<uint64_t> virtualMs{0};
std::atomic<int> xferReadyCount{0};
std::atomic<int> closeRequestCount{0};
// Called (from whichever thread notifies) at each MSG_XFERREADY.
std::function<void()> onXferReady;
std::mutex onXferReadyLock;

// Set by a test: the wait that opens the next preview pass closes the gate
// and says so. From that wait the thread goes to the gate before its first
// camera step without looking at its state again, so it is sure to stop
// there however late a stop request comes.
std::atomic<bool> closeGateAtNextPass{false};
std::atomic<bool> gateClosedAtPass{false};

// The fixed waits run in virtual time; the longer ones still take a real
// millisecond, so that the handshake's offers do not race ahead of the test.
void virtualSleep(uint32_t ms) {
  if (ms == kPassSleepMs && closeGateAtNextPass.exchange(false)) {
    plat::resetEvent(previewThread.gateEvent);
    gateClosedAtPass = true;
  }
  virtualMs += ms;
  if (ms >= 20) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  else std::this_thread::yield();
}

TW_UINT16 TW_CALLINGSTYLE countNotification(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                                            TW_MEMREF) {
  if (msg == MSG_XFERREADY) {
    xferReadyCount++;
    std::lock_guard<std::mutex> guard(onXferReadyLock);
    if (onXferReady) onXferReady();
  }
  if (msg == MSG_CLOSEDSREQ) closeRequestCount++;
  return TWRC_SUCCESS;
}

class SourceWindowTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    virtualMs = 0;
    closeGateAtNextPass = false;
    gateClosedAtPass = false;
    xferReadyCount = 0;
    closeRequestCount = 0;
    onXferReady = nullptr;
    installManagerEntry(countNotification);
    plat::installSleepHook(virtualSleep);
    ui = &installRecordingSourceUi();
    installSourceDialog();
    rig = sim::rigCreate();
    ASSERT_NE(nullptr, rig);
    sim::rigSetTimeout(rig, 50);
    ASSERT_EQ(TWRC_SUCCESS, openSource());
  }
  void TearDown() override {
    if (previewThread.gateEvent) plat::setEvent(previewThread.gateEvent);
    if (sourceRecord.sourceWindow) call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr);
    {
      std::lock_guard<std::mutex> guard(onXferReadyLock);
      onXferReady = nullptr;
    }
    sim::rigDestroy(rig);
    removeRecordingSourceUi();
    plat::installSleepHook(nullptr);
    TwainTest::TearDown();
  }

  void plug(sim::SimModel model) {
    camera = sim::rigAddCamera(rig, model, 1);
    ASSERT_GE(camera, 0);
    sim::rigSetWarmup(rig, camera, 0);
    sim::rigInstall(rig);
  }
  TW_UINT16 enable() {
    TW_USERINTERFACE ui{1, 0, reinterpret_cast<void*>(0x4321)};
    return call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  }
  WindowHandle window() { return sourceRecord.sourceWindow; }
  RecordedDialog& dialog() { return ui->dialogs[numberOf(window())]; }
  RecordedControl& control(int id) { return ui->control(window(), id); }
  void click(int id) { sourceWindowHandler(window(), kMsgCommand, static_cast<uintptr_t>(id), 0); }
  void draw(int id, uint32_t action, bool pressed, bool disabled = false) {
    DrawRequest request{id, action, pressed, disabled, handleOf(9)};
    sourceWindowHandler(window(), kMsgDrawItem, 0, reinterpret_cast<intptr_t>(&request));
  }
  bool buttonsEnabled() { return control(IDC_FULL).enabled && control(IDC_HALF).enabled; }
  bool buttonsDisabled() { return !control(IDC_FULL).enabled && !control(IDC_HALF).enabled; }
  bool waitPaints(int more) {
    const int target = ui->paints + more;
    return ui->pumpUntil([&] { return ui->paints >= target; });
  }
  // Whether the camera received this command since the wire log was cleared.
  int wireCount(uint8_t code, uint8_t parameter) {
    sim::SimLogEntry log[256];
    uint32_t n = sim::rigWireLog(rig, camera, log, 256);
    int count = 0;
    for (uint32_t i = 0; i < n; ++i) count += log[i].bytes[1] == code && log[i].bytes[3] == parameter;
    return count;
  }
  void setOnXferReady(std::function<void()> action) {
    std::lock_guard<std::mutex> guard(onXferReadyLock);
    onXferReady = std::move(action);
  }
  // Full or Half pressed; returns once the handshake offers the frame.
  void captureAt(int id) {
    click(id);
    ASSERT_TRUE(ui->pumpUntil([&] { return xferReadyCount >= 2; }));
    EXPECT_EQ(1, previewThread.capturing.load());
    EXPECT_EQ(600, sourceRecord.sourceState);
  }
  void endTransfer() {
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
    EXPECT_EQ(0, pending.Count);
  }

  // One strip of 20 rows of the memory transfer in the red-green-blue order
  // of the strips; rows go to `rows`. The transfer's answer.
  TW_UINT16 memoryStrip(std::vector<uint8_t>* rows) {
    std::vector<uint8_t> strip(20 * 1536);
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory.Flags = 0x0001 | 0x0008;
    xfer.Memory.Length = static_cast<TW_UINT32>(strip.size());
    xfer.Memory.TheMem = strip.data();
    TW_UINT16 rc = call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    rows->insert(rows->end(), strip.begin(), strip.begin() + xfer.BytesWritten);
    return rc;
  }
  // Takes the strips after the first until the transfer is done: twenty
  // in all for a half-size frame, together the strips FRAME makes.
  void expectRemainingStrips(const std::vector<uint8_t>& frame, std::vector<uint8_t>* rows) {
    TW_UINT16 rc;
    int strips = 1;
    do {
      rc = memoryStrip(rows);
      ++strips;
    } while (rc == TWRC_SUCCESS && strips < 100);
    EXPECT_EQ(TWRC_XFERDONE, rc);
    EXPECT_EQ(20, strips);
    EXPECT_EQ(stripsOfFrame(frame), *rows);
  }
  // The strips a half-size frame makes: its rows from the top, each pixel
  // red, green, blue.
  static std::vector<uint8_t> stripsOfFrame(const std::vector<uint8_t>& frame) {
    std::vector<uint8_t> strips(frame.size());
    for (size_t i = 0; i + 2 < frame.size(); i += 3) {
      strips[i] = frame[i + 2];
      strips[i + 1] = frame[i + 1];
      strips[i + 2] = frame[i];
    }
    return strips;
  }

  RecordingSourceUi* ui = nullptr;
  sim::Rig* rig = nullptr;
  int camera = -1;
};

TEST_F(SourceWindowTest, HalfCaptureIsOfferedUntilTheApplicationAnswersAndThePreviewGoesOn) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  ASSERT_NE(nullptr, window());
  EXPECT_EQ(500, sourceRecord.sourceState);

  // Start-up: splash centred and gone, window placed and titled for the
  // 1024x768 camera, its background and buttons where they belong.
  RecordedDialog& splash = ui->dialogs[numberOf(window()) + 1];
  EXPECT_EQ(IDD_SOURCE_SPLASH, splash.templateId);
  EXPECT_FALSE(splash.alive);
  EXPECT_EQ((1280 - 443) / 2, splash.rect.left);
  EXPECT_EQ((1024 - 19 - 213) / 2, splash.rect.top);
  EXPECT_EQ(IDD_SOURCE_WINDOW, dialog().templateId);
  EXPECT_TRUE(dialog().visible);
  EXPECT_EQ(IDI_SOURCE, dialog().icon);
  EXPECT_EQ("ZEL TWAIN Driver (ZEL-B200Q/B50/BxQ, 1024x768)", dialog().title);
  const int height = 506 + 19;
  EXPECT_EQ((1280 - 606) / 2, dialog().rect.left);
  EXPECT_EQ((1024 - 19 - height) / 2, dialog().rect.top);
  EXPECT_EQ(606, dialog().rect.right - dialog().rect.left);
  EXPECT_EQ(height, dialog().rect.bottom - dialog().rect.top);
  EXPECT_FALSE(control(IDC_BACKGROUND_LARGE).visible);
  EXPECT_EQ(500, control(IDC_BACKGROUND).rect.bottom);
  EXPECT_EQ(32, control(IDC_FULL).rect.left);
  EXPECT_EQ(488 + 80, control(IDC_EXIT).rect.right);
  EXPECT_EQ(408, control(IDC_AWC).rect.left);
  EXPECT_EQ(24 + 38, control(IDC_AWC).rect.bottom);

  // Preview passes at half size, plain stretching onto 512x384 at (44, 91).
  ASSERT_TRUE(waitPaints(6));
  EXPECT_EQ(512, ui->lastPaintHeader.width);
  EXPECT_EQ(-384, ui->lastPaintHeader.height);
  EXPECT_EQ(44, ui->lastPaintRect.left);
  EXPECT_EQ(91 + 384, ui->lastPaintRect.bottom);
  EXPECT_EQ(0, ui->halftonePaints.load());
  EXPECT_EQ(0, xferReadyCount.load());

  // Half pressed at half size: Full and Half go disabled, one frame is
  // captured with the white text, and the frame is offered again and again.
  sim::rigClearWireLog(rig, camera);
  captureAt(IDC_HALF);
  EXPECT_TRUE(buttonsDisabled());
  EXPECT_GE(ui->captureNotes.load(), 1);
  // The capturing pass asked for half size (the pass the press cut short may
  // have asked too), never for full size.
  EXPECT_GE(wireCount(0x31, 1), 1);
  EXPECT_EQ(0, wireCount(0x31, 0));
  ASSERT_TRUE(ui->pumpUntil([&] { return ui->handshakeNotes >= 2 && xferReadyCount >= 4; }));
  EXPECT_EQ(0xFFFF00u, ui->lastNoteColour);
  EXPECT_EQ("Checking DSM Operation Triplets..", ui->lastNoteText);
  EXPECT_EQ(320, ui->lastNoteX);
  // The picture stands while the application is awaited.
  const int paintsInHandshake = ui->paints;
  const int offers = xferReadyCount;
  ASSERT_TRUE(ui->pumpUntil([&] { return xferReadyCount >= offers + 2; }));
  EXPECT_EQ(paintsInHandshake, ui->paints.load());
  EXPECT_TRUE(buttonsDisabled());

  // The application answers: no more offers; the native transfer is the
  // captured frame turned bottom-up.
  TW_IMAGEINFO info{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  EXPECT_EQ(512, info.ImageWidth);
  EXPECT_EQ(384, info.ImageLength);
  EXPECT_EQ(24, info.BitsPerPixel);
  TW_HANDLE dib = nullptr;
  ASSERT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
  ASSERT_NE(nullptr, dib);
  const uint8_t* bits = static_cast<const uint8_t*>(gmem::lock(dib)) + 40;
  const uint8_t* frame = sourcePipeline.liveImage;
  bool matches = true;
  for (int row = 0; row < 384; ++row) matches = matches && !std::memcmp(bits + row * 1536, frame + (383 - row) * 1536, 1536);
  EXPECT_TRUE(matches);
  gmem::unlock(dib);
  gmem::release(dib);
  const int offersAtAnswer = xferReadyCount;
  ASSERT_TRUE(ui->pumpUntil([&] { return ui->handshakeNotes >= 50; }));
  EXPECT_LE(xferReadyCount.load(), offersAtAnswer + 1);
  EXPECT_TRUE(buttonsDisabled());  // until the transfer has ended

  // The end of the transfer: Full and Half again, the preview at half size.
  endTransfer();
  ASSERT_TRUE(ui->pumpUntil([&] { return buttonsEnabled(); }));
  EXPECT_EQ(0, previewThread.capturing.load());
  EXPECT_EQ(1, sourceWindowState.viewSize);
  EXPECT_EQ(0, ui->deliveredCount(kMsgReturnToHalf));
  EXPECT_TRUE(waitPaints(3));
  EXPECT_TRUE(shownBoxes.empty());

  // EXIT asks the application to close the source; the window stays.
  click(IDC_EXIT);
  EXPECT_EQ(1, closeRequestCount.load());
  EXPECT_TRUE(dialog().alive);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
  EXPECT_FALSE(previewStopWasForced());
  EXPECT_FALSE(sourceLink.isOpen());
  EXPECT_EQ(nullptr, previewThread.threadDoneEvent);
  EXPECT_EQ(0, gmem::liveBlocks());
}

TEST_F(SourceWindowTest, FullCaptureOnTheLargeModelComesInStripsAndReturnsToHalf) {
  plug(sim::kModelSxga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  EXPECT_EQ("ZEL TWAIN Driver (ZEL-A100, 1280x1024)", dialog().title);
  EXPECT_EQ(532 + 19, dialog().rect.bottom - dialog().rect.top);
  EXPECT_FALSE(control(IDC_BACKGROUND).visible);
  EXPECT_EQ(526, control(IDC_BACKGROUND_LARGE).rect.bottom);
  ASSERT_TRUE(waitPaints(2));
  // The large model's preview is stretched with halftone onto 512x410.
  EXPECT_EQ(640, ui->lastPaintHeader.width);
  EXPECT_EQ(91 + 410, ui->lastPaintRect.bottom);
  EXPECT_GT(ui->halftonePaints.load(), 0);

  // Full and Half drawn from the large model's set.
  ui->keyedDraws.clear();
  draw(IDC_FULL, kDrawEntire, false);
  draw(IDC_HALF, kDrawSelect, true);
  draw(IDC_FULL, kDrawEntire, false, true);
  ASSERT_EQ(3u, ui->keyedDraws.size());
  EXPECT_EQ(IDB_FULL_LARGE, ui->keyedDraws[0].bitmapId);
  EXPECT_EQ(IDB_HALF_LARGE_PRESSED, ui->keyedDraws[1].bitmapId);
  EXPECT_EQ(IDB_FULL_LARGE_DISABLED, ui->keyedDraws[2].bitmapId);
  EXPECT_EQ(0xFF0000u, ui->keyedDraws[0].keyColour);

  captureAt(IDC_FULL);
  EXPECT_EQ(0, sourceWindowState.viewSize);
  EXPECT_EQ(1280, previewThread.previewHeader.width);
  EXPECT_EQ(-1024, previewThread.previewHeader.height);
  TW_IMAGEINFO info{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  EXPECT_EQ(1280, info.ImageWidth);
  EXPECT_EQ(1024, info.ImageLength);
  std::vector<uint8_t> strip(65535);
  uint32_t rows = 0;
  bool inOrder = true;
  TW_UINT16 rc;
  do {
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory.Flags = 0x0001 | 0x0008;
    xfer.Memory.Length = static_cast<TW_UINT32>(strip.size());
    xfer.Memory.TheMem = strip.data();
    rc = call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    const uint8_t* want = sourcePipeline.liveImage + rows * 3840;
    inOrder = inOrder && xfer.YOffset == rows && strip[0] == want[2] && strip[2] == want[0];
    rows += xfer.Rows;
  } while (rc == TWRC_SUCCESS && rows < 2000);
  EXPECT_EQ(TWRC_XFERDONE, rc);
  EXPECT_EQ(1024u, rows);
  EXPECT_TRUE(inOrder);

  // After the end of a Full transfer the window returns to half size by
  // itself, with Full and Half enabled again.
  endTransfer();
  ASSERT_TRUE(ui->pumpUntil([&] { return ui->deliveredCount(kMsgReturnToHalf) == 1 && buttonsEnabled(); }));
  EXPECT_EQ(1, sourceWindowState.viewSize);
  EXPECT_EQ(1, sourcePipeline.sizeIndex);
  EXPECT_EQ(640, previewThread.previewHeader.width);
  EXPECT_TRUE(waitPaints(2));
  EXPECT_EQ(640, ui->lastPaintHeader.width);
}

TEST_F(SourceWindowTest, HoldButtonsSendTheirCommandWhenDrawnPressedAndStopOnTheClick) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  sim::rigClearWireLog(rig, camera);
  ui->keyedDraws.clear();
  draw(IDC_ZOOM_IN, kDrawSelect, true);
  EXPECT_EQ(1, wireCount(0x26, 5));
  draw(IDC_ZOOM_IN, kDrawSelect, false);  // dragged off the button: no stop
  EXPECT_EQ(0, wireCount(0x2F, 5));
  draw(IDC_ZOOM_OUT, kDrawSelect, true);
  click(IDC_ZOOM_OUT);
  EXPECT_EQ(1, wireCount(0x26, 10));
  EXPECT_EQ(1, wireCount(0x2F, 5));
  draw(IDC_IRIS_UP, kDrawSelect, true);
  draw(IDC_IRIS_DOWN, kDrawSelect, true);
  click(IDC_IRIS_DOWN);
  EXPECT_EQ(1, wireCount(0x21, 5));
  EXPECT_EQ(1, wireCount(0x21, 10));
  EXPECT_EQ(2, wireCount(0x2F, 5));
  draw(IDC_AWC, kDrawSelect, true);
  click(IDC_AWC);
  EXPECT_EQ(1, wireCount(0x01, 5));
  EXPECT_EQ(2, wireCount(0x2F, 5));  // A sends no stop
  // Full and Half when not pressed send nothing; a bare focus change draws nothing.
  draw(IDC_EXIT, kDrawFocus, false);
  std::vector<int> drawn;
  for (const KeyedDraw& d : ui->keyedDraws) drawn.push_back(d.bitmapId);
  EXPECT_EQ((std::vector<int>{IDB_ZOOM_IN_PRESSED, IDB_ZOOM_IN, IDB_ZOOM_OUT_PRESSED, IDB_IRIS_UP_PRESSED,
                              IDB_IRIS_DOWN_PRESSED, IDB_AWC_PRESSED}),
            drawn);
  EXPECT_TRUE(shownBoxes.empty());
}

// A failure of the preview: the USB box, then MSG_CLOSEDSREQ, once.
void expectOneUsbFailure(RecordingSourceUi* ui) {
  ASSERT_TRUE(ui->pumpUntil([&] { return closeRequestCount >= 1; }));
  ui->pumpUntil([] { return false; }, 100);
  EXPECT_EQ(1, closeRequestCount.load());
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("Error - USB communication", shownBoxes[0].caption);
  EXPECT_EQ(devlink::kUsbCommText, shownBoxes[0].text);
  EXPECT_EQ(plat::kMbOk | plat::kMbIconError, shownBoxes[0].flags);
  EXPECT_EQ(kPreviewCommFailure, previewThread.threadState.load());
  EXPECT_EQ(1, ui->deliveredCount(kMsgThreadStopped));
}

TEST_F(SourceWindowTest, FailedExchangeInAPreviewPassEndsTheThreadWithTheUsbBox) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  ASSERT_TRUE(waitPaints(2));
  sim::rigAddFault(rig, camera, sim::failOperation(0, sim::kDirWrite, 1, plat::kErrorGenFailure, 3));
  expectOneUsbFailure(ui);
  EXPECT_TRUE(dialog().alive);  // until the application disables the source
  EXPECT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
  EXPECT_FALSE(previewStopWasForced());
}

TEST_F(SourceWindowTest, UnplugDuringThePreviewEndsTheThreadWithTheUsbBox) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  ASSERT_TRUE(waitPaints(2));
  sim::rigUnplug(rig, camera);
  expectOneUsbFailure(ui);
}

TEST_F(SourceWindowTest, FailureInTheHandshakeWaitsForTheTransferAndReportsOnce) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  ASSERT_TRUE(waitPaints(2));
  // The handshake's next release command fails (all three attempts).
  // Armed once per run of the case (a static flag would stay set when the
  // case runs again in the same process); the flag lives as long as the
  // action, which the fixture clears only after this body has returned.
  auto armed = std::make_shared<std::atomic<bool>>(false);
  setOnXferReady([this, armed] {
    if (!armed->exchange(true))
      sim::rigAddFault(rig, camera, sim::failOperation(0, sim::kDirWrite, 1, plat::kErrorGenFailure, 3));
  });
  click(IDC_HALF);
  ASSERT_TRUE(ui->pumpUntil([&] { return closeRequestCount >= 1; }));
  EXPECT_EQ(1u, shownBoxes.size());
  // The thread still waits for the end of the transfer: the application
  // may take the captured frame.
  EXPECT_EQ(plat::kWaitTimeout, plat::waitFor(previewThread.threadDoneEvent, 20));
  TW_IMAGEINFO info{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  TW_HANDLE dib = nullptr;
  ASSERT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
  gmem::release(dib);
  endTransfer();
  EXPECT_EQ(plat::kWaitObject0, plat::waitFor(previewThread.threadDoneEvent, 5000));
  ui->pumpUntil([] { return false; }, 100);
  // One box and one close request for the one failure; no return to the preview.
  EXPECT_EQ(1u, shownBoxes.size());
  EXPECT_EQ(1, closeRequestCount.load());
  EXPECT_EQ(1, ui->deliveredCount(kMsgThreadStopped));
  EXPECT_EQ(0, ui->deliveredCount(kMsgCaptureButtons, 1));
}

TEST_F(SourceWindowTest, DisablingDuringTheHandshakeStopsTheThreadWithoutForce) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  captureAt(IDC_HALF);
  const uint32_t before = plat::tickCount();
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
  EXPECT_FALSE(previewStopWasForced());
  EXPECT_LT(plat::tickCount() - before, 500u);
  EXPECT_EQ(400, sourceRecord.sourceState);
  EXPECT_EQ(nullptr, sourceWindowState.captureFrame);
  EXPECT_TRUE(shownBoxes.empty());
}

// The application takes the first strip, then closes the window before the
// rest: the frame buffers go with the window, the strips still come whole.
TEST_F(SourceWindowTest, StripsComeWholeWhenTheWindowGoesDuringTheMemoryTransfer) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  captureAt(IDC_HALF);
  ASSERT_EQ(512u * 384 * 3, sourcePipeline.liveImageBytes);
  const std::vector<uint8_t> frame(sourcePipeline.liveImage, sourcePipeline.liveImage + sourcePipeline.liveImageBytes);
  std::vector<uint8_t> rows;
  ASSERT_EQ(TWRC_SUCCESS, memoryStrip(&rows));
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
  EXPECT_EQ(nullptr, sourcePipeline.liveImage);
  expectRemainingStrips(frame, &rows);
}

// The preview restarts (Full pressed) while the strips are taken:
// the preview restarts in a new frame buffer and captures again, and the
// strips under way still come from the frame they started from.
TEST_F(SourceWindowTest, StripsComeWholeWhenThePreviewRestartsDuringTheMemoryTransfer) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  captureAt(IDC_HALF);
  const std::vector<uint8_t> frame(sourcePipeline.liveImage, sourcePipeline.liveImage + sourcePipeline.liveImageBytes);
  std::vector<uint8_t> rows;
  ASSERT_EQ(TWRC_SUCCESS, memoryStrip(&rows));
  click(IDC_FULL);
  ASSERT_TRUE(waitPaints(2));
  expectRemainingStrips(frame, &rows);
  endTransfer();
}

TEST_F(SourceWindowTest, AStopThatDoesNotComeInTimeEndsTheThreadByForce) {
  plug(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  ASSERT_TRUE(waitPaints(1));
  // The gate closed as the next pass opens: the thread stops at its first
  // camera step and stays. (Closed at an arbitrary moment instead, the gate
  // might find the thread still inside an exchange when the stop request
  // comes, after which it ends by itself without passing another gate.)
  closeGateAtNextPass = true;
  ASSERT_TRUE(ui->pumpUntil([] { return gateClosedAtPass.load(); }));
  previewThread.threadState = kPreviewStopRequested;
  const uint32_t before = plat::tickCount();
  stopPreviewThread();
  EXPECT_TRUE(previewStopWasForced());
  EXPECT_GE(plat::tickCount() - before, 1000u);
  EXPECT_EQ(nullptr, previewThread.threadHandle);
  EXPECT_EQ(plat::kWaitObject0, plat::waitFor(previewThread.threadDoneEvent, 0));
#ifndef _WIN32
  // Natively the forced thread only stands detached: let it run out.
  plat::resetEvent(previewThread.threadDoneEvent);
  plat::setEvent(previewThread.gateEvent);
  EXPECT_EQ(plat::kWaitObject0, plat::waitFor(previewThread.threadDoneEvent, 5000));
#endif
}

TEST_F(SourceWindowTest, NoCameraMeansNoWindow) {
  sim::rigInstall(rig);
  EXPECT_EQ(TWRC_FAILURE, enable());
  EXPECT_EQ(nullptr, window());
  EXPECT_EQ(400, sourceRecord.sourceState);
  // The device link's box, then the data source's.
  ASSERT_EQ(2u, shownBoxes.size());
  EXPECT_EQ("Error - Device Driver", shownBoxes[0].caption);
  EXPECT_EQ("Veltrum Lumidesk TWAIN Error", shownBoxes[1].caption);
  EXPECT_EQ(nullptr, previewThread.threadHandle);
  EXPECT_FALSE(sourceLink.isOpen());
}

}  // namespace
