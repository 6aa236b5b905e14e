// The control panel's rules that are arithmetic or tables: knob placing and
// release values, the level command blocks, status decoding and the status
// box, the one-shot blocks, refusals and locks, the number operations, the
// dialogs' layouts and commands, and the press edges of a held button.
#include <gtest/gtest.h>

#include <string>

#include "viewer/camera_status.h"
#include "viewer/level_control.h"
#include "viewer/panel_commands.h"
#include "viewer/panel_dialog_rules.h"
#include "viewer/press_edge.h"
#include "viewer/viewer_resources.h"

using namespace viewer;
using namespace devlink;

namespace {

std::string hex(const CommandBlock& block) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (int n = 0; n < 8; ++n) {
    if (n) out += ' ';
    out += digits[block.bytes[n] >> 4];
    out += digits[block.bytes[n] & 15];
  }
  return out;
}

uint64_t reply(uint8_t code, uint8_t byte3, uint8_t byte4) {
  return CommandBlock{{0xA0, code, 0x80, byte3, byte4, 0, 0, 0xAF}}.value();
}

int indicatorAt(const CameraStatus& status, int left) {
  Indicator all[kIndicatorCount];
  chooseIndicators(status, all);
  for (const Indicator& i : all)
    if (i.rect.left == left) return i.bitmapId;
  return -1;
}

const int kCommandButtons[] = {IDC_APERTURE, IDC_LAMP_UP, IDC_LAMP_LOW, IDC_LAMP_OFF, IDC_AWC, IDC_AF,
                               IDC_FREEZE,   IDC_ROTATE,  IDC_FREE,     IDC_POS_NEG,  IDC_SHIFT, IDC_INT};

}  // namespace

TEST(KnobArithmetic, PlacingFollowsTheValueAcrossTheBarAndStopsAtBothEnds) {
  // Zoom: 139 x value / 1809 + 18, clamped to 27..148.
  EXPECT_EQ(knobLeftForValue(0, 0, 1809), 27);
  EXPECT_EQ(knobLeftForValue(900, 0, 1809), 87);
  EXPECT_EQ(knobLeftForValue(1500, 0, 1809), 133);
  EXPECT_EQ(knobLeftForValue(1809, 0, 1809), 148);
  // A range with an offset (focus) and a value outside it.
  EXPECT_EQ(knobLeftForValue(1550, 100, 3000), 87);
  EXPECT_EQ(knobLeftForValue(50, 100, 3000), 27);
  EXPECT_EQ(knobLeftForValue(9000, 100, 3000), 148);
  // An empty range counts one step wide instead of dividing by zero.
  EXPECT_EQ(knobLeftForValue(5, 5, 5), 27);
  EXPECT_EQ(knobLeftForValue(6, 5, 5), 148);
  // Dragging keeps the knob on the bar.
  EXPECT_EQ(knobDragLeft(-40, 3), 27);
  EXPECT_EQ(knobDragLeft(100, 3), 97);
  EXPECT_EQ(knobDragLeft(400, 3), 148);
}

TEST(KnobArithmetic, ReleaseValueReadsThePointerClampedToTheBarEnds) {
  // 0..200: the knob at its left stop, grabbed 3 pixels in, gives p = 36.
  EXPECT_EQ(knobReleaseValue(30, 3, 0, 200), 12);
  // At its right stop (148) grabbed 2 pixels in: p = 157.
  EXPECT_EQ(knobReleaseValue(150, 2, 0, 200), 187);
  // Pointer beyond the bar's ends: p is clamped to 27..166 on its own.
  EXPECT_EQ(knobReleaseValue(-50, 3, 0, 200), 0);
  EXPECT_EQ(knobReleaseValue(400, 3, 0, 200), 200);
  EXPECT_EQ(knobReleaseValue(96, 9, 0, 1809), 897);
  EXPECT_EQ(knobReleaseValue(18, 0, 100, 3000), 100);
}

