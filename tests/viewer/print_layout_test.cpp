// The print layout with the numbers of a real A4 page: the dialog's
// opening, the options, typing sizes and margins (with the edits' change
// notices running the typed handlers inside the program's own writes, as a
// dialog's edits do), synchronisation, the sample page's rectangles and the
// picture's place on the printed page.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "viewer/print_layout.h"

using namespace viewer;

namespace {

enum : int32_t { kA4Width = 21000, kA4Height = 29700 };

// The dialog's edits and boxes: texts and enabled states by control; a
// write to a size edit runs its typed handler at once, a write to a margin
// edit runs the margin typing rule.
struct FakeDialog {
  PicturePrinter* printer = nullptr;
  std::map<int, std::string> text;
  std::map<int, bool> disabled;
  int sizeWrites = 0;  // writes into Width and Height during one action
  LayoutControls controls{this, writeText, readNumber, enable};

  static FakeDialog& of(void* context) { return *static_cast<FakeDialog*>(context); }
  static void writeText(void* context, int id, const char* value) {
    FakeDialog& d = of(context);
    d.text[id] = value;
    if (id == kPictureWidthEdit || id == kPictureHeightEdit) d.sizeWrites++;
    d.changed(id);
  }
  static uint32_t readNumber(void* context, int id) { return readUnsigned(of(context).text[id].c_str()); }
  static void enable(void* context, int id, bool enabled) { of(context).disabled[id] = !enabled; }

  // The change notice of an edit.
  void changed(int id) {
    if (id == kPictureWidthEdit) widthTyped(*printer, readNumber(this, id), controls);
    else if (id == kPictureHeightEdit) heightTyped(*printer, readNumber(this, id), controls);
    else marginTextChanged(*printer, id);
  }
  // The user types a whole new text into an edit.
  void type(int id, const std::string& value) {
    const bool margin = id != kPictureWidthEdit && id != kPictureHeightEdit;
    if (margin) marginFocusChanged(true);
    sizeWrites = 0;
    text[id] = value;
    changed(id);
    if (margin) marginFocusChanged(false);
  }
  void click(int box, bool checked) { optionChanged(*printer, box, checked, controls); }
  std::string shown() const {
    auto at = [this](int id) { auto i = text.find(id); return i == text.end() ? std::string("-") : i->second; };
    return "W " + at(kPictureWidthEdit) + " H " + at(kPictureHeightEdit) + " L " + at(kLeftMarginEdit) + " R " +
           at(kRightMarginEdit) + " T " + at(kTopMarginEdit) + " B " + at(kBottomMarginEdit);
  }
};

std::string margins(const PicturePrinter& p) {
  return std::to_string(p.marginLeft) + " " + std::to_string(p.marginTop) + " " + std::to_string(p.marginRight) +
         " " + std::to_string(p.marginBottom);
}

const WindowRect kSample{0, 0, 120, 170};

class PrintLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printer = PicturePrinter{};
    pageSetupShared = PageSetupShared{};
    resetPicturePrinter();  // as a Print press does
    dialog.printer = &printer;
  }
  // Opens on the given paper.
  void open(int32_t paperWidth, int32_t paperHeight) {
    record = PageSettings{};
    record.paperWidth = paperWidth;
    record.paperHeight = paperHeight;
    openLayout(printer, record, kSample, dialog.controls);
  }
  void sync() { synchronise(printer, record, kSample, dialog.controls); }
  PicturePrinter& printer = picturePrinter;
  PageSettings record{};
  FakeDialog dialog;
};

}  // namespace

