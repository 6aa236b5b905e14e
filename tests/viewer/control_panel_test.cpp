// The control panel and its dialogs over the recording window stand-in and
// the simulated camera: opening, the status box, the held arrows with the
// acquisition thread stopped and restarted, the level knob, one-shot
// commands with their refusals and locks, the quarter turn while the
// thread paints, the gate messages, closing, and the three dialogs. What
// reached the camera is read from its wire log.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/sim_rig.h"
#include "tests/viewer/viewer_fixture.h"
#include "viewer/control_panel.h"
#include "viewer/level_control.h"
#include "viewer/live_view.h"

using namespace viewer;
using namespace devlink;

namespace {

intptr_t at(int x, int y) { return static_cast<intptr_t>((y << 16) | (x & 0xFFFF)); }

int lastKeyed(const RecordingUi& ui, int controlId) {
  for (size_t i = ui.keyedDraws.size(); i-- > 0;)
    if (ui.keyedDraws[i].controlId == controlId) return ui.keyedDraws[i].bitmapId;
  return 0;
}

int lastIndicator(const RecordingUi& ui, int left, int top) {
  for (size_t i = ui.opaqueDraws.size(); i-- > 0;)
    if (ui.opaqueDraws[i].rect.left == left && ui.opaqueDraws[i].rect.top == top) return ui.opaqueDraws[i].bitmapId;
  return 0;
}

int countEvents(const RecordingUi& ui, const std::string& event) {
  return static_cast<int>(std::count(ui.events.begin(), ui.events.end(), event));
}

// Every paint at half size goes into the view rectangle with the header of
// that size, never a mixture.
bool halfSizePaint(const WindowRect& r, const imaging::BitmapInfoHeader& info) {
  return r.left == 5 && r.top == 5 && r.right == 517 && r.bottom == 389 && info.size == 40 && info.width == 512 &&
         info.height == -384 && info.bitCount == 24;
}

}  // namespace

class ControlPanelTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    removeFakeCamera();
    fakeCameraInstalled = false;
    resetControlPanel();
    rig = sim::rigCreate();
    cam = sim::rigAddCamera(rig, sim::kModelXga, 1);
    sim::rigSetWarmup(rig, cam, 0);
    sim::rigSetTimeout(rig, 200);
    sim::rigInstall(rig);
  }
  void TearDown() override {
    ViewerTest::TearDown();
    sim::rigDestroy(rig);
  }

  // The panel over an open link, with no acquisition thread running.
  WindowHandle openQuietPanel() {
    openCameraLink();
    WindowHandle panel = windowOps().createDialog(IDD_CONTROL_PANEL, viewerState.miniPanel, controlPanelHandler);
    viewerState.controlPanel = panel;
    return panel;
  }
  // The panel opened from the mini panel of a running viewer.
  WindowHandle openLivePanel() {
    startViewer();
    clickButton(viewerState.miniPanel, IDC_CONTROL);
    return viewerState.controlPanel;
  }

  sim::SimCamera* camera() { return sim::rigLockCamera(rig, cam); }
  void done() { sim::rigUnlockCamera(rig, cam); }
  uint32_t transfers() {
    uint32_t n = camera()->transferCount;
    done();
    return n;
  }
  bool waitTransfers(uint32_t n) {
    const uint32_t target = transfers() + n;
    for (uint32_t start = plat::tickCount(); plat::tickCount() - start < 5000;) {
      pumpMessages();
      if (transfers() >= target) return true;
      plat::waitFor(ui->queueSignal, 2);
    }
    return false;
  }
  // Real time passes; posted messages are delivered meanwhile.
  void pause(uint32_t ms) {
    for (uint32_t start = plat::tickCount(); plat::tickCount() - start < ms;) {
      pumpMessages();
      plat::waitFor(ui->queueSignal, 2);
    }
  }

  // The blocks the camera took since the last clear, as hex lines.
  std::vector<std::string> wire() {
    sim::SimLogEntry log[sim::kSimLogSize];
    const uint32_t n = sim::rigWireLog(rig, cam, log, sim::kSimLogSize);
    std::vector<std::string> lines;
    static const char digits[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < n; ++i) {
      std::string line;
      for (int b = 0; b < 8; ++b) {
        if (b) line += ' ';
        line += digits[log[i].bytes[b] >> 4];
        line += digits[log[i].bytes[b] & 15];
      }
      lines.push_back(line);
    }
    return lines;
  }
  int sent(const std::string& block) {
    std::vector<std::string> lines = wire();
    return static_cast<int>(std::count(lines.begin(), lines.end(), block));
  }
  // Where a block last went out, -1 when it did not.
  int lastAt(const std::string& block) {
    std::vector<std::string> lines = wire();
    for (size_t i = lines.size(); i-- > 0;)
      if (lines[i] == block) return static_cast<int>(i);
    return -1;
  }
  void clearWire() { sim::rigClearWireLog(rig, cam); }
  void failWrites(uint32_t count) {
    sim::rigAddFault(rig, cam, sim::failOperation(0, sim::kDirWrite, 1, plat::kErrorGenFailure, count));
  }

  sim::Rig* rig = nullptr;
  int cam = -1;
};

