// The extended page setup dialog: the platform's page setup dialog with
// the "Page Setup" template, a setup procedure (opening and commands) and a
// sample-page procedure. Both turn the dialog's events into the layout
// rules of print_layout.h; this file holds only the glue.
#include "devlink/frame_pipeline.h"
#include "viewer/print_layout.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_state.h"

namespace viewer {

namespace {

PageSetupShared& shared = pageSetupShared;

// The opening, posted to the dialog by its own opening message. Some
// platforms (Wine among them) call the setup procedure's opening before the
// dialog has set itself up: the record's paper size is still unknown then,
// and the dialog writes its margin edits afterwards, over the program's.
// Posted, the opening runs once the dialog is set up and before its first
// drawing, on every platform.
enum : uint32_t { kMsgOpenPageSetup = 0x8002 };  // WM_APP + 2

// The controls the rules act on, over the dialog's own controls.
void writeText(void* dialog, int controlId, const char* text) {
  const WindowOps& ui = windowOps();
  ui.sendMessage(ui.dialogItem(dialog, controlId), kMsgSetText, 0, reinterpret_cast<intptr_t>(text));
}

uint32_t readNumber(void* dialog, int controlId) {
  const WindowOps& ui = windowOps();
  char text[32] = {0};
  ui.sendMessage(ui.dialogItem(dialog, controlId), kMsgGetText, sizeof text, reinterpret_cast<intptr_t>(text));
  return readUnsigned(text);
}

void enable(void* dialog, int controlId, bool enabled) {
  const WindowOps& ui = windowOps();
  ui.enableWindow(ui.dialogItem(dialog, controlId), enabled);
}

LayoutControls controlsOf(WindowHandle dialog) { return LayoutControls{dialog, writeText, readNumber, enable}; }

WindowRect sampleAreaOf(WindowHandle dialog) {
  const WindowOps& ui = windowOps();
  return ui.clientRect(ui.dialogItem(dialog, kSamplePage));
}

bool isChecked(WindowHandle dialog, int boxId) {
  const WindowOps& ui = windowOps();
  return ui.sendMessage(ui.dialogItem(dialog, boxId), kMsgButtonGetCheck, 0, 0) != 0;
}

void setCheck(WindowHandle dialog, int boxId, int32_t checked) {
  const WindowOps& ui = windowOps();
  ui.sendMessage(ui.dialogItem(dialog, boxId), kMsgButtonSetCheck, checked ? 1 : 0, 0);
}

void openDialog(WindowHandle dialog) {
  if (!shared.setupRecord || !shared.setupPrinter) return;
  PicturePrinter& printer = *shared.setupPrinter;
  printer.setupWindow = dialog;
  openLayout(printer, *shared.setupRecord, sampleAreaOf(dialog), controlsOf(dialog));
  setCheck(dialog, kKeepAspectBox, printer.keepAspect);
  setCheck(dialog, kFullPageBox, printer.fullPage);
  setCheck(dialog, kCenterOnPageBox, printer.centreOnPage);
}

void onCommand(WindowHandle dialog, int id, uint32_t notice) {
  if (!shared.setupPrinter) return;
  PicturePrinter& printer = *shared.setupPrinter;
  const LayoutControls controls = controlsOf(dialog);
  switch (id) {
    case kKeepAspectBox:
    case kFullPageBox:
    case kCenterOnPageBox:
      optionChanged(printer, id, isChecked(dialog, id), controls);
      break;
    case kPictureWidthEdit:
      if (notice == kNoticeChange) widthTyped(printer, readNumber(dialog, id), controls);
      break;
    case kPictureHeightEdit:
      if (notice == kNoticeChange) heightTyped(printer, readNumber(dialog, id), controls);
      break;
    case kLeftMarginEdit:
    case kTopMarginEdit:
    case kRightMarginEdit:
    case kBottomMarginEdit:
      if (notice == kNoticeSetFocus) marginFocusChanged(true);
      if (notice == kNoticeKillFocus) marginFocusChanged(false);
      if (notice == kNoticeChange) marginTextChanged(printer, id);
      break;
    default:
      otherCommand();
      break;
  }
}

// The margin rectangle of the sample page being drawn.
WindowRect marginsDrawn{0, 0, 0, 0};

// The picture on the sample page: the whole displayed picture stretched
// onto the rectangle that follows from the drawn one.
void drawPreview(const PicturePrinter& printer, DrawingSurface surface, const WindowRect& drawn) {
  windowOps().stretchPicture(surface, previewTarget(printer, drawn), printer.bitmapInfo, framePipeline.liveImage);
}

}  // namespace

bool pageSetup(WindowHandle owner) {
  PicturePrinter& printer = picturePrinter;
  PageSettings& record = printer.pageSettings;
  record.owner = owner;
  // No settings blocks of the program's own: given zero-filled ones the
  // platform's dialog (Wine's at least) fails on them; given none it makes
  // them for the default printer, and cleanup frees what it made.
  record.printerSettings = nullptr;
  record.printerNames = nullptr;
  // The margins given are the ones the dialog starts from (the last ones,
  // until the opening centres the picture); otherwise the dialog would
  // write margins of its own choice over them after the opening.
  record.flags = kPageSetupHundredthsOfMm | kPageSetupEnableTemplate | kPageSetupEnableSetupHook |
                 kPageSetupEnablePaintHook | kPageSetupMargins;
  record.customData = reinterpret_cast<intptr_t>(&printer);
  record.setupProcedure = pageSetupHandler;
  record.paintProcedure = samplePageHandler;
  record.templateId = IDD_PAGE_SETUP;
  const bool confirmed = printerOps().runPageSetupDialog(record);
  printer.setupWindow = nullptr;
  return confirmed;
}

intptr_t pageSetupHandler(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog: {
      PageSettings* record = reinterpret_cast<PageSettings*>(lParam);
      shared.setupRecord = record;
      shared.setupPrinter = reinterpret_cast<PicturePrinter*>(record->customData);
      // A new dialog: none of its margin edits has the focus yet. A flag
      // left set by the last dialog (closed with Enter while a margin edit
      // had the focus, so that no focus loss came) would take the dialog's
      // own first writes into the margin edits for typing.
      shared.marginFocus = 0;
      windowOps().postMessage(dialog, kMsgOpenPageSetup, 0, 0);
      return 1;
    }
    case kMsgOpenPageSetup:
      openDialog(dialog);
      return 1;
    case kMsgCommand:
      onCommand(dialog, static_cast<int>(wParam & 0xFFFF), static_cast<uint32_t>((wParam >> 16) & 0xFFFF));
      return 0;  // the dialog goes on with its own handling
    default:
      return 0;
  }
}