TEST_F(PrintLayoutTest, OpeningOnA4PortraitCentresTheDefaultPictureAndTheFirstSyncChangesNothing) {
  open(kA4Width, kA4Height);
  EXPECT_EQ(dialog.shown(), "W 180 H 135 L 15mm R 15mm T 81mm B 81mm");
  // Writing the Width edit ran widthTyped.
  EXPECT_EQ(printer.lastEdited, kEditedWidth);
  EXPECT_EQ(margins(printer), "1500 8100 1500 8100");
  EXPECT_EQ(record.margins.left, 1500);
  EXPECT_EQ(record.margins.top, 8100);
  EXPECT_EQ(record.margins.bottom, 8100);
  EXPECT_EQ(printer.sampleRect.right, 120);

  dialog.text.clear();
  sync();
  EXPECT_EQ(margins(printer), "1500 8100 1500 8100");
  EXPECT_EQ(printer.pictureWidth, 180u);
  EXPECT_EQ(printer.pictureHeight, 135u);
  EXPECT_EQ(printer.lastEdited, kEditedNone);
  EXPECT_EQ(dialog.shown(), "W - H - L - R - T - B -");  // nothing to show after a typed size
  // The redraw that follows does not synchronise again; the one after does.
  EXPECT_EQ(pageSetupShared.syncSkip, 1);
  record.paperWidth = 1;
  sync();
  EXPECT_EQ(printer.paperWidth, kA4Width);
  EXPECT_EQ(pageSetupShared.syncSkip, 0);
}

TEST_F(PrintLayoutTest, WithTheAspectRatioKeptEachSizeFollowsTheOtherAfterOneExchange) {
  open(kA4Width, kA4Height);
  sync();
  dialog.click(kKeepAspectBox, true);
  EXPECT_EQ(pageSetupShared.syncSkip, 1);
  EXPECT_EQ(dialog.shown(), "W 180 H 135 L 15mm R 15mm T 81mm B 81mm");

  dialog.type(kPictureWidthEdit, "200");
  EXPECT_EQ(dialog.text[kPictureHeightEdit], "150");
  EXPECT_EQ(printer.pictureHeight, 150u);
  EXPECT_EQ(dialog.sizeWrites, 1);  // the Height written once, nothing echoed back
  EXPECT_EQ(printer.echoGuard, 0);
  // The right and bottom margins take up the change; the right one has no
  // room left: 0, not negative.
  EXPECT_EQ(margins(printer), "1500 8100 0 6600");
  EXPECT_EQ(dialog.text[kRightMarginEdit], "0mm");

  dialog.type(kPictureHeightEdit, "100");
  EXPECT_EQ(dialog.text[kPictureWidthEdit], "133");
  EXPECT_EQ(printer.pictureWidth, 133u);
  EXPECT_EQ(dialog.sizeWrites, 1);
  EXPECT_EQ(printer.echoGuard, 0);
}

TEST_F(PrintLayoutTest, UseFullPageFillsThePaperAndGivesTheControlsBackUnchanged) {
  open(kA4Width, kA4Height);
  sync();
  dialog.click(kFullPageBox, true);
  EXPECT_EQ(printer.pictureWidth, 210u);
  EXPECT_EQ(printer.pictureHeight, 297u);
  EXPECT_EQ(dialog.shown(), "W 210 H 297 L 0mm R 0mm T 0mm B 0mm");
  EXPECT_EQ(printer.marginLeft, 1);  // one hundredth of a millimetre
  EXPECT_EQ(printer.marginTop, 1);
  for (int id : {kPictureWidthEdit, kPictureHeightEdit, kLeftMarginEdit, kRightMarginEdit, kTopMarginEdit,
                 kBottomMarginEdit, kCenterOnPageBox})
    EXPECT_TRUE(dialog.disabled[id]) << id;

  const std::string before = dialog.shown() + " / " + margins(printer);
  dialog.click(kFullPageBox, false);
  for (int id : {kPictureWidthEdit, kPictureHeightEdit, kLeftMarginEdit, kRightMarginEdit, kTopMarginEdit,
                 kBottomMarginEdit, kCenterOnPageBox})
    EXPECT_FALSE(dialog.disabled[id]) << id;
  EXPECT_EQ(dialog.shown() + " / " + margins(printer), before);

  // With "Center on page" on, switching full page off leaves the margins off.
  dialog.click(kCenterOnPageBox, true);
  dialog.click(kFullPageBox, true);
  dialog.click(kFullPageBox, false);
  EXPECT_TRUE(dialog.disabled[kLeftMarginEdit]);
  EXPECT_FALSE(dialog.disabled[kPictureWidthEdit]);
}