TEST_F(ControlPanelTest, OpensBelowTheMainWindowShowingTheCameraStatusAndTheZoomKnob) {
  sim::SimCamera* c = camera();
  c->levels[sim::kLevelZoom].value = 900;
  c->negative = 1;
  c->lamp = sim::kLampLower;
  c->presetLock = 1;
  done();
  WindowHandle panel = openLivePanel();
  ASSERT_TRUE(panel);
  EXPECT_EQ(windowOf(panel).templateId, IDD_CONTROL_PANEL);
  EXPECT_EQ(windowOf(panel).owner, viewerState.miniPanel.load());
  const WindowRect main = windowOf(viewerState.mainWindow).rect;
  const WindowRect r = windowOf(panel).rect;
  EXPECT_EQ(r.left, main.left + 2);
  EXPECT_EQ(r.top, main.bottom);
  EXPECT_EQ(r.right - r.left, 476);
  EXPECT_EQ(r.bottom - r.top, 19 + 204);
  const WindowRect rotate = windowOf(itemOf(panel, IDC_ROTATE)).rect;
  EXPECT_EQ(rotate.left, 268);
  EXPECT_EQ(rotate.top, 120);
  EXPECT_EQ(rotate.right, 328);
  EXPECT_EQ(windowOf(itemOf(panel, IDC_PANEL_EXIT)).moves, 0);  // keeps its template place
  EXPECT_EQ(windowOf(itemOf(panel, IDC_VOL)).moves, 0);
  // Zoom is selected at program start: the knob at 139 x 900 / 1809 + 18.
  const WindowRect knob = windowOf(itemOf(panel, IDC_KNOB)).rect;
  EXPECT_EQ(knob.left, 87);
  EXPECT_EQ(knob.top, 20);
  EXPECT_EQ(knob.right, 105);
  EXPECT_EQ(knob.bottom, 39);
  EXPECT_EQ(viewerState.knobRect.left, 87);
  // The status box, and the presets lock taken from it.
  EXPECT_EQ(lastIndicator(*ui, 81, 132), IDB_SHOW_LAMP_LOWER);
  EXPECT_EQ(lastIndicator(*ui, 211, 36), IDB_SHOW_NEGA);
  EXPECT_EQ(lastIndicator(*ui, 271, 34), IDB_SHOW_INT);
  EXPECT_EQ(lastIndicator(*ui, 211, 58), IDB_SHOW_XGA);
  EXPECT_EQ(lastIndicator(*ui, 216, 80), IDB_SHOW_EMPTY);  // hidden by the preset lock
  EXPECT_EQ(viewerState.presetsLocked, 1);
  drawButton(panel, IDC_ROTATE, kDrawEntire, false);
  EXPECT_EQ(lastKeyed(*ui, IDC_ROTATE), IDB_ROTATE_LOCKED);
  drawButton(panel, IDC_ROTATE, kDrawSelect, true);
  EXPECT_EQ(lastKeyed(*ui, IDC_ROTATE), IDB_ROTATE_LOCKED);
  drawButton(panel, IDC_FREEZE, kDrawEntire, false);
  EXPECT_EQ(lastKeyed(*ui, IDC_FREEZE), IDB_FREEZE);
  drawButton(panel, IDC_ZOOM, kDrawEntire, false);
  EXPECT_EQ(lastKeyed(*ui, IDC_ZOOM), IDB_ZOOM_PRESSED);  // the selected function stays pressed
  drawButton(panel, IDC_IRIS, kDrawEntire, false);
  EXPECT_EQ(lastKeyed(*ui, IDC_IRIS), IDB_IRIS);

  // At full size the main window reaches the screen's 768th line: the panel
  // is raised by 231.
  clickButton(viewerState.miniPanel, IDC_CONTROL);
  clickButton(viewerState.miniPanel, IDC_ZOOM_FULL);
  pumpMessages();
  clickButton(viewerState.miniPanel, IDC_CONTROL);
  const WindowRect full = windowOf(viewerState.mainWindow).rect;
  ASSERT_GE(full.bottom, 768);
  EXPECT_EQ(windowOf(viewerState.controlPanel).rect.top, full.bottom - 231);
}

