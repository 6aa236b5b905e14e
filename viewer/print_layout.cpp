#include "viewer/print_layout.h"

#include <cstdio>
#include <initializer_list>

namespace viewer {

PageSetupShared pageSetupShared;

namespace {

PageSetupShared& shared = pageSetupShared;

// Sizes are signed 32-bit numbers whose products and sums wrap as such;
// the arithmetic is done wider and brought back, so that no overflow is
// undefined.
int32_t wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }
int32_t asSigned(uint32_t value) { return static_cast<int32_t>(value); }
int32_t hundredths(uint32_t millimetres) { return wrap(100 * static_cast<int64_t>(asSigned(millimetres))); }
// A quotient whose divisor comes from a record: a size the platform never
// reported (0) gives 0 instead of a division fault.
int32_t ratio(int64_t dividend, int32_t divisor) { return divisor == 0 ? 0 : wrap(dividend / divisor); }

void writeNumber(const LayoutControls& controls, int editId, uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%u", value);
  controls.writeText(controls.context, editId, text);
}

// A margin shows as whole millimetres followed by "mm" (1500 as 15mm).
void writeMargin(const LayoutControls& controls, int editId, int32_t hundredthsOfMm) {
  char text[24];
  std::snprintf(text, sizeof text, "%dmm", hundredthsOfMm / 100);
  controls.writeText(controls.context, editId, text);
}

void writeLeft(PicturePrinter& p, const LayoutControls& c) { writeMargin(c, kLeftMarginEdit, p.marginLeft); }
void writeRight(PicturePrinter& p, const LayoutControls& c) { writeMargin(c, kRightMarginEdit, p.marginRight); }
void writeTop(PicturePrinter& p, const LayoutControls& c) { writeMargin(c, kTopMarginEdit, p.marginTop); }
void writeBottom(PicturePrinter& p, const LayoutControls& c) { writeMargin(c, kBottomMarginEdit, p.marginBottom); }
void writeWidth(PicturePrinter& p, const LayoutControls& c) { writeNumber(c, kPictureWidthEdit, p.pictureWidth); }
void writeHeight(PicturePrinter& p, const LayoutControls& c) { writeNumber(c, kPictureHeightEdit, p.pictureHeight); }

void centreHorizontally(PicturePrinter& p) { centreAxis(p.paperWidth, p.pictureWidth, &p.marginLeft, &p.marginRight); }
void centreVertically(PicturePrinter& p) { centreAxis(p.paperHeight, p.pictureHeight, &p.marginTop, &p.marginBottom); }

void enableMargins(const LayoutControls& controls, bool enabled) {
  for (int id : {kLeftMarginEdit, kRightMarginEdit, kTopMarginEdit, kBottomMarginEdit})
    controls.enable(controls.context, id, enabled);
}

// Writes the size derived from the other one; the write raises the other
// edit's handler, which finds the guard set, clears it and stops there.
// Should a platform not report a write of the same text, the guard is
// cleared here all the same, so that it never outlives this one exchange.
void echo(PicturePrinter& printer, const LayoutControls& controls, void (*write)(PicturePrinter&, const LayoutControls&)) {
  printer.echoGuard = 1;
  write(printer, controls);
  printer.echoGuard = 0;
}

}  // namespace

uint32_t heightFromWidth(uint32_t width) { return static_cast<uint32_t>(wrap(3 * static_cast<int64_t>(asSigned(width))) / 4); }
uint32_t widthFromHeight(uint32_t height) { return static_cast<uint32_t>(wrap(4 * static_cast<int64_t>(asSigned(height))) / 3); }

void centreAxis(int32_t paper, uint32_t pictureSize, int32_t* nearMargin, int32_t* farMargin) {
  const int32_t space = wrap(static_cast<int64_t>(paper) - hundredths(pictureSize));
  *nearMargin = *farMargin = space >= 1 ? space / 2 : 0;
}

int32_t fitFarMargin(int32_t paper, uint32_t pictureSize, int32_t nearMargin) {
  const int32_t used = wrap(static_cast<int64_t>(nearMargin) + hundredths(pictureSize));
  return used <= paper ? wrap(static_cast<int64_t>(paper) - used) : 0;
}