TEST_F(PrintLayoutTest, FullPageWithTheAspectRatioTakesTheShortSideAndCentresTheOther) {
  open(kA4Width, kA4Height);
  dialog.click(kKeepAspectBox, true);
  dialog.click(kFullPageBox, true);
  // The paper's width, centred down the page; showing the Height (157)
  // then derives the width again through the echo: 4 x 157 / 3 = 209.
  EXPECT_EQ(printer.pictureHeight, 157u);
  EXPECT_EQ(printer.pictureWidth, 209u);
  EXPECT_EQ(margins(printer), "0 7000 100 7000");
  EXPECT_EQ(dialog.shown(), "W 209 H 157 L 0mm R 1mm T 70mm B 70mm");

  // Landscape: the paper's height, centred across.
  SetUp();
  open(kA4Height, kA4Width);
  dialog.click(kKeepAspectBox, true);
  dialog.click(kFullPageBox, true);
  EXPECT_EQ(printer.pictureHeight, 210u);
  EXPECT_EQ(printer.pictureWidth, 280u);
  EXPECT_EQ(margins(printer), "850 0 850 0");
}

TEST_F(PrintLayoutTest, ATypedWidthMovesTheRightMarginOrTheLeftOneAfterTheRightWasTyped) {
  open(kA4Width, kA4Height);
  sync();
  dialog.type(kPictureWidthEdit, "190");
  EXPECT_EQ(printer.marginRight, 500);
  EXPECT_EQ(dialog.text[kRightMarginEdit], "5mm");
  EXPECT_EQ(printer.marginLeft, 1500);

  dialog.type(kRightMarginEdit, "10");
  EXPECT_EQ(printer.lastEdited, kEditedRight);
  record.margins.right = 1000;  // the dialog's reading of the edit
  printer.marginRight = 1000;
  dialog.type(kPictureWidthEdit, "170");
  EXPECT_EQ(printer.marginLeft, 3000);
  EXPECT_EQ(dialog.text[kLeftMarginEdit], "30mm");
  EXPECT_EQ(printer.marginRight, 1000);

  dialog.type(kPictureWidthEdit, "250");  // wider than the paper allows
  EXPECT_EQ(printer.marginLeft, 0);
  EXPECT_EQ(dialog.text[kLeftMarginEdit], "0mm");

  // The program's own writes into margin edits are not typing.
  printer.lastEdited = kEditedNone;
  dialog.changed(kTopMarginEdit);
  EXPECT_EQ(printer.lastEdited, kEditedNone);

  // Centred: both axes follow a typed size.
  dialog.click(kCenterOnPageBox, true);
  EXPECT_TRUE(dialog.disabled[kLeftMarginEdit]);
  dialog.type(kPictureWidthEdit, "100");
  EXPECT_EQ(margins(printer), "5500 8100 5500 8100");
  dialog.type(kPictureHeightEdit, "97");
  EXPECT_EQ(margins(printer), "5500 10000 5500 10000");
}

TEST_F(PrintLayoutTest, APictureLargerThanThePaperOpensWithNegativeMargins) {
  printer.pictureWidth = 250;
  printer.pictureHeight = 300;
  open(kA4Width, kA4Height);
  EXPECT_EQ(printer.marginLeft, -2000);
  EXPECT_EQ(printer.marginTop, -150);
  EXPECT_EQ(dialog.text[kLeftMarginEdit], "-20mm");
  EXPECT_EQ(dialog.text[kTopMarginEdit], "-1mm");
  EXPECT_EQ(record.margins.left, -2000);
}

TEST_F(PrintLayoutTest, AfterAPaperChangeTheLeftAndTopMarginsStayAndTheOthersTakeUpTheDifference) {
  open(kA4Width, kA4Height);
  sync();
  sync();  // skipped; the next one runs
  record.paperWidth = kA4Height;  // landscape
  record.paperHeight = kA4Width;
  sync();
  EXPECT_EQ(printer.paperWidth, kA4Height);
  EXPECT_EQ(margins(printer), "1500 8100 10200 0");
  EXPECT_EQ(dialog.shown(), "W 180 H 135 L 15mm R 102mm T 81mm B 0mm");
  EXPECT_EQ(record.margins.right, 10200);

  // After typing, the dialog's own reading of the margins counts.
  sync();
  dialog.type(kLeftMarginEdit, "20");
  record.margins.left = 2000;
  sync();
  EXPECT_EQ(printer.marginLeft, 2000);
  EXPECT_EQ(printer.marginRight, kA4Height - 18000 - 2000);
}