TEST_F(ControlPanelTest, HeldArrowStopsTheLivePictureAndSendsOneStartAndOneStopPerHold) {
  WindowHandle panel = openLivePanel();
  ASSERT_TRUE(waitTransfers(2));
  clickButton(panel, IDC_IRIS);
  EXPECT_EQ(viewerState.selectedFunction, kFunctionIris);
  EXPECT_EQ(viewerState.levelMax, 120);
  clearWire();
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, true);
  EXPECT_EQ(lastKeyed(*ui, IDC_RIGHT_ARROW), IDB_RIGHT_ARROW_PRESSED);
  EXPECT_EQ(acquisitionThread.threadHandle, nullptr);
  EXPECT_EQ(viewerState.threadState, kThreadStopForCommand);
  ASSERT_FALSE(wire().empty());
  EXPECT_EQ(wire().back(), "A0 21 00 05 00 00 00 AF");
  EXPECT_EQ(viewerState.heldDirection, 1);
  EXPECT_EQ(viewerState.heldStartAcked, 1);
  EXPECT_EQ(viewerState.refreshSuppressed, 1);
  // Held: no frame, no paint, one start however the mouse moves on it.
  const uint32_t heldTransfers = transfers();
  const int heldPaints = ui->paints;
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, true);
  drawButton(panel, IDC_RIGHT_ARROW, kDrawEntire, true);
  pause(150);
  EXPECT_EQ(transfers(), heldTransfers);
  EXPECT_EQ(ui->paints, heldPaints);
  EXPECT_EQ(sent("A0 21 00 05 00 00 00 AF"), 1);
  // Dragged off the button: the stop goes and the picture runs again.
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, false);
  EXPECT_GT(lastAt("A0 2F 00 05 00 00 00 AF"), lastAt("A0 21 00 05 00 00 00 AF"));
  EXPECT_NE(acquisitionThread.threadHandle, nullptr);
  EXPECT_EQ(viewerState.refreshSuppressed, 0);
  EXPECT_EQ(viewerState.heldStartAcked, 0);
  ASSERT_TRUE(waitTransfers(2));
  // Back onto it: a new hold; let go on it: its stop, then the click.
  clearWire();
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, true);
  EXPECT_EQ(acquisitionThread.threadHandle, nullptr);
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, false);
  clickButton(panel, IDC_RIGHT_ARROW);
  EXPECT_EQ(viewerState.heldDirection, 0);
  EXPECT_EQ(sent("A0 21 00 05 00 00 00 AF"), 1);
  EXPECT_EQ(sent("A0 2F 00 05 00 00 00 AF"), 1);
  EXPECT_GT(camera()->levels[sim::kLevelIris].value, 60);  // the camera moved it while held
  done();
  // A one-shot command after the hold goes out on its own; the running
  // picture is left alone.
  plat::Handle thread = acquisitionThread.threadHandle;
  ASSERT_NE(thread, nullptr);
  clickButton(panel, IDC_LAMP_OFF);
  EXPECT_EQ(sent("A0 03 00 0A 00 00 00 AF"), 1);
  EXPECT_EQ(acquisitionThread.threadHandle, thread);
  EXPECT_EQ(lastIndicator(*ui, 81, 132), IDB_SHOW_LAMP_OFF);
  ASSERT_TRUE(waitTransfers(2));
  // The left arrow asks for a decrease.
  clearWire();
  drawButton(panel, IDC_LEFT_ARROW, kDrawSelect, true);
  EXPECT_EQ(wire().back(), "A0 21 00 0A 00 00 00 AF");
  EXPECT_EQ(viewerState.heldDirection, 2);
  drawButton(panel, IDC_LEFT_ARROW, kDrawSelect, false);
  EXPECT_GT(lastAt("A0 2F 00 05 00 00 00 AF"), lastAt("A0 21 00 0A 00 00 00 AF"));
}

TEST_F(ControlPanelTest, FailedArrowStartRestartsThePictureAndTheReleaseSendsNothing) {
  WindowHandle panel = openQuietPanel();
  clearWire();
  failWrites(3);  // every attempt of the start's write
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, true);
  EXPECT_EQ(viewerState.heldStartAcked, 0);
  EXPECT_NE(acquisitionThread.threadHandle, nullptr);
  ASSERT_TRUE(waitTransfers(1));
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, false);
  EXPECT_EQ(sent("A0 26 00 05 00 00 00 AF"), 0);
  EXPECT_EQ(sent("A0 2F 00 05 00 00 00 AF"), 0);
  EXPECT_EQ(viewerState.refreshSuppressed, 0);
}