void openLayout(PicturePrinter& printer, PageSettings& record, const WindowRect& sampleRect,
                const LayoutControls& controls) {
  printer.paperWidth = record.paperWidth;
  printer.paperHeight = record.paperHeight;
  // Centred without the lower limit: a picture larger than the paper opens
  // with negative margins.
  printer.marginLeft = printer.marginRight = wrap(static_cast<int64_t>(printer.paperWidth) - hundredths(printer.pictureWidth)) / 2;
  printer.marginTop = printer.marginBottom = wrap(static_cast<int64_t>(printer.paperHeight) - hundredths(printer.pictureHeight)) / 2;
  record.margins = WindowRect{printer.marginLeft, printer.marginTop, printer.marginRight, printer.marginBottom};
  printer.sampleRect = sampleRect;
  showValues(printer, controls);
}

void recompute(PicturePrinter& printer, const LayoutControls& controls) {
  PicturePrinter& p = printer;
  const bool portrait = p.paperWidth <= p.paperHeight;
  if (p.fullPage) {
    if (!p.keepAspect) {
      p.pictureWidth = static_cast<uint32_t>(p.paperWidth / 100);
      p.pictureHeight = static_cast<uint32_t>(p.paperHeight / 100);
      // One hundredth of a millimetre, not 0.
      p.marginLeft = p.marginTop = p.marginRight = p.marginBottom = 1;
      return;
    }
    if (portrait) {
      p.pictureWidth = static_cast<uint32_t>(p.paperWidth / 100);
      p.pictureHeight = heightFromWidth(p.pictureWidth);
    } else {
      p.pictureHeight = static_cast<uint32_t>(p.paperHeight / 100);
      p.pictureWidth = widthFromHeight(p.pictureHeight);
    }
    centreHorizontally(p);
    centreVertically(p);
    return;
  }
  if (p.keepAspect) {
    if (portrait) {
      p.pictureWidth = controls.readNumber(controls.context, kPictureWidthEdit);
      p.pictureHeight = heightFromWidth(p.pictureWidth);
    } else {
      p.pictureHeight = controls.readNumber(controls.context, kPictureHeightEdit);
      p.pictureWidth = widthFromHeight(p.pictureHeight);
    }
  }
  if (p.centreOnPage) {
    centreHorizontally(p);
    centreVertically(p);
    return;
  }
  // The margin typed last stays; its partner takes up the rest, without a
  // lower limit.
  const int32_t width = hundredths(p.pictureWidth), height = hundredths(p.pictureHeight);
  switch (p.lastEdited) {
    case kEditedNone:
      p.marginRight = fitFarMargin(p.paperWidth, p.pictureWidth, p.marginLeft);
      p.marginBottom = fitFarMargin(p.paperHeight, p.pictureHeight, p.marginTop);
      break;
    case kEditedLeft:
      p.marginRight = wrap(static_cast<int64_t>(p.paperWidth) - width - p.marginLeft);
      break;
    case kEditedRight:
      p.marginLeft = wrap(static_cast<int64_t>(p.paperWidth) - width - p.marginRight);
      break;
    case kEditedTop:
      p.marginBottom = wrap(static_cast<int64_t>(p.paperHeight) - height - p.marginTop);
      break;
    case kEditedBottom:
      p.marginTop = wrap(static_cast<int64_t>(p.paperHeight) - height - p.marginBottom);
      break;
    default:  // a size typed last: the margins stay
      break;
  }
}

void showValues(PicturePrinter& printer, const LayoutControls& controls) {
  // Each write raises the edit's own handler, which may move other values:
  // every edit shows the value as it stands when its turn comes.
  switch (printer.lastEdited) {
    case kEditedNone:
      writeWidth(printer, controls);
      writeHeight(printer, controls);
      writeLeft(printer, controls);
      writeRight(printer, controls);
      writeTop(printer, controls);
      writeBottom(printer, controls);
      break;
    case kEditedLeft:
      writeWidth(printer, controls);
      writeRight(printer, controls);
      break;
    case kEditedRight:
      writeWidth(printer, controls);
      writeLeft(printer, controls);
      break;
    case kEditedTop:
      writeHeight(printer, controls);
      writeBottom(printer, controls);
      break;
    case kEditedBottom:
      writeHeight(printer, controls);
      writeTop(printer, controls);
      break;
    default:
      break;
  }
}

