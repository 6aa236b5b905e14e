// The print layout: everything that is arithmetic on the PicturePrinter's
// layout fields, apart from the dialog that shows them. The page setup
// dialog's procedures (page_setup_dialog.cpp) turn the dialog's events into
// these operations; the edits and check boxes are reached through
// LayoutControls, so that the rules run and are tested without a dialog.
//
// All sizes are integers, division truncates toward zero and products wrap
// as signed 32-bit numbers. Paper and margins are in hundredths of a
// millimetre, the picture in whole millimetres.
#pragma once

#include <cstdint>

#include "viewer/picture_printer.h"
#include "viewer/viewer_resources.h"

namespace viewer {

// The controls of the page setup dialog the rules act on.
enum : int {
  kCenterOnPageBox = IDC_PS_CENTER,
  kKeepAspectBox = IDC_PS_ASPECT,
  kPictureWidthEdit = IDC_PS_WIDTH,
  kPictureHeightEdit = IDC_PS_HEIGHT,
  kFullPageBox = IDC_PS_FULL_PAGE,
  kSamplePage = IDC_PS_SAMPLE,
  kLeftMarginEdit = IDC_PS_LEFT,
  kTopMarginEdit = IDC_PS_TOP,
  kRightMarginEdit = IDC_PS_RIGHT,
  kBottomMarginEdit = IDC_PS_BOTTOM,
};

// What the rules do to the dialog. Writing an edit's text raises that
// edit's change notice at once, inside the write, as the platform's edits
// do: the dialog glue passes it back to the typed handlers below.
struct LayoutControls {
  void* context;
  void (*writeText)(void* context, int controlId, const char* text);
  // The number in a size edit, read as unsigned (not a number: 0).
  uint32_t (*readNumber)(void* context, int controlId);
  void (*enable)(void* context, int controlId, bool enabled);
};

// Values the two dialog procedures share besides the record: the page
// setup record and printer as the setup procedure saw them at opening and
// as the sample-page procedure saw them last, skip the next
// synchronisation, a margin edit has the focus. Zero at start; kept from
// one dialog to the next.
struct PageSetupShared {
  PageSettings* setupRecord;
  PicturePrinter* setupPrinter;
  PageSettings* sampleRecord;
  PicturePrinter* samplePrinter;
  int32_t syncSkip;
  int32_t marginFocus;
};
extern PageSetupShared pageSetupShared;

// The three small rules.
uint32_t heightFromWidth(uint32_t width);   // (3 x width) / 4
uint32_t widthFromHeight(uint32_t height);  // (4 x height) / 3
// Both margins of an axis: the space left around the picture, halved; 0
// when none is left.
void centreAxis(int32_t paper, uint32_t pictureSize, int32_t* nearMargin, int32_t* farMargin);
// The far margin from the near one: what the picture leaves, or 0.
int32_t fitFarMargin(int32_t paper, uint32_t pictureSize, int32_t nearMargin);

// Dialog opening: paper size from the record, the picture centred (negative
// margins when larger than the paper), margins written into the record too,
// sampleRect, and showValues.
void openLayout(PicturePrinter& printer, PageSettings& record, const WindowRect& sampleRect,
                const LayoutControls& controls);
// Applies the options to the picture size and the margins.
void recompute(PicturePrinter& printer, const LayoutControls& controls);
// Writes the values that follow from lastEdited into their edits.
void showValues(PicturePrinter& printer, const LayoutControls& controls);
// A new text in the Width or Height edit.
void widthTyped(PicturePrinter& printer, uint32_t value, const LayoutControls& controls);
void heightTyped(PicturePrinter& printer, uint32_t value, const LayoutControls& controls);
// One of the three option boxes changed to `checked`.
void optionChanged(PicturePrinter& printer, int boxId, bool checked, const LayoutControls& controls);
// Margin edits: focus in and out, and a change of text.
void marginFocusChanged(bool focused);
void marginTextChanged(PicturePrinter& printer, int editId);
// A command from any other control.
void otherCommand();
// Before each drawing of the sample page: re-reads paper, sample area and
// (after typing) the record's margins, re-applies the rules.
void synchronise(PicturePrinter& printer, PageSettings& record, const WindowRect& sampleRect,
                 const LayoutControls& controls);

// A size edit's text as an unsigned number: digits after optional blanks;
// anything else, or a number beyond 32 bits, reads as 0.
uint32_t readUnsigned(const char* text);

// Where drawPreview puts the picture for a rectangle of the sample page.
WindowRect previewTarget(const PicturePrinter& printer, const WindowRect& drawn);

// The picture's rectangle on the printed page, in device pixels, from the
// record's left and top margins and paper size, the picture size and the
// printable size.
struct PagePlacement {
  int32_t x, y, width, height;
};
PagePlacement placeOnPage(int32_t marginLeft, int32_t marginTop, int32_t paperWidth, int32_t paperHeight,
                          uint32_t pictureWidth, uint32_t pictureHeight, int32_t printableWidth,
                          int32_t printableHeight);

}  // namespace viewer