TEST(LevelBlocks, WideValuesUseTwoBytesTheOthersByteFour) {
  EXPECT_EQ(hex(setLevelBlock(kFunctionZoom, 1000)), "A0 46 00 03 E8 00 00 AF");
  EXPECT_EQ(hex(setLevelBlock(kFunctionFocus, 0x1234)), "A0 45 00 12 34 00 00 AF");
  EXPECT_EQ(hex(setLevelBlock(kFunctionIris, 100)), "A0 41 00 00 64 00 00 AF");
  EXPECT_EQ(hex(setLevelBlock(kFunctionBlue, 200)), "A0 44 00 00 C8 00 00 AF");
  EXPECT_EQ(hex(moveStartBlock(kFunctionIris, true)), "A0 21 00 05 00 00 00 AF");
  EXPECT_EQ(hex(moveStartBlock(kFunctionZoom, false)), "A0 26 00 0A 00 00 00 AF");
  EXPECT_EQ(hex(moveStopBlock()), "A0 2F 00 05 00 00 00 AF");
  EXPECT_EQ(hex(queryLevelBlock(kFunctionFocus)), "A0 6A 00 00 00 00 00 AF");
  const CommandBlock answer = {{0xA0, 0x69, 0x80, 0x07, 0x11, 0, 0, 0xAF}};
  EXPECT_EQ(levelOfReply(kFunctionZoom, answer), 0x711);
  EXPECT_EQ(levelOfReply(kFunctionRed, answer), 0x11);
  EXPECT_EQ(functionOfButton(IDC_VOL), kFunctionVol);
  EXPECT_EQ(functionOfButton(IDC_EXT), -1);
}

TEST(CameraStatusDecoding, EveryFieldComesFromItsBitsAndAZeroReplyKeepsThem) {
  CameraStatus s{};
  decodeStatusA(reply(0x61, 0x14, 0xDA), &s);  // lock, aperture off; negative, input 5, lamp 2, SVGA
  EXPECT_EQ(s.presetLockBit, 1);
  EXPECT_EQ(s.apertureOff, 1);
  EXPECT_EQ(s.negative, 1);
  EXPECT_EQ(s.input, 5);
  EXPECT_EQ(s.lamp, 2);
  EXPECT_EQ(s.outputMode, 2);
  decodeStatusB(reply(0x62, 0xA8, 0), &s);  // recall, half turn, multi
  EXPECT_EQ(s.recall, 1);
  EXPECT_EQ(s.freeze, 0);
  EXPECT_EQ(s.rotationHalf, 1);
  EXPECT_EQ(s.rotationQuarter, 0);
  EXPECT_EQ(s.multi, 1);
  EXPECT_EQ(s.divide, 0);
  EXPECT_EQ(rotationAngle(s), 180);
  const CameraStatus before = s;
  decodeStatusA(0, &s);
  decodeStatusB(0, &s);
  EXPECT_EQ(s.input, before.input);
  EXPECT_EQ(s.recall, before.recall);
  decodeStatusB(reply(0x62, 0x54, 0), &s);  // freeze, quarter turn, divide
  EXPECT_EQ(s.freeze, 1);
  EXPECT_EQ(s.divide, 1);
  EXPECT_EQ(rotationAngle(s), 90);
}

TEST(CameraStatusDecoding, StatusBoxShowsEachFieldInItsRectangle) {
  CameraStatus s{};
  s.lamp = 3;
  s.input = 7;
  s.outputMode = 3;
  s.rotationHalf = 1;
  s.rotationQuarter = 1;
  s.divide = 1;
  s.multi = 1;
  EXPECT_EQ(indicatorAt(s, 81), IDB_SHOW_LAMP_UPPER);  // 3 shows as upper
  EXPECT_EQ(indicatorAt(s, 211), IDB_SHOW_POSI);
  EXPECT_EQ(indicatorAt(s, 271), IDB_SHOW_EXT2);
  EXPECT_EQ(indicatorAt(s, 216), IDB_SHOW_ROTATION_270);
  EXPECT_EQ(indicatorAt(s, 274), IDB_SHOW_DIVIDE);  // divide before multi
  EXPECT_EQ(indicatorAt(s, 272), IDB_SHOW_APERTURE);
  Indicator all[kIndicatorCount];
  chooseIndicators(s, all);
  EXPECT_EQ(all[3].bitmapId, IDB_SHOW_OUTPUT_3);
  EXPECT_EQ(all[4].bitmapId, IDB_SHOW_EMPTY);
  EXPECT_EQ(all[0].rect.right, 147);
  EXPECT_EQ(all[0].rect.bottom, 140);
  s.input = 3;
  s.outputMode = 0;
  s.presetLockBit = 1;  // hides the rotation
  s.apertureOff = 1;
  s.freeze = 1;
  s.recall = 1;
  s.lamp = 0;
  chooseIndicators(s, all);
  EXPECT_EQ(all[0].bitmapId, IDB_SHOW_LAMP_OFF);
  EXPECT_EQ(all[2].bitmapId, IDB_SHOW_EMPTY);
  EXPECT_EQ(all[3].bitmapId, IDB_SHOW_EMPTY);
  EXPECT_EQ(all[4].bitmapId, IDB_SHOW_FREEZE);
  EXPECT_EQ(all[5].bitmapId, IDB_SHOW_EMPTY);
  EXPECT_EQ(all[6].bitmapId, IDB_SHOW_RECALL);
  EXPECT_EQ(all[7].bitmapId, IDB_SHOW_EMPTY);
}