TEST_F(ControlPanelTest, KnobDragSetsTheValueWhereItIsDroppedAndGivesTheMouseBack) {
  WindowHandle panel = openQuietPanel();
  clickButton(panel, IDC_RED);  // 0..200, the camera at 100
  WindowHandle knob = itemOf(panel, IDC_KNOB);
  EXPECT_EQ(windowOf(knob).rect.left, 87);
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(50, 25));  // beside the knob
  EXPECT_EQ(viewerState.knobDragging, 0);
  EXPECT_EQ(ui->mouseCapture, nullptr);
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(90, 25));
  EXPECT_EQ(ui->mouseCapture, panel);
  EXPECT_EQ(viewerState.knobDragging, 1);
  EXPECT_EQ(viewerState.refreshSuppressed, 1);
  EXPECT_EQ(viewerState.grabOffset, 3);
  windowOps().sendMessage(panel, kMsgMouseMove, 0, at(-40, 25));
  EXPECT_EQ(windowOf(knob).rect.left, 27);
  windowOps().sendMessage(panel, kMsgMouseMove, 0, at(400, 25));
  EXPECT_EQ(windowOf(knob).rect.left, 148);
  windowOps().sendMessage(panel, kMsgMouseMove, 0, at(100, 25));
  EXPECT_EQ(windowOf(knob).rect.left, 97);
  // A refresh that arrives meanwhile leaves the knob under the pointer.
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(windowOf(knob).rect.left, 97);
  // Dropped at its left stop with the pointer on it: p = 36, value 12. The
  // platform lets the mouse go only at the third asking.
  clearWire();
  ui->captureReleaseFailures = 2;
  windowOps().sendMessage(panel, kMsgLeftButtonUp, 0, at(30, 25));
  EXPECT_EQ(wire(), std::vector<std::string>{"A0 43 00 00 0C 00 00 AF"});
  EXPECT_EQ(ui->captureReleases, 3);
  EXPECT_EQ(ui->mouseCapture, nullptr);
  EXPECT_EQ(viewerState.knobDragging, 0);
  EXPECT_EQ(viewerState.refreshSuppressed, 0);
  EXPECT_EQ(camera()->levels[sim::kLevelRed].value, 12);
  done();
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(windowOf(knob).rect.left, knobLeftForValue(12, 0, 200));
  // Another window taking the mouse ends a drag without a set command; the
  // next press drags again.
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(28, 25));
  ASSERT_EQ(viewerState.knobDragging, 1);
  clearWire();
  windowOps().sendMessage(panel, kMsgCaptureChanged, 0, 0);
  EXPECT_EQ(viewerState.knobDragging, 0);
  EXPECT_EQ(viewerState.refreshSuppressed, 0);
  windowOps().sendMessage(panel, kMsgLeftButtonUp, 0, at(100, 25));
  EXPECT_TRUE(wire().empty());
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(28, 25));
  EXPECT_EQ(viewerState.knobDragging, 1);
}

TEST_F(ControlPanelTest, KnobSetIsTriedFourTimesAndThePressWaitsForAnIdleCamera) {
  WindowHandle panel = openQuietPanel();
  clickButton(panel, IDC_IRIS);  // 0..120 at 60: knob at 87
  // Three failed attempts (three writes each): the fourth gets through.
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(96, 30));
  clearWire();
  failWrites(9);
  windowOps().sendMessage(panel, kMsgLeftButtonUp, 0, at(96, 30));  // p = 96: 59
  EXPECT_EQ(sent("A0 41 00 00 3B 00 00 AF"), 1);
  // Four failed attempts: nothing more is tried, the mouse is given back.
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(90, 30));
  ASSERT_EQ(viewerState.knobDragging, 1);
  clearWire();
  failWrites(12);
  windowOps().sendMessage(panel, kMsgLeftButtonUp, 0, at(60, 30));
  EXPECT_TRUE(wire().empty());
  EXPECT_EQ(ui->mouseCapture, nullptr);
  EXPECT_EQ(viewerState.knobDragging, 0);
  // Auto focus keeps the camera busy for a while: the knob does not move.
  clickButton(panel, IDC_AF);
  const WindowRect knob = viewerState.knobRect;
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(knob.left + 2, 30));
  EXPECT_EQ(viewerState.knobDragging, 0);
  EXPECT_EQ(ui->mouseCapture, nullptr);
  // A Zoom drag keeps its knob through the next refresh only.
  pause(900);
  clickButton(panel, IDC_ZOOM);
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(viewerState.knobRect.left + 1, 30));
  ASSERT_EQ(viewerState.knobDragging, 1);
  EXPECT_EQ(viewerState.skipKnobUpdate, 1);
  windowOps().sendMessage(panel, kMsgMouseMove, 0, at(120, 30));
  windowOps().sendMessage(panel, kMsgLeftButtonUp, 0, at(120, 30));
  sim::SimCamera* c = camera();
  c->levels[sim::kLevelZoom].value = 0;  // the zoom has not arrived yet
  done();
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(viewerState.knobRect.left, 119);
  EXPECT_EQ(viewerState.skipKnobUpdate, 0);
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(viewerState.knobRect.left, 27);
}