TEST_F(PrintLayoutTest, TheSamplePageDrawsThePictureWhereTheMarginsPutIt) {
  open(kA4Width, kA4Height);
  const WindowRect drawn{9, 47, 111, 123};
  WindowRect at = previewTarget(printer, drawn);
  EXPECT_EQ(at.left, 120 * 1500 / kA4Width);
  EXPECT_EQ(at.top, 170 * 8100 / kA4Height);
  EXPECT_EQ(at.right - at.left, 102);
  EXPECT_EQ(at.bottom - at.top, 76);

  dialog.click(kKeepAspectBox, true);
  dialog.click(kFullPageBox, true);
  at = previewTarget(printer, WindowRect{0, 0, 120, 170});
  EXPECT_EQ(at.left, 1);
  EXPECT_EQ(at.top, 170 * 7000 / kA4Height);
  EXPECT_EQ(at.right - at.left, 120);
  EXPECT_EQ(at.bottom - at.top, 90);

  printer.paperWidth = kA4Height;
  printer.paperHeight = kA4Width;
  printer.marginLeft = 850;
  at = previewTarget(printer, WindowRect{0, 0, 170, 120});
  EXPECT_EQ(at.left, 120 * 850 / kA4Height);
  EXPECT_EQ(at.top, 1);
  EXPECT_EQ(at.right - at.left, 160);
  EXPECT_EQ(at.bottom - at.top, 120);

  // A paper size never reported divides nothing.
  printer.paperWidth = printer.paperHeight = 0;
  printer.fullPage = 0;
  at = previewTarget(printer, drawn);
  EXPECT_EQ(at.left, 0);
  EXPECT_EQ(at.top, 0);
}

TEST(PagePlacement, ThePartsExampleAndTheFullPageWithoutAspect) {
  PagePlacement at = placeOnPage(1500, 8100, 21000, 29700, 180, 135, 4800, 6800);
  EXPECT_EQ(at.x, 331);
  EXPECT_EQ(at.y, 1792);
  EXPECT_EQ(at.width, 4251);
  EXPECT_EQ(at.height, 3228);

  // Full page: margins of one hundredth of a millimetre start at 0, and the
  // picture overshoots the printable area by about a thirtieth.
  at = placeOnPage(1, 1, 21000, 29700, 210, 297, 2480, 3507);
  EXPECT_EQ(at.x, 0);
  EXPECT_EQ(at.y, 0);
  EXPECT_EQ(at.width, 217 * 2480 / 210);
  EXPECT_EQ(at.height, 304 * 3507 / 297);

  // Nothing divides by a paper size under a millimetre.
  at = placeOnPage(1500, 8100, 0, 50, 180, 135, 4800, 6800);
  EXPECT_EQ(at.x, 0);
  EXPECT_EQ(at.height, 0);
}

TEST(PrintLayoutRules, SmallRulesAndNumbersReadFromEdits) {
  EXPECT_EQ(heightFromWidth(200), 150u);
  EXPECT_EQ(widthFromHeight(100), 133u);
  int32_t nearMargin = 7, farMargin = 7;
  centreAxis(21000, 210, &nearMargin, &farMargin);
  EXPECT_EQ(nearMargin, 0);
  centreAxis(21000, 209, &nearMargin, &farMargin);
  EXPECT_EQ(farMargin, 50);
  EXPECT_EQ(fitFarMargin(21000, 180, 1500), 1500);
  EXPECT_EQ(fitFarMargin(21000, 200, 1500), 0);
  EXPECT_EQ(readUnsigned("180"), 180u);
  EXPECT_EQ(readUnsigned("  42"), 42u);
  EXPECT_EQ(readUnsigned(""), 0u);
  EXPECT_EQ(readUnsigned("12a"), 0u);
  EXPECT_EQ(readUnsigned("-5"), 0u);
  EXPECT_EQ(readUnsigned("4294967295"), 4294967295u);
  EXPECT_EQ(readUnsigned("4294967296"), 0u);
  // A size typed beyond 31 bits counts as negative, as 32-bit arithmetic
  // has it (-1 mm here), without overflowing anything.
  EXPECT_EQ(fitFarMargin(21000, 4294967295u, 1500), 19600);
}