TEST(OneShotCommands, StatusBoundButtonsSendTheOtherState) {
  CameraStatus s{};
  EXPECT_EQ(hex(commandBlockOf(IDC_POS_NEG, s)), "A0 05 00 0A 00 00 00 AF");
  EXPECT_EQ(hex(commandBlockOf(IDC_FREEZE, s)), "A0 12 00 05 00 00 00 AF");
  EXPECT_EQ(hex(commandBlockOf(IDC_APERTURE, s)), "A0 09 00 0A 00 00 00 AF");
  s.negative = s.freeze = s.apertureOff = 1;
  EXPECT_EQ(hex(commandBlockOf(IDC_POS_NEG, s)), "A0 05 00 05 00 00 00 AF");
  EXPECT_EQ(hex(commandBlockOf(IDC_FREEZE, s)), "A0 12 00 0A 00 00 00 AF");
  EXPECT_EQ(hex(commandBlockOf(IDC_APERTURE, s)), "A0 09 00 05 00 00 00 AF");
  EXPECT_EQ(hex(commandBlockOf(IDC_LAMP_LOW, s)), "A0 03 00 08 00 00 00 AF");
  EXPECT_EQ(hex(commandBlockOf(IDC_INT, s)), "A0 04 00 05 00 00 00 AF");
  EXPECT_EQ(hex(commandBlockOf(IDC_FREE, s)), "A0 1F 00 05 00 00 00 AF");
  // Rotate asks for the next quarter turn: 0 -> 8, 90 -> 10, 180 -> 13, 270 -> 5.
  const uint8_t expected[4] = {8, 10, 13, 5};
  for (int quarter = 0; quarter < 4; ++quarter) {
    CameraStatus r{};
    r.rotationQuarter = quarter & 1;
    r.rotationHalf = quarter >> 1;
    EXPECT_EQ(commandBlockOf(IDC_ROTATE, r).parameter(), expected[quarter]) << quarter * 90;
  }
  for (int id : kCommandButtons) EXPECT_EQ(buttonAction(id), ButtonAction::SendCommand) << id;
  EXPECT_EQ(buttonAction(IDC_MODE), ButtonAction::ResolutionDialog);
  EXPECT_EQ(buttonAction(IDC_EXT), ButtonAction::InputDialog);
  EXPECT_EQ(buttonAction(IDC_PRESET_EXE), ButtonAction::NumberDialog);
  EXPECT_EQ(buttonAction(IDC_PANEL_EXIT), ButtonAction::ClosePanel);
  EXPECT_EQ(buttonAction(IDC_FOCUS), ButtonAction::SelectFunction);
  EXPECT_EQ(buttonAction(IDC_RIGHT_ARROW), ButtonAction::None);
}

TEST(RefusalsAndLocks, MultiScreenLetsOnlyFreeThrough) {
  CameraStatus s{};
  for (int id : kCommandButtons) EXPECT_FALSE(commandRefused(commandBlockOf(id, s), s)) << id;
  s.multi = 1;
  for (int id : kCommandButtons)
    EXPECT_EQ(commandRefused(commandBlockOf(id, s), s), id != IDC_FREE) << id;
  EXPECT_TRUE(dialogRefused(IDC_EXT, s));
  EXPECT_TRUE(dialogRefused(IDC_MODE, s));
  s.multi = 0;
  s.freeze = 1;
  EXPECT_FALSE(dialogRefused(IDC_EXT, s));
  EXPECT_TRUE(dialogRefused(IDC_MODE, s));
  for (int id : {IDC_MEMORY_SAVE, IDC_RECALL, IDC_DIVIDE, IDC_MULTI}) EXPECT_TRUE(silencedByPresetLock(id));
  for (int id : {IDC_ROTATE, IDC_SHIFT, IDC_PRESET_SAVE}) EXPECT_FALSE(silencedByPresetLock(id));
}