void widthTyped(PicturePrinter& printer, uint32_t value, const LayoutControls& controls) {
  PicturePrinter& p = printer;
  p.pictureWidth = value;
  if (p.lastEdited == kEditedNone) p.lastEdited = kEditedWidth;
  if (p.keepAspect) {
    if (p.echoGuard) {
      p.echoGuard = 0;
      return;
    }
    p.pictureHeight = heightFromWidth(value);
    echo(p, controls, writeHeight);
  }
  if (p.centreOnPage) {
    centreHorizontally(p);
    writeLeft(p, controls);
    writeRight(p, controls);
    centreVertically(p);
    writeTop(p, controls);
    writeBottom(p, controls);
  } else if (p.lastEdited == kEditedRight) {
    p.marginLeft = fitFarMargin(p.paperWidth, p.pictureWidth, p.marginRight);
    writeLeft(p, controls);
  } else {
    p.marginRight = fitFarMargin(p.paperWidth, p.pictureWidth, p.marginLeft);
    writeRight(p, controls);
    if (p.keepAspect) {
      p.marginBottom = fitFarMargin(p.paperHeight, p.pictureHeight, p.marginTop);
      writeBottom(p, controls);
    }
  }
}

void heightTyped(PicturePrinter& printer, uint32_t value, const LayoutControls& controls) {
  PicturePrinter& p = printer;
  p.pictureHeight = value;
  if (p.lastEdited == kEditedNone) p.lastEdited = kEditedHeight;
  if (p.keepAspect) {
    if (p.echoGuard) {
      p.echoGuard = 0;
      return;
    }
    p.pictureWidth = widthFromHeight(value);
    echo(p, controls, writeWidth);
  }
  if (p.centreOnPage) {
    centreVertically(p);
    writeTop(p, controls);
    writeBottom(p, controls);
    centreHorizontally(p);
    writeLeft(p, controls);
    writeRight(p, controls);
  } else if (p.lastEdited == kEditedBottom) {
    p.marginTop = fitFarMargin(p.paperHeight, p.pictureHeight, p.marginBottom);
    writeTop(p, controls);
  } else {
    p.marginBottom = fitFarMargin(p.paperHeight, p.pictureHeight, p.marginTop);
    writeBottom(p, controls);
    if (p.keepAspect) {
      p.marginRight = fitFarMargin(p.paperWidth, p.pictureWidth, p.marginLeft);
      writeRight(p, controls);
    }
  }
}

void optionChanged(PicturePrinter& printer, int boxId, bool checked, const LayoutControls& controls) {
  PicturePrinter& p = printer;
  // The redraw of the sample that this change causes must not synchronise.
  shared.syncSkip = 1;
  const int32_t state = checked ? 1 : 0;
  p.lastEdited = kEditedNone;
  if (boxId == kKeepAspectBox) {
    p.keepAspect = state;
    recompute(p, controls);
    showValues(p, controls);
  } else if (boxId == kFullPageBox) {
    p.fullPage = state;
    for (int id : {kPictureWidthEdit, kPictureHeightEdit, kCenterOnPageBox}) controls.enable(controls.context, id, !checked);
    if (checked) {
      enableMargins(controls, false);
      recompute(p, controls);
      showValues(p, controls);
    } else if (!p.centreOnPage) {
      enableMargins(controls, true);
    }
  } else if (boxId == kCenterOnPageBox) {
    p.centreOnPage = state;
    if (checked) {
      enableMargins(controls, false);
      recompute(p, controls);
      showValues(p, controls);
    } else if (!p.fullPage) {
      enableMargins(controls, true);
    }
  }
}

void marginFocusChanged(bool focused) { shared.marginFocus = focused ? 1 : 0; }

