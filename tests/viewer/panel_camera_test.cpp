// The control panel against the simulated camera's model: every block the
// panel and its dialogs can send is accepted, and each state change shows
// in the next status replies as the panel decodes them, so that the status
// box follows the buttons.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "devlink/device_link.h"
#include "sim/sim_camera.h"
#include "viewer/camera_status.h"
#include "viewer/level_control.h"
#include "viewer/panel_commands.h"
#include "viewer/panel_dialog_rules.h"
#include "viewer/viewer_resources.h"

using namespace viewer;
using namespace devlink;

namespace {

const int kCommandButtons[] = {IDC_APERTURE, IDC_LAMP_UP, IDC_LAMP_LOW, IDC_LAMP_OFF, IDC_AWC, IDC_AF,
                               IDC_FREEZE,   IDC_ROTATE,  IDC_FREE,     IDC_POS_NEG,  IDC_SHIFT, IDC_INT};

struct PanelCamera {
  std::unique_ptr<sim::SimCamera> camera{new sim::SimCamera};
  CameraStatus status{};
  uint32_t now = 0;

  PanelCamera() {
    sim::cameraInit(camera.get(), sim::kModelXga, 0);
    camera->warmupQueries = 0;
  }

  CommandBlock exchange(const CommandBlock& block) {
    uint32_t done = 0;
    now += 10;
    EXPECT_EQ(sim::cameraWrite(camera.get(), 0, block.bytes, 8, now, &done), sim::kSimDone);
    CommandBlock reply = CommandBlock::zero();
    EXPECT_EQ(sim::cameraRead(camera.get(), 1, reply.bytes, 8, now, &done), sim::kSimDone);
    return reply;
  }

  // The block is taken: the reply is the command with status 0x80 (queries
  // carry their data in bytes 3 to 6).
  void accepted(const CommandBlock& block, bool query = false) {
    const CommandBlock reply = exchange(block);
    EXPECT_EQ(reply.status(), 0x80) << "code " << int(block.code()) << " parameter " << int(block.parameter());
    EXPECT_EQ(reply.code(), block.code());
    if (!query) {
      EXPECT_TRUE(DeviceLink::checkReply(block, reply)) << "code " << int(block.code());
    }
  }

  // What the panel's status refresh reads.
  void refresh() {
    decodeStatusA(exchange(CommandBlock::make(0x61, 0)).value(), &status);
    decodeStatusB(exchange(CommandBlock::make(0x62, 0)).value(), &status);
  }

  void press(int buttonId) {
    accepted(commandBlockOf(buttonId, status));
    refresh();
  }

  void choose(const ChoiceDialog& dialog, int buttonId) {
    const ChoiceButton* button = findChoiceButton(dialog, buttonId);
    accepted(CommandBlock::make(button->code, button->parameter));
    refresh();
  }

  int indicator(int index) {
    Indicator all[kIndicatorCount];
    chooseIndicators(status, all);
    return all[index].bitmapId;
  }
};

}  // namespace

TEST(PanelAndCamera, EveryBlockThePanelAndItsDialogsSendIsAccepted) {
  PanelCamera pc;
  for (int negative = 0; negative < 2; ++negative) {
    for (int quarter = 0; quarter < 4; ++quarter) {
      CameraStatus s{};
      s.negative = s.freeze = s.apertureOff = negative;
      s.rotationQuarter = quarter & 1;
      s.rotationHalf = quarter >> 1;
      for (int id : kCommandButtons) pc.accepted(commandBlockOf(id, s));
    }
  }
  for (int f = 0; f < kFunctionCount; ++f) {
    pc.accepted(moveStartBlock(f, true));
    pc.accepted(moveStopBlock());
    pc.accepted(moveStartBlock(f, false));
    pc.accepted(moveStopBlock());
    pc.accepted(setLevelBlock(f, f == kFunctionFocus ? 1200 : 100));
    pc.accepted(queryLevelBlock(f), true);
  }
  pc.accepted(CommandBlock::make(kCmdFocusLimit, kParamOn), true);
  pc.accepted(CommandBlock::make(kCmdFocusLimit, kParamOff), true);
  pc.accepted(CommandBlock::make(0x64, 0), true);  // isIdle
  for (int32_t op = kNumberOpSave; op <= kNumberOpPresetExecute; ++op) {
    CommandBlock opening;
    if (numberOpeningCommand(op, &opening)) pc.accepted(opening);
    for (int n = 1; n <= kNumberButtons; ++n)
      if (numberButtonShown(op, n)) pc.accepted(numberCommand(op, n));
  }
  for (const ChoiceDialog* d : {&inputDialog(), &resolutionDialog()})
    for (size_t n = 0; n < d->buttonCount; ++n)
      if (d->buttons[n].code) pc.accepted(CommandBlock::make(d->buttons[n].code, d->buttons[n].parameter));
}