TEST(RefusalsAndLocks, NumberOperationsFollowInputFreezeAndMemoryModes) {
  CameraStatus live{};
  for (int op = kNumberOpSave; op <= kNumberOpPresetExecute; ++op) EXPECT_TRUE(numberOperationAllowed(op, live));
  EXPECT_FALSE(numberOperationAllowed(kNumberOpNone, live));
  CameraStatus external{};
  external.input = 6;
  EXPECT_FALSE(numberOperationAllowed(kNumberOpSave, external));
  EXPECT_FALSE(numberOperationAllowed(kNumberOpRecall, external));
  EXPECT_FALSE(numberOperationAllowed(kNumberOpDivide, external));
  EXPECT_FALSE(numberOperationAllowed(kNumberOpMulti, external));
  EXPECT_TRUE(numberOperationAllowed(kNumberOpPresetSave, external));
  CameraStatus frozen{};
  frozen.freeze = 1;
  EXPECT_FALSE(numberOperationAllowed(kNumberOpSave, frozen));
  EXPECT_TRUE(numberOperationAllowed(kNumberOpRecall, frozen));
  CameraStatus recall{};
  recall.recall = 1;
  EXPECT_FALSE(numberOperationAllowed(kNumberOpSave, recall));
  EXPECT_TRUE(numberOperationAllowed(kNumberOpDivide, recall));
  CameraStatus divided{};
  divided.divide = 1;
  EXPECT_FALSE(numberOperationAllowed(kNumberOpRecall, divided));
  EXPECT_TRUE(numberOperationAllowed(kNumberOpDivide, divided));
  CameraStatus multi{};
  multi.multi = 1;
  EXPECT_FALSE(numberOperationAllowed(kNumberOpSave, multi));
  EXPECT_TRUE(numberOperationAllowed(kNumberOpRecall, multi));
  EXPECT_FALSE(numberOperationAllowed(kNumberOpDivide, multi));
  EXPECT_TRUE(numberOperationAllowed(kNumberOpMulti, multi));
  EXPECT_FALSE(numberOperationAllowed(kNumberOpPresetSave, multi));
  EXPECT_FALSE(numberOperationAllowed(kNumberOpPresetExecute, multi));
}

TEST(PanelDialogRules, NumberDialogLayoutTitleAndCommandByOperation) {
  ControlPlace places[kNumberDialogPlaces];
  const size_t count = numberDialogPlaces(kNumberOpPresetSave, places);
  ASSERT_EQ(count, static_cast<size_t>(kNumberDialogPlaces));
  auto find = [&](int id) {
    for (size_t n = 0; n < count; ++n)
      if (places[n].id == id) return places[n];
    return ControlPlace{0, -1, -1, 0, 0};
  };
  EXPECT_EQ(find(IDC_NUMBER_1).y, 27);
  EXPECT_EQ(find(IDC_NUMBER_4).x, 196);
  EXPECT_EQ(find(IDC_NUMBER_EXIT).y, 19);
  EXPECT_EQ(find(IDC_NUMBER_TITLE).x, 68);
  EXPECT_EQ(find(IDC_NUMBER_BACKGROUND).width, 330);
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(numberButtonShown(kNumberOpPresetExecute, n), n <= 4) << n;
  numberDialogPlaces(kNumberOpRecall, places);
  EXPECT_EQ(find(IDC_NUMBER_2).y, 22);
  EXPECT_EQ(find(IDC_NUMBER_7).y, 42);
  EXPECT_EQ(find(IDC_NUMBER_7).x, 134);
  EXPECT_EQ(find(IDC_NUMBER_EXIT).y, 22);
  EXPECT_TRUE(numberButtonShown(kNumberOpRecall, 8));
  EXPECT_EQ(numberTitleBitmap(kNumberOpSave), IDB_TITLE_SAVE);
  EXPECT_EQ(numberTitleBitmap(kNumberOpRecall), IDB_TITLE_SELECT);
  EXPECT_EQ(numberTitleBitmap(kNumberOpDivide), IDB_TITLE_DIVIDE);
  EXPECT_EQ(numberTitleBitmap(kNumberOpMulti), IDB_TITLE_SELECT);
  EXPECT_EQ(numberTitleBitmap(kNumberOpPresetSave), IDB_TITLE_PRESET_SAVE);
  EXPECT_EQ(numberTitleBitmap(kNumberOpPresetExecute), IDB_TITLE_PRESET_EXE);
  EXPECT_EQ(hex(numberCommand(kNumberOpSave, 8)), "A0 13 00 08 00 00 00 AF");
  EXPECT_EQ(hex(numberCommand(kNumberOpRecall, 1)), "A0 14 00 01 00 00 00 AF");
  EXPECT_EQ(hex(numberCommand(kNumberOpDivide, 4)), "A0 15 00 04 00 00 00 AF");
  EXPECT_EQ(hex(numberCommand(kNumberOpMulti, 2)), "A0 14 00 02 00 00 00 AF");
  EXPECT_EQ(hex(numberCommand(kNumberOpPresetSave, 3)), "A0 17 00 03 00 00 00 AF");
  EXPECT_EQ(hex(numberCommand(kNumberOpPresetExecute, 4)), "A0 18 00 04 00 00 00 AF");
  CommandBlock opening;
  EXPECT_FALSE(numberOpeningCommand(kNumberOpDivide, &opening));
  ASSERT_TRUE(numberOpeningCommand(kNumberOpMulti, &opening));
  EXPECT_EQ(hex(opening), "A0 15 00 09 00 00 00 AF");
}