TEST_F(ControlPanelTest, UnreadableFocusRangeRestsTheKnobButLeavesTheArrowsWorking) {
  WindowHandle panel = openQuietPanel();
  failWrites(3);  // the maximum query fails, the minimum query answers
  clickButton(panel, IDC_FOCUS);
  EXPECT_EQ(viewerState.levelRangeKnown, 0);
  EXPECT_EQ(viewerState.levelValue, 1500);
  EXPECT_EQ(viewerState.knobRect.left, 27);
  windowOps().sendMessage(panel, kMsgLeftButtonDown, 0, at(30, 30));
  EXPECT_EQ(viewerState.knobDragging, 0);
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(viewerState.knobRect.left, 27);
  clearWire();
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, true);
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, false);
  EXPECT_EQ(sent("A0 25 00 05 00 00 00 AF"), 1);
  EXPECT_EQ(sent("A0 2F 00 05 00 00 00 AF"), 1);
  // The next selection of Focus reads the range again.
  clickButton(panel, IDC_ZOOM);
  sim::SimCamera* c = camera();
  c->levels[sim::kLevelFocus].value = 1550;
  done();
  clickButton(panel, IDC_FOCUS);
  EXPECT_EQ(viewerState.levelRangeKnown, 1);
  EXPECT_EQ(viewerState.levelMin, 100);
  EXPECT_EQ(viewerState.levelMax, 3000);
  EXPECT_EQ(viewerState.knobRect.left, 87);
}

TEST_F(ControlPanelTest, MultiScreenRefusesAllButFreeWithTheWarning) {
  WindowHandle panel = openQuietPanel();
  camera()->multi = 1;
  done();
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(lastIndicator(*ui, 274, 68), IDB_SHOW_MULTI);
  clearWire();
  for (int id : {IDC_POS_NEG, IDC_ROTATE, IDC_LAMP_UP, IDC_EXT, IDC_MODE, IDC_PRESET_SAVE, IDC_MEMORY_SAVE})
    clickButton(panel, id);
  ASSERT_EQ(ui->boxes.size(), 7u);
  for (const MessageBoxCall& box : ui->boxes) {
    EXPECT_EQ(box.text, "Sorry. This command is not available in present settings.");
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.flags, plat::kMbOk | plat::kMbIconExclamation);
    EXPECT_EQ(box.owner, panel);
  }
  EXPECT_TRUE(wire().empty());
  EXPECT_EQ(findWindow(IDD_INPUT_DIALOG), nullptr);
  EXPECT_EQ(viewerState.pendingNumberOp, 0);
  clickButton(panel, IDC_FREE);
  EXPECT_EQ(wire(), (std::vector<std::string>{"A0 1F 00 05 00 00 00 AF", "A0 61 00 00 00 00 00 AF",
                                              "A0 62 00 00 00 00 00 AF", "A0 69 00 00 00 00 00 AF"}));
  EXPECT_EQ(viewerState.status.multi, 0);
  EXPECT_EQ(lastIndicator(*ui, 274, 68), IDB_SHOW_EMPTY);
  // Frozen camera: Mode is refused, Ext is not.
  clickButton(panel, IDC_FREEZE);
  EXPECT_EQ(sent("A0 12 00 05 00 00 00 AF"), 1);
  EXPECT_EQ(lastIndicator(*ui, 271, 51), IDB_SHOW_FREEZE);
  clickButton(panel, IDC_MODE);
  EXPECT_EQ(ui->boxes.size(), 8u);
  clickButton(panel, IDC_FREEZE);
  EXPECT_EQ(sent("A0 12 00 0A 00 00 00 AF"), 1);
  // Pos/Neg goes both ways with the indicator.
  clickButton(panel, IDC_POS_NEG);
  EXPECT_EQ(lastIndicator(*ui, 211, 36), IDB_SHOW_NEGA);
  clickButton(panel, IDC_POS_NEG);
  EXPECT_EQ(sent("A0 05 00 0A 00 00 00 AF"), 1);
  EXPECT_EQ(sent("A0 05 00 05 00 00 00 AF"), 1);
  EXPECT_EQ(lastIndicator(*ui, 211, 36), IDB_SHOW_POSI);
  // A command while another is in flight counts as failed.
  clearWire();
  viewerState.sendingCommand = 1;
  clickButton(panel, IDC_LAMP_OFF);
  EXPECT_TRUE(wire().empty());
  viewerState.sendingCommand = 0;
}

