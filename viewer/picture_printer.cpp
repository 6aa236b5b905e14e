#include "viewer/picture_printer.h"

#include "platform/platform.h"
#include "viewer/print_layout.h"
#include "viewer/viewer_state.h"
#include "viewer/viewer_texts.h"

namespace viewer {

PicturePrinter picturePrinter;

namespace {

PicturePrinter& printer = picturePrinter;

void apiFailure() { plat::showMessage(nullptr, kApiText, kApiCaption, plat::kMbOk | plat::kMbIconError); }
void libraryFailure() { plat::showMessage(nullptr, kLibraryText, kLibraryCaption, plat::kMbOk | plat::kMbIconError); }

// Hands the pixels to the imaging layer and prints the copies; false at the
// first failure (reported). `pageOpen` tells whether a page was left open.
bool printCopies(const uint8_t* pixels, DeviceContext dc, bool* pageOpen) {
  const PrinterOps& ops = printerOps();
  const PrintableSize printable = ops.printableSize(dc);
  const PageSettings& record = printer.pageSettings;
  const PagePlacement at =
      placeOnPage(record.margins.left, record.margins.top, record.paperWidth, record.paperHeight,
                  printer.pictureWidth, printer.pictureHeight, printable.width, printable.height);
  // The same top-down rows, now declared bottom row first; the layer's
  // turn-over below puts them the right way up again.
  printer.bitmapInfo.height = -printer.bitmapInfo.height;
  const int32_t width = printer.bitmapInfo.width, height = printer.bitmapInfo.height;
  printer.bitmapAllocated = imaging::allocateBitmap(&printer.libraryBitmap, width, height, 24);
  if (!printer.bitmapAllocated) return libraryFailure(), false;
  if (imaging::takePixels(&printer.libraryBitmap, printer.bitmapInfo, pixels) != 1) return libraryFailure(), false;
  if (imaging::setBitmapSize(&printer.libraryBitmap, width, (3 * width) / 4) != 1) return libraryFailure(), false;
  imaging::flipBitmap(&printer.libraryBitmap);
  for (uint32_t copy = 0; copy < printer.printSettings.copies; ++copy) {
    if (ops.startPage(dc) <= 0) return apiFailure(), false;
    *pageOpen = true;
    if (imaging::paintBitmap(dc, &printer.libraryBitmap, at.x, at.y, at.width, at.height, 0) != dc)
      return libraryFailure(), false;
    *pageOpen = false;
    if (ops.endPage(dc) <= 0) return apiFailure(), false;
  }
  return true;
}

}  // namespace

bool resetPicturePrinter() {
  printer.pictureWidth = kDefaultPictureWidth;
  printer.pictureHeight = kDefaultPictureHeight;
  printer.sizeIndex = 0;
  printer.progressWindow = nullptr;
  printer.keepAspect = printer.fullPage = printer.centreOnPage = printer.echoGuard = 0;
  printer.lastEdited = kEditedNone;
  return true;
}

void setPrintSize(int index) {
  if (index < 0 || index > 2) return;
  printer.sizeIndex = index;
  const int32_t width = zoomWidth(index), height = zoomHeight(index);
  // Height negative: the rows are declared top row first, as the live view
  // has them.
  printer.bitmapInfo = imaging::topDownPictureHeader(width, height);
}

bool printDialog(WindowHandle owner) {
  PrintSettings& settings = printer.printSettings;
  settings = PrintSettings{};
  settings.owner = owner;
  settings.printerSettings = printer.pageSettings.printerSettings;
  settings.printerNames = printer.pageSettings.printerNames;
  settings.flags = kPrintDialogReturnDc;
  const bool confirmed = printerOps().runPrintDialog(settings);
  // The dialog may hand back other blocks for the printer it ends on: they
  // are the page setup's from now on, and cleanup frees them once.
  printer.pageSettings.printerSettings = settings.printerSettings;
  printer.pageSettings.printerNames = settings.printerNames;
  return confirmed;
}

bool printPicture(const uint8_t* pixels) {
  const PrinterOps& ops = printerOps();
  const DeviceContext dc = printer.printSettings.deviceContext;
  if (ops.startDocument(dc, kPrintDocumentName) <= 0) {
    apiFailure();
    return true;
  }
  bool pageOpen = false;
  printCopies(pixels, dc, &pageOpen);
  if (pageOpen) ops.endPage(dc);
  ops.endDocument(dc);
  return true;
}

void cleanupPicturePrinter() {
  const PrinterOps& ops = printerOps();
  if (printer.bitmapAllocated) {
    imaging::freeBitmap(&printer.libraryBitmap);
    printer.bitmapAllocated = 0;
  }
  if (printer.progressWindow) {
    windowOps().destroyWindow(printer.progressWindow);
    printer.progressWindow = nullptr;
  }
  PageSettings& record = printer.pageSettings;
  ops.freeSettingsBlock(record.printerSettings);
  ops.freeSettingsBlock(record.printerNames);
  record.printerSettings = record.printerNames = nullptr;
  printer.printSettings.printerSettings = printer.printSettings.printerNames = nullptr;
  if (printer.printSettings.deviceContext) {
    ops.deleteDeviceContext(printer.printSettings.deviceContext);
    printer.printSettings.deviceContext = nullptr;
  }
}

namespace {

void outputReset(int zoomLevel) {
  resetPicturePrinter();
  setPrintSize(zoomLevel);
}

bool outputDialogs(WindowHandle owner) { return pageSetup(owner) && printDialog(owner); }
int outputSize() { return 0; }  // the printer always gets the full-size picture

void outputOpenProgress(WindowHandle owner) {
  openPrintProgress(owner);
  showTransmittingText();
}

bool outputWrite(const uint8_t* pixels, int) { return printPicture(pixels); }

void progressStep(void*, int step) { setPrintProgressStep(step); }
void progressAdvance(void*) { stepPrintProgress(); }
const devlink::ProgressSink kFetchProgress = {nullptr, progressStep, progressAdvance};

}  // namespace

const PictureOutputComponent picturePrinterOutput = {
    outputReset,      outputDialogs,     outputSize,      setPrintSize, outputOpenProgress,
    setPrintProgress, showCompletedText, &kFetchProgress, outputWrite,  cleanupPicturePrinter,
};

}  // namespace viewer
