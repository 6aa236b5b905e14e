#include "tests/viewer/recording_printer.h"

#include <cstdio>
#include <cstdlib>

#include "tests/viewer/recording_ui.h"
#include "viewer/viewer_resources.h"

namespace viewer {

namespace {

RecordingPrinter* printer = nullptr;
PageSettings* activeRecord = nullptr;
int pagesStarted = 0, pagesEnded = 0;

bool isMarginEdit(int id) { return id >= IDC_PS_LEFT && id <= IDC_PS_BOTTOM; }

int32_t* marginOf(PageSettings& record, int id) {
  switch (id) {
    case IDC_PS_LEFT: return &record.margins.left;
    case IDC_PS_TOP: return &record.margins.top;
    case IDC_PS_RIGHT: return &record.margins.right;
    default: return &record.margins.bottom;
  }
}

// The dialog draws its sample page: the paint procedure first, then the
// rectangles in turn until one is reported drawn.
void paintSample(WindowHandle dialog) {
  PageSettings& record = *activeRecord;
  printer->samplePaints++;
  WindowHandle sample = itemOf(dialog, IDC_PS_SAMPLE);
  const WindowRect area = windowOf(sample).rect;
  const int32_t width = area.right - area.left, height = area.bottom - area.top;
  const intptr_t surface = reinterpret_cast<intptr_t>(sampleSurface());
  if (record.paintProcedure(sample, kMsgSamplePageAbout, 0, reinterpret_cast<intptr_t>(&record))) return;
  WindowRect page{0, 0, width, height};
  if (record.paintProcedure(sample, kMsgSampleFullPage, surface, reinterpret_cast<intptr_t>(&page))) return;
  WindowRect margins{record.margins.left * width / record.paperWidth, record.margins.top * height / record.paperHeight,
                     width - record.margins.right * width / record.paperWidth,
                     height - record.margins.bottom * height / record.paperHeight};
  if (record.paintProcedure(sample, kMsgSampleMinMargins, surface, reinterpret_cast<intptr_t>(&margins))) return;
  record.paintProcedure(sample, kMsgSampleMargins, surface, reinterpret_cast<intptr_t>(&margins));
  if (!record.paintProcedure(sample, kMsgSampleText, surface, reinterpret_cast<intptr_t>(&margins)))
    printer->sampleTextDrawn++;
}

// The dialog's window: the setup procedure sees every message first; the
// dialog then reads a changed margin edit into the record (whole
// millimetres and decimals, anything else 0).
intptr_t pageSetupWindow(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const intptr_t result = activeRecord->setupProcedure(dialog, message, wParam, lParam);
  const int id = static_cast<int>(wParam & 0xFFFF);
  if (message == kMsgCommand && (wParam >> 16) == kNoticeChange && isMarginEdit(id))
    *marginOf(*activeRecord, id) = static_cast<int32_t>(std::strtod(windowOf(itemOf(dialog, id)).text.c_str(), nullptr) * 100);
  return result;
}

void writeMarginEdit(WindowHandle dialog, int id) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", *marginOf(*activeRecord, id) / 100.0);
  sendMessageTo(itemOf(dialog, id), kMsgSetText, 0, reinterpret_cast<intptr_t>(text));
}

SettingsBlock newBlock() {
  printer->liveBlocks++;
  return new char[8];
}

bool runPageSetupDialog(PageSettings& record) {
  printer->pageSetupAsked = record;
  activeRecord = &record;
  RecordingUi& ui = recordingUi();
  ui.editIds = {IDC_PS_WIDTH, IDC_PS_HEIGHT, IDC_PS_LEFT, IDC_PS_TOP, IDC_PS_RIGHT, IDC_PS_BOTTOM};
  WindowHandle dialog = addWindow(record.templateId, record.owner, pageSetupWindow);
  windowOf(itemOf(dialog, IDC_PS_SAMPLE)).rect = WindowRect{0, 0, 141, 200};
  // The opening runs before the dialog has set itself up.
  record.setupProcedure(dialog, kMsgInitDialog, 0, reinterpret_cast<intptr_t>(&record));
  if (!record.printerSettings) record.printerSettings = newBlock();
  if (!record.printerNames) record.printerNames = newBlock();
  if (!(record.flags & kPageSetupMargins)) record.margins = WindowRect{2540, 2540, 2540, 2540};
  for (int id : {IDC_PS_LEFT, IDC_PS_TOP, IDC_PS_RIGHT, IDC_PS_BOTTOM}) writeMarginEdit(dialog, id);
  record.paperWidth = printer->script.paperWidth;
  record.paperHeight = printer->script.paperHeight;
  pumpMessages();
  paintSample(dialog);
  if (printer->script.inPageSetup) printer->script.inPageSetup(dialog);
  windowOf(dialog).alive = false;
  activeRecord = nullptr;
  return printer->script.pageSetupOk;
}

bool runPrintDialog(PrintSettings& record) {
  printer->printDialogs++;
  printer->printAsked = record;
  if (!printer->script.printOk) return false;
  record.deviceContext = paintTargetDevice(printer->target);
  record.copies = printer->script.copies;
  printer->liveDeviceContexts++;
  return true;
}

void freeSettingsBlock(SettingsBlock block) {
  if (!block) return;
  delete[] static_cast<char*>(block);
  printer->liveBlocks--;
}

void deleteDeviceContext(DeviceContext) { printer->liveDeviceContexts--; }
PrintableSize printableSize(DeviceContext) { return PrintableSize{printer->pageWidth, printer->pageHeight}; }

int32_t startDocument(DeviceContext, const char* name) {
  printer->job.push_back(std::string("startdoc ") + name);
  pagesStarted = pagesEnded = 0;
  return printer->script.failStartDocument ? 0 : 7;
}

int32_t startPage(DeviceContext) {
  printer->job.push_back("startpage");
  clearPaintTarget(printer->target);
  return ++pagesStarted == printer->script.failStartPage ? 0 : 1;
}

int32_t endPage(DeviceContext) {
  printer->job.push_back("endpage");
  printer->pages.push_back(paintTargetPixels(printer->target));
  return ++pagesEnded == printer->script.failEndPage ? -1 : 1;
}

int32_t endDocument(DeviceContext) {
  printer->job.push_back("enddoc");
  return 1;
}

const PrinterOps kRecordingPrinterOps = {runPageSetupDialog, runPrintDialog, freeSettingsBlock, deleteDeviceContext,
                                         printableSize,      startDocument,  startPage,         endPage,
                                         endDocument};

}  // namespace