TEST_F(ControlPanelTest, PresetLockSilencesTheMemoryButtonsButNotRotateOrShift) {
  camera()->presetLock = 1;
  done();
  WindowHandle panel = openQuietPanel();
  ASSERT_EQ(viewerState.presetsLocked, 1);
  clearWire();
  for (int id : {IDC_MEMORY_SAVE, IDC_RECALL, IDC_DIVIDE, IDC_MULTI}) clickButton(panel, id);
  EXPECT_TRUE(ui->boxes.empty());
  EXPECT_TRUE(wire().empty());
  EXPECT_EQ(findWindow(IDD_NUMBER_DIALOG), nullptr);
  clickButton(panel, IDC_SHIFT);
  clickButton(panel, IDC_ROTATE);
  EXPECT_EQ(sent("A0 16 00 05 00 00 00 AF"), 1);
  EXPECT_EQ(sent("A0 11 00 08 00 00 00 AF"), 1);
  for (int id : {IDC_MEMORY_SAVE, IDC_SHIFT, IDC_RECALL, IDC_DIVIDE, IDC_MULTI}) {
    drawButton(panel, id, kDrawSelect, true);
    const int locked = lastKeyed(*ui, id);
    drawButton(panel, id, kDrawEntire, false);
    EXPECT_EQ(lastKeyed(*ui, id), locked) << id;
    EXPECT_GE(locked, IDB_ROTATE_LOCKED) << id;
  }
}

TEST_F(ControlPanelTest, RotateGoesRoundAndTheMainWindowFollowsWhileThePictureRuns) {
  ui->paintCheck = halfSizePaint;
  WindowHandle panel = openLivePanel();
  ASSERT_TRUE(waitTransfers(2));
  plat::Handle thread = acquisitionThread.threadHandle;
  WindowHandle placeholder = itemOf(viewerState.mainWindow, IDC_VIEW_PLACEHOLDER);
  const uint8_t parameters[4] = {8, 10, 13, 5};
  const int shown[4] = {IDB_SHOW_ROTATION_90, IDB_SHOW_ROTATION_180, IDB_SHOW_ROTATION_270, IDB_SHOW_ROTATION_0};
  for (int turn = 0; turn < 4; ++turn) {
    const int layouts = windowOf(placeholder).moves;
    clearWire();
    clickButton(panel, IDC_ROTATE);
    char expected[32];
    std::snprintf(expected, sizeof expected, "A0 11 00 %02X 00 00 00 AF", parameters[turn]);
    EXPECT_EQ(sent(expected), 1) << turn;
    EXPECT_EQ(lastIndicator(*ui, 216, 80), shown[turn]);
    const int quarter = (turn + 1) & 1;
    EXPECT_EQ(viewerState.quarterTurn, quarter);
    EXPECT_EQ(deviceLink.lineSkipFlag(), static_cast<uint32_t>(quarter));
    EXPECT_EQ(windowOf(placeholder).moves, layouts + 1) << "the main window is laid out again";
    // The picture never stopped for it.
    EXPECT_EQ(acquisitionThread.threadHandle, thread);
    ASSERT_TRUE(waitTransfers(2));
  }
  EXPECT_GT(ui->paints.load(), 0);
  EXPECT_EQ(ui->refusedPaints.load(), 0);
}

TEST(LiveViewCopy, APainterNeverSeesAMixOfTwoLayouts) {
  // The user-interface thread switches between the half and the quarter
  // layout as fast as it can while a painter takes copies.
  static std::atomic<bool> stop{false};
  static std::atomic<long> reads{0}, mixed{0};
  stop = false;  // all three again for a repeated run of the case
  reads = 0;
  mixed = 0;
  auto painter = [](void*) -> uint32_t {
    while (!stop) {
      const LiveViewCopy view = readLiveView();
      const bool half = view.rect.right == 517 && view.rect.bottom == 389 && view.info.width == 512 &&
                        view.info.height == -384 && view.info.sizeImage == 512u * 384 * 3;
      const bool quarter = view.rect.right == 261 && view.rect.bottom == 197 && view.info.width == 256 &&
                           view.info.height == -192 && view.info.sizeImage == 256u * 192 * 3;
      if (!half && !quarter) mixed++;
      reads++;
    }
    return 0;
  };
  viewerState.viewRect = ViewRect{5, 5, 517, 389};
  buildBitmapInfo(1);
  plat::Handle thread = plat::startThread(painter, nullptr);
  ASSERT_NE(thread, nullptr);
  // Long enough for both to overlap many times, however the two threads
  // are scheduled.
  for (long n = 0; n < 300000 || reads < 300000; ++n) {
    const int level = 1 + (n & 1);
    viewerState.viewRect = level == 1 ? ViewRect{5, 5, 517, 389} : ViewRect{5, 5, 261, 197};
    buildBitmapInfo(level);
  }
  stop = true;
  for (uint32_t code = plat::kStillActive; code == plat::kStillActive;) {
    plat::threadExitCode(thread, &code);
    if (code == plat::kStillActive) plat::sleepMs(1);
  }
  plat::closeHandle(thread);
  EXPECT_GT(reads.load(), 0);
  EXPECT_EQ(mixed.load(), 0);
}