TEST(PanelDialogRules, InputAndResolutionDialogsSendTheirChoice) {
  const ChoiceDialog& input = inputDialog();
  EXPECT_EQ(input.anchorButton, IDC_EXT);
  EXPECT_EQ(input.offsetX, 10);
  EXPECT_EQ(input.raiseY, 59);
  const ChoiceButton* ext2 = findChoiceButton(input, IDC_EXT2);
  ASSERT_NE(ext2, nullptr);
  EXPECT_EQ(hex(CommandBlock::make(ext2->code, ext2->parameter)), "A0 04 00 0A 00 00 00 AF");
  EXPECT_EQ(findChoiceButton(input, IDC_EXT1)->parameter, 8);
  EXPECT_EQ(findChoiceButton(input, IDC_INPUT_EXIT)->code, 0);
  const ChoiceDialog& resolution = resolutionDialog();
  EXPECT_EQ(resolution.anchorButton, IDC_MODE);
  EXPECT_EQ(resolution.offsetX, 20);
  EXPECT_EQ(resolution.raiseY, 58);
  const ChoiceButton* xga = findChoiceButton(resolution, IDC_XGA);
  ASSERT_NE(xga, nullptr);
  EXPECT_EQ(hex(CommandBlock::make(xga->code, xga->parameter)), "A0 06 00 08 00 00 00 AF");
  EXPECT_EQ(findChoiceButton(resolution, IDC_VGA)->parameter, 5);
  // VGA keeps its template place below the window.
  for (size_t n = 0; n < resolution.placeCount; ++n) EXPECT_NE(resolution.places[n].id, IDC_VGA);
  EXPECT_EQ(findChoiceButton(resolution, IDC_EXT1), nullptr);
}

TEST(PressEdges, OnePressPerReleasedToPressedChangeAndOneReleaseAfter) {
  ButtonPress button = {false};
  auto edge = [&](uint32_t action, bool pressed) {
    return pressEdge(&button, DrawRequest{IDC_RIGHT_ARROW, action, pressed, nullptr});
  };
  EXPECT_EQ(edge(kDrawEntire, false), PressEdge::None);
  EXPECT_EQ(edge(kDrawEntire, true), PressEdge::None);  // a redraw says nothing of a press
  EXPECT_EQ(edge(kDrawSelect, true), PressEdge::Pressed);
  EXPECT_EQ(edge(kDrawSelect, true), PressEdge::None);  // the mouse moves on the held button
  EXPECT_EQ(edge(kDrawFocus, true), PressEdge::None);
  EXPECT_EQ(edge(kDrawSelect, false), PressEdge::Released);  // dragged off
  EXPECT_EQ(edge(kDrawSelect, false), PressEdge::None);
  EXPECT_EQ(edge(kDrawSelect, true), PressEdge::Pressed);  // dragged back on
  EXPECT_EQ(edge(kDrawEntire, false), PressEdge::Released);  // any look of the button up ends the press
  EXPECT_EQ(edge(kDrawFocus, false), PressEdge::None);
}