RecordingPrinter& installRecordingPrinter() {
  printer = new RecordingPrinter();
  printer->target = createPaintTarget(printer->pageWidth, printer->pageHeight);
  installPrinterOps(&kRecordingPrinterOps);
  return *printer;
}

void removeRecordingPrinter() {
  if (!printer) return;
  destroyPaintTarget(printer->target);
  delete printer;
  printer = nullptr;
}

void clickOption(WindowHandle dialog, int boxId) {
  RecordedWindow& box = windowOf(itemOf(dialog, boxId));
  box.checked = !box.checked;
  sendMessageTo(dialog, kMsgCommand, static_cast<uintptr_t>(boxId), 0);
  paintSample(dialog);
}

void typeInto(WindowHandle dialog, int editId, const std::string& text) {
  const uintptr_t id = static_cast<uint16_t>(editId);
  sendMessageTo(dialog, kMsgCommand, (static_cast<uintptr_t>(kNoticeSetFocus) << 16) | id, 0);
  sendMessageTo(itemOf(dialog, editId), kMsgSetText, 0, reinterpret_cast<intptr_t>(text.c_str()));
  paintSample(dialog);
  sendMessageTo(dialog, kMsgCommand, (static_cast<uintptr_t>(kNoticeKillFocus) << 16) | id, 0);
  paintSample(dialog);
}

}  // namespace viewer