intptr_t samplePageHandler(WindowHandle, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kMsgSamplePageAbout) {
    PageSettings* record = reinterpret_cast<PageSettings*>(lParam);
    shared.sampleRecord = record;
    shared.samplePrinter = reinterpret_cast<PicturePrinter*>(record->customData);
  }
  PicturePrinter* printer = shared.samplePrinter;
  // Until the opening has run, the sample is the dialog's own.
  if (!printer || !printer->setupWindow) return 0;
  const WindowRect* drawn = reinterpret_cast<const WindowRect*>(lParam);
  DrawingSurface surface = reinterpret_cast<DrawingSurface>(wParam);
  switch (message) {
    case kMsgSamplePageAbout:
      synchronise(*printer, *shared.sampleRecord, sampleAreaOf(printer->setupWindow), controlsOf(printer->setupWindow));
      return 0;
    case kMsgSampleFullPage:
      if (!printer->fullPage) return 0;
      drawPreview(*printer, surface, *drawn);
      return 1;  // the picture is the whole page: nothing else is drawn
    case kMsgSampleMargins:
      drawPreview(*printer, surface, *drawn);
      marginsDrawn = *drawn;
      return 0;
    case kMsgSampleText:
      // Some dialogs (Wine's) fill the margin rectangle while they outline
      // it, over the picture just drawn: it is drawn once more, last.
      drawPreview(*printer, surface, marginsDrawn);
      return 1;  // never any sample text
    default:
      return 0;
  }
}

}  // namespace viewer