TEST(PanelAndCamera, StatusBoxFollowsTheButtons) {
  PanelCamera pc;
  pc.refresh();
  EXPECT_EQ(pc.indicator(0), IDB_SHOW_LAMP_UPPER);
  EXPECT_EQ(pc.indicator(1), IDB_SHOW_POSI);
  EXPECT_EQ(pc.indicator(3), IDB_SHOW_XGA);
  EXPECT_EQ(pc.indicator(5), IDB_SHOW_ROTATION_0);
  EXPECT_EQ(pc.indicator(7), IDB_SHOW_APERTURE);

  pc.press(IDC_LAMP_LOW);
  EXPECT_EQ(pc.indicator(0), IDB_SHOW_LAMP_LOWER);
  pc.press(IDC_LAMP_OFF);
  EXPECT_EQ(pc.indicator(0), IDB_SHOW_LAMP_OFF);
  pc.press(IDC_POS_NEG);
  EXPECT_EQ(pc.indicator(1), IDB_SHOW_NEGA);
  pc.press(IDC_POS_NEG);
  EXPECT_EQ(pc.indicator(1), IDB_SHOW_POSI);
  pc.press(IDC_APERTURE);
  EXPECT_EQ(pc.indicator(7), IDB_SHOW_EMPTY);
  pc.press(IDC_APERTURE);
  EXPECT_EQ(pc.indicator(7), IDB_SHOW_APERTURE);
  pc.press(IDC_FREEZE);
  EXPECT_EQ(pc.indicator(4), IDB_SHOW_FREEZE);
  pc.press(IDC_FREEZE);
  EXPECT_EQ(pc.indicator(4), IDB_SHOW_EMPTY);

  // Rotate goes round: 90, 180, 270, upright; the quarter bit alternates.
  const int shown[4] = {IDB_SHOW_ROTATION_90, IDB_SHOW_ROTATION_180, IDB_SHOW_ROTATION_270, IDB_SHOW_ROTATION_0};
  for (int turn = 0; turn < 4; ++turn) {
    pc.press(IDC_ROTATE);
    EXPECT_EQ(pc.indicator(5), shown[turn]);
    EXPECT_EQ(pc.status.rotationQuarter, (turn + 1) & 1);
  }

  // External inputs, with and without a signal.
  pc.choose(inputDialog(), IDC_EXT2);
  EXPECT_EQ(pc.indicator(2), IDB_SHOW_NOSYNC2);
  pc.choose(inputDialog(), IDC_EXT1);
  EXPECT_EQ(pc.indicator(2), IDB_SHOW_EXT1);
  pc.camera->ext1Connected = 0;
  pc.refresh();
  EXPECT_EQ(pc.indicator(2), IDB_SHOW_NOSYNC1);
  pc.camera->ext2Connected = 1;
  pc.choose(inputDialog(), IDC_EXT2);
  EXPECT_EQ(pc.indicator(2), IDB_SHOW_EXT2);
  pc.press(IDC_INT);
  EXPECT_EQ(pc.indicator(2), IDB_SHOW_INT);

  pc.choose(resolutionDialog(), IDC_SVGA);
  EXPECT_EQ(pc.indicator(3), IDB_SHOW_SVGA);
  pc.choose(resolutionDialog(), IDC_VGA);
  EXPECT_EQ(pc.indicator(3), IDB_SHOW_OUTPUT_3);
  pc.choose(resolutionDialog(), IDC_XGA);
  EXPECT_EQ(pc.indicator(3), IDB_SHOW_XGA);

  // Memory modes: recall, divide, the multi screen (which a recall does
  // not leave), and Free back to the live picture.
  pc.accepted(numberCommand(kNumberOpSave, 1));
  pc.accepted(numberCommand(kNumberOpRecall, 1));
  pc.refresh();
  EXPECT_EQ(pc.indicator(6), IDB_SHOW_RECALL);
  pc.accepted(numberCommand(kNumberOpDivide, 1));
  pc.refresh();
  EXPECT_EQ(pc.indicator(6), IDB_SHOW_DIVIDE);
  CommandBlock opening;
  ASSERT_TRUE(numberOpeningCommand(kNumberOpMulti, &opening));
  pc.accepted(opening);
  pc.accepted(numberCommand(kNumberOpMulti, 2));
  pc.refresh();
  EXPECT_EQ(pc.indicator(6), IDB_SHOW_MULTI);
  EXPECT_TRUE(commandRefused(commandBlockOf(IDC_POS_NEG, pc.status), pc.status));
  pc.press(IDC_FREE);
  EXPECT_EQ(pc.indicator(6), IDB_SHOW_EMPTY);
  EXPECT_EQ(pc.status.multi, 0);

  // The preset lock is the camera's own setting; it hides the rotation.
  pc.camera->presetLock = 1;
  pc.refresh();
  EXPECT_EQ(pc.status.presetLockBit, 1);
  EXPECT_EQ(pc.indicator(5), IDB_SHOW_EMPTY);
}