TEST_F(ControlPanelTest, GateMessagesHoldTheThreadAndThePanelsEndOpensItAgain) {
  WindowHandle panel = openLivePanel();
  ASSERT_TRUE(waitTransfers(1));
  windowOps().sendMessage(panel, kMsgCloseGate, 0, 0);
  pause(100);
  const uint32_t held = transfers();
  pause(200);
  EXPECT_LE(transfers(), held + 1);
  windowOps().sendMessage(panel, kMsgOpenGate, 0, 0);
  ASSERT_TRUE(waitTransfers(2));
  windowOps().sendMessage(panel, kMsgCloseGate, 0, 0);
  clickButton(viewerState.miniPanel, IDC_CONTROL);  // the panel goes
  EXPECT_FALSE(windowOf(panel).alive);
  EXPECT_TRUE(waitTransfers(2));
}

TEST_F(ControlPanelTest, ClosingTellsTheMiniPanelEndsAHoldAndKeepsTheFunction) {
  WindowHandle panel = openLivePanel();
  clickButton(panel, IDC_IRIS);
  clearWire();
  drawButton(panel, IDC_RIGHT_ARROW, kDrawSelect, true);
  ASSERT_EQ(acquisitionThread.threadHandle, nullptr);
  windowOps().sendMessage(panel, kMsgClose, 0, 0);
  EXPECT_FALSE(windowOf(panel).alive);
  EXPECT_EQ(viewerState.controlPanel, nullptr);
  EXPECT_EQ(miniPanelState.controlPanelOpen, 0);
  // The hold it cut short is ended: stop sent, live picture back.
  EXPECT_GT(lastAt("A0 2F 00 05 00 00 00 AF"), lastAt("A0 21 00 05 00 00 00 AF"));
  EXPECT_NE(acquisitionThread.threadHandle, nullptr);
  EXPECT_EQ(viewerState.refreshSuppressed, 0);
  ASSERT_TRUE(waitTransfers(2));
  // Reopened: Iris is still the selected function.
  clickButton(viewerState.miniPanel, IDC_CONTROL);
  WindowHandle again = viewerState.controlPanel;
  ASSERT_TRUE(again);
  EXPECT_EQ(viewerState.selectedFunction, kFunctionIris);
  drawButton(again, IDC_IRIS, kDrawEntire, false);
  EXPECT_EQ(lastKeyed(*ui, IDC_IRIS), IDB_IRIS_PRESSED);
}

TEST_F(ControlPanelTest, NumberDialogLaysOutByOperationAndEndsWhenTheCameraTookTheNumber) {
  WindowHandle panel = openQuietPanel();
  clickButton(panel, IDC_PRESET_SAVE);
  WindowHandle dialog = findWindow(IDD_NUMBER_DIALOG);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(windowOf(dialog).owner, panel);
  EXPECT_EQ(viewerState.pendingNumberOp, 5);
  const WindowRect r = windowOf(dialog).rect;
  EXPECT_EQ(r.right - r.left, 336);
  EXPECT_EQ(r.bottom - r.top, 95);
  EXPECT_EQ(windowOf(itemOf(dialog, IDC_NUMBER_3)).rect.top, 27);
  EXPECT_EQ(windowOf(itemOf(dialog, IDC_NUMBER_EXIT)).rect.top, 19);
  for (int id = IDC_NUMBER_5; id <= IDC_NUMBER_8; ++id) EXPECT_EQ(windowOf(itemOf(dialog, id)).shown, ShowMode::Hide);
  EXPECT_EQ(windowOf(itemOf(dialog, IDC_NUMBER_4)).shown, ShowMode::Normal);
  drawButton(dialog, IDC_NUMBER_TITLE, kDrawEntire, false);
  EXPECT_EQ(lastKeyed(*ui, IDC_NUMBER_TITLE), IDB_TITLE_PRESET_SAVE);
  drawButton(dialog, IDC_NUMBER_3, kDrawSelect, true);
  EXPECT_EQ(lastKeyed(*ui, IDC_NUMBER_3), 1406);
  clearWire();
  clickButton(dialog, IDC_NUMBER_3);
  EXPECT_EQ(wire(), std::vector<std::string>{"A0 17 00 03 00 00 00 AF"});
  EXPECT_EQ(countEvents(*ui, "end 100"), 1);
  EXPECT_EQ(viewerState.pendingNumberOp, 0);

  // 3X3 Multi opens the multi screen before any choice.
  clearWire();
  clickButton(panel, IDC_MULTI);
  dialog = findWindow(IDD_NUMBER_DIALOG);
  EXPECT_EQ(wire(), std::vector<std::string>{"A0 15 00 09 00 00 00 AF"});
  EXPECT_EQ(windowOf(itemOf(dialog, IDC_NUMBER_7)).rect.top, 42);
  drawButton(dialog, IDC_NUMBER_TITLE, kDrawEntire, false);
  EXPECT_EQ(lastKeyed(*ui, IDC_NUMBER_TITLE), IDB_TITLE_SELECT);
  clickButton(dialog, IDC_NUMBER_2);
  EXPECT_EQ(wire().back(), "A0 14 00 02 00 00 00 AF");
  EXPECT_EQ(countEvents(*ui, "end 100"), 2);
  clickButton(panel, IDC_FREE);

  // A failed exchange keeps it open; the close box ends it like Exit.
  clickButton(panel, IDC_DIVIDE);
  dialog = findWindow(IDD_NUMBER_DIALOG);
  failWrites(3);
  clickButton(dialog, IDC_NUMBER_1);
  EXPECT_EQ(countEvents(*ui, "end 100"), 2);
  EXPECT_EQ(viewerState.pendingNumberOp, 3);
  windowOps().sendMessage(dialog, kMsgClose, 0, 0);
  EXPECT_EQ(countEvents(*ui, "end 100"), 3);
  EXPECT_EQ(viewerState.pendingNumberOp, 0);
  clickButton(panel, IDC_RECALL);
  EXPECT_EQ(viewerState.pendingNumberOp, 2);
  clickButton(findWindow(IDD_NUMBER_DIALOG), kIdCancelCommand);  // Escape
  EXPECT_EQ(countEvents(*ui, "end 100"), 4);
  EXPECT_EQ(viewerState.pendingNumberOp, 0);
}