void marginTextChanged(PicturePrinter& printer, int editId) {
  // Only the user's typing counts: the program writes with the focus
  // elsewhere.
  if (!shared.marginFocus) return;
  switch (editId) {
    case kLeftMarginEdit:
      printer.lastEdited = kEditedLeft;
      break;
    case kTopMarginEdit:
      printer.lastEdited = kEditedTop;
      break;
    case kRightMarginEdit:
      printer.lastEdited = kEditedRight;
      break;
    case kBottomMarginEdit:
      printer.lastEdited = kEditedBottom;
      break;
    default:
      break;
  }
}

void otherCommand() { shared.syncSkip = 0; }

void synchronise(PicturePrinter& printer, PageSettings& record, const WindowRect& sampleRect,
                 const LayoutControls& controls) {
  PicturePrinter& p = printer;
  if (shared.syncSkip) {
    shared.syncSkip = 0;
    return;
  }
  // Stays set: the redraw that the writes below cause does not come back here.
  shared.syncSkip = 1;
  p.paperWidth = record.paperWidth;
  p.paperHeight = record.paperHeight;
  p.sampleRect = sampleRect;
  if (p.lastEdited != kEditedNone) {
    // The dialog's own reading of the margin edits.
    p.marginLeft = record.margins.left;
    p.marginTop = record.margins.top;
    p.marginRight = record.margins.right;
    p.marginBottom = record.margins.bottom;
  }
  recompute(p, controls);
  showValues(p, controls);
  record.margins = WindowRect{p.marginLeft, p.marginTop, p.marginRight, p.marginBottom};
  p.lastEdited = kEditedNone;
}

uint32_t readUnsigned(const char* text) {
  while (*text == ' ') ++text;
  if (*text < '0' || *text > '9') return 0;
  uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + static_cast<uint64_t>(*text - '0');
    if (value > UINT32_MAX) return 0;
  }
  return *text == 0 ? static_cast<uint32_t>(value) : 0;
}

WindowRect previewTarget(const PicturePrinter& printer, const WindowRect& drawn) {
  const PicturePrinter& p = printer;
  const int32_t drawnWidth = drawn.right - drawn.left, drawnHeight = drawn.bottom - drawn.top;
  const int32_t sampleWidth = p.sampleRect.right - p.sampleRect.left;
  const int32_t sampleHeight = p.sampleRect.bottom - p.sampleRect.top;
  int32_t x = ratio(static_cast<int64_t>(wrap(static_cast<int64_t>(sampleWidth) * p.marginLeft)), p.paperWidth);
  int32_t y = ratio(static_cast<int64_t>(wrap(static_cast<int64_t>(sampleHeight) * p.marginTop)), p.paperHeight);
  int32_t width = drawnWidth, height = drawnHeight;
  if (p.fullPage && p.keepAspect) {
    if (p.paperWidth <= p.paperHeight) {
      x = 1;
      height = wrap(3 * static_cast<int64_t>(drawnWidth)) / 4;
    } else {
      y = 1;
      width = wrap(4 * static_cast<int64_t>(drawnHeight)) / 3;
    }
  }
  return WindowRect{x, y, x + width, y + height};
}

PagePlacement placeOnPage(int32_t marginLeft, int32_t marginTop, int32_t paperWidth, int32_t paperHeight,
                          uint32_t pictureWidth, uint32_t pictureHeight, int32_t printableWidth,
                          int32_t printableHeight) {
  const int32_t width = asSigned(pictureWidth), height = asSigned(pictureHeight);
  // Both sizes are enlarged by a thirtieth of the width.
  const int32_t enlargement = width / 30;
  PagePlacement at;
  at.x = ratio(wrap(static_cast<int64_t>(marginLeft - marginLeft / 30) * printableWidth), paperWidth);
  at.y = ratio(wrap(static_cast<int64_t>(marginTop - marginTop / 30) * printableHeight), paperHeight);
  at.width = ratio(wrap(static_cast<int64_t>(wrap(static_cast<int64_t>(width) + enlargement)) * printableWidth),
                   paperWidth / 100);
  at.height = ratio(wrap(static_cast<int64_t>(wrap(static_cast<int64_t>(height) + enlargement)) * printableHeight),
                    paperHeight / 100);
  return at;
}

}  // namespace viewer
