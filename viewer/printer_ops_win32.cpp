// The printing services over Win32: the common dialogs' page setup dialog
// (the program's template, both hooks forwarded to the viewer's procedures)
// and print dialog, and the print job on the printer's device context.
#include <windows.h>
#include <commdlg.h>

#include "viewer/window_ops_win32.h"

namespace viewer {

namespace {

// The 64-bit test build (for hosts whose Wine runs no 32-bit programs) has
// the wider record of its platform.
static_assert(sizeof(PAGESETUPDLGA) == (sizeof(void*) == 4 ? 84 : 128), "the page setup record of the platform");

// One page setup dialog runs at a time, on the user-interface thread.
PageSettings* activeRecord = nullptr;
// The platform's record as the dialog's hooks last received it.
PAGESETUPDLGA* liveRecord = nullptr;
// Hook calls made while another runs (the program's writes into edits
// raise the dialog's notices at once) leave the records alone: the dialog
// updates its own record in between, and only the outermost call's
// changes are the program's.
int hookDepth = 0;

void pullFromDialog() {
  if (!liveRecord || !activeRecord) return;
  activeRecord->paperWidth = liveRecord->ptPaperSize.x;
  activeRecord->paperHeight = liveRecord->ptPaperSize.y;
  const RECT& m = liveRecord->rtMargin;
  activeRecord->margins = WindowRect{m.left, m.top, m.right, m.bottom};
}

bool sameMargins(const WindowRect& a, const WindowRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Runs a procedure with the record current; margins it wrote go back to
// the dialog.
intptr_t withRecord(MessageHandler procedure, HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (hookDepth > 0 || !activeRecord) return procedure(window, message, wParam, lParam);
  pullFromDialog();
  const WindowRect before = activeRecord->margins;
  ++hookDepth;
  const intptr_t result = procedure(window, message, wParam, lParam);
  --hookDepth;
  const WindowRect& after = activeRecord->margins;
  if (liveRecord && !sameMargins(before, after)) liveRecord->rtMargin = RECT{after.left, after.top, after.right, after.bottom};
  return result;
}

UINT_PTR CALLBACK setupHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!activeRecord || !activeRecord->setupProcedure) return 0;
  if (message == WM_INITDIALOG) {
    liveRecord = reinterpret_cast<PAGESETUPDLGA*>(lParam);
    return withRecord(activeRecord->setupProcedure, dialog, message, wParam, reinterpret_cast<intptr_t>(activeRecord));
  }
  return withRecord(activeRecord->setupProcedure, dialog, message, wParam, lParam);
}

UINT_PTR CALLBACK paintHook(HWND sample, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!activeRecord || !activeRecord->paintProcedure) return 0;
  if (message == WM_PSD_PAGESETUPDLG) {
    liveRecord = reinterpret_cast<PAGESETUPDLGA*>(lParam);
    return withRecord(activeRecord->paintProcedure, sample, kMsgSamplePageAbout, 0,
                      reinterpret_cast<intptr_t>(activeRecord));
  }
  if (message >= WM_PSD_FULLPAGERECT && message <= WM_PSD_YAFULLPAGERECT) {
    const RECT* r = reinterpret_cast<const RECT*>(lParam);
    WindowRect drawn{r->left, r->top, r->right, r->bottom};
    return activeRecord->paintProcedure(sample, message, wParam, reinterpret_cast<intptr_t>(&drawn));
  }
  return 0;
}

bool runPageSetupDialog(PageSettings& record) {
  PAGESETUPDLGA settings = {};
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = static_cast<HWND>(record.owner);
  settings.hDevMode = record.printerSettings;
  settings.hDevNames = record.printerNames;
  settings.Flags = record.flags;
  settings.ptPaperSize = POINT{record.paperWidth, record.paperHeight};
  settings.rtMargin = RECT{record.margins.left, record.margins.top, record.margins.right, record.margins.bottom};
  settings.hInstance = GetModuleHandleA(nullptr);
  settings.lCustData = static_cast<LPARAM>(record.customData);
  settings.lpfnPageSetupHook = setupHook;
  settings.lpfnPagePaintHook = paintHook;
  settings.lpPageSetupTemplateName = MAKEINTRESOURCEA(record.templateId);
  activeRecord = &record;
  liveRecord = &settings;
  hookDepth = 0;
  const BOOL confirmed = PageSetupDlgA(&settings);
  activeRecord = nullptr;
  liveRecord = nullptr;
  // The blocks the dialog made are the caller's to free, also after Cancel.
  record.printerSettings = settings.hDevMode;
  record.printerNames = settings.hDevNames;
  if (!confirmed) return false;
  record.paperWidth = settings.ptPaperSize.x;
  record.paperHeight = settings.ptPaperSize.y;
  record.margins = WindowRect{settings.rtMargin.left, settings.rtMargin.top, settings.rtMargin.right,
                              settings.rtMargin.bottom};
  return true;
}

bool runPrintDialog(PrintSettings& record) {
  PRINTDLGA settings = {};
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = static_cast<HWND>(record.owner);
  settings.hDevMode = record.printerSettings;
  settings.hDevNames = record.printerNames;
  settings.Flags = record.flags;
  const BOOL confirmed = PrintDlgA(&settings);
  record.printerSettings = settings.hDevMode;
  record.printerNames = settings.hDevNames;
  if (!confirmed) return false;
  record.deviceContext = settings.hDC;
  record.copies = settings.nCopies;
  return true;
}

void freeSettingsBlock(SettingsBlock block) {
  if (block) GlobalFree(block);
}

void deleteDeviceContext(DeviceContext dc) {
  if (dc) DeleteDC(static_cast<HDC>(dc));
}

PrintableSize printableSize(DeviceContext dc) {
  HDC device = static_cast<HDC>(dc);
  return PrintableSize{GetDeviceCaps(device, HORZRES), GetDeviceCaps(device, VERTRES)};
}

int32_t startDocument(DeviceContext dc, const char* documentName) {
  DOCINFOA document = {};
  document.cbSize = sizeof document;
  document.lpszDocName = documentName;
  return StartDocA(static_cast<HDC>(dc), &document);
}

int32_t startPage(DeviceContext dc) { return StartPage(static_cast<HDC>(dc)); }
int32_t endPage(DeviceContext dc) { return EndPage(static_cast<HDC>(dc)); }
int32_t endDocument(DeviceContext dc) { return EndDoc(static_cast<HDC>(dc)); }

const PrinterOps kWin32PrinterOps = {runPageSetupDialog, runPrintDialog, freeSettingsBlock, deleteDeviceContext,
                                     printableSize,      startDocument,  startPage,         endPage,
                                     endDocument};

}  // namespace

const PrinterOps* win32PrinterOps() { return &kWin32PrinterOps; }

}  // namespace viewer