TEST_F(ControlPanelTest, InputAndResolutionDialogsOpenBesideTheirButtonsAndSendTheChoice) {
  WindowHandle panel = openQuietPanel();
  clickButton(panel, IDC_EXT);
  WindowHandle input = findWindow(IDD_INPUT_DIALOG);
  ASSERT_TRUE(input);
  EXPECT_EQ(windowOf(input).owner, panel);
  // Ext lies at 268, 166 - 328, 184.
  const WindowRect r = windowOf(input).rect;
  EXPECT_EQ(r.left, 278);
  EXPECT_EQ(r.top, 125);
  EXPECT_EQ(r.right - r.left, 129);
  EXPECT_EQ(r.bottom - r.top, 49);
  EXPECT_EQ(windowOf(itemOf(input, IDC_EXT2)).rect.left, 52);
  failWrites(3);
  clickButton(input, IDC_EXT2);
  EXPECT_EQ(countEvents(*ui, "end 100"), 0);  // still open
  clearWire();
  clickButton(input, IDC_EXT2);
  EXPECT_EQ(wire(), std::vector<std::string>{"A0 04 00 0A 00 00 00 AF"});
  EXPECT_EQ(countEvents(*ui, "end 100"), 1);
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(lastIndicator(*ui, 271, 34), IDB_SHOW_NOSYNC2);  // nothing plugged into input 2

  clickButton(panel, IDC_MODE);
  WindowHandle mode = findWindow(IDD_RESOLUTION_DIALOG);
  ASSERT_TRUE(mode);
  EXPECT_EQ(windowOf(mode).rect.left, 226);
  EXPECT_EQ(windowOf(mode).rect.top, 103);
  EXPECT_EQ(windowOf(itemOf(mode, IDC_VGA)).moves, 0);
  drawButton(mode, IDC_SVGA, kDrawSelect, true);
  EXPECT_EQ(lastKeyed(*ui, IDC_SVGA), IDB_SVGA_PRESSED);
  clearWire();
  clickButton(mode, IDC_SVGA);
  EXPECT_EQ(wire(), std::vector<std::string>{"A0 06 00 0A 00 00 00 AF"});
  windowOps().sendMessage(panel, kMsgStatusRefresh, 0, 0);
  EXPECT_EQ(lastIndicator(*ui, 211, 58), IDB_SHOW_SVGA);
  clickButton(panel, IDC_MODE);
  clearWire();
  clickButton(findWindow(IDD_RESOLUTION_DIALOG), IDC_XGA);
  EXPECT_EQ(wire(), std::vector<std::string>{"A0 06 00 08 00 00 00 AF"});
  // Exit and the Escape key end them without a block.
  clickButton(panel, IDC_EXT);
  clearWire();
  const int ended = countEvents(*ui, "end 100");
  clickButton(findWindow(IDD_INPUT_DIALOG), IDC_INPUT_EXIT);
  EXPECT_EQ(countEvents(*ui, "end 100"), ended + 1);
  clickButton(panel, IDC_MODE);
  clickButton(findWindow(IDD_RESOLUTION_DIALOG), kIdCancelCommand);
  EXPECT_EQ(countEvents(*ui, "end 100"), ended + 2);
  EXPECT_TRUE(wire().empty());
}
