// The printing services the viewer's print component is written against:
// the platform's page setup dialog (with the program's template and two
// procedures) and print dialog, the printer's device context and the print
// job on it. One implementation drives Win32 (printer_ops_win32.cpp); the
// tests install a scripted stand-in. The records below are the platform's
// dialog records as the program fills and reads them.
#pragma once

#include <cstdint>

#include "imaging/imaging_layer.h"
#include "viewer/window_ops.h"

namespace viewer {

// A movable memory block of the platform holding a printer's settings or
// names; null for none.
typedef void* SettingsBlock;
using imaging::DeviceContext;

// Page setup flags (platform numbering).
enum : uint32_t {
  kPageSetupMargins = 0x00000002,             // the record's margins are the starting ones
  kPageSetupHundredthsOfMm = 0x00000008,
  kPageSetupEnableSetupHook = 0x00002000,
  kPageSetupEnableTemplate = 0x00008000,
  kPageSetupEnablePaintHook = 0x00040000,
};
// Print dialog flags.
enum : uint32_t { kPrintDialogReturnDc = 0x00000100 };

// The page setup dialog's record. Paper size and margins are in hundredths
// of a millimetre, margins as left, top, right, bottom.
struct PageSettings {
  WindowHandle owner;
  SettingsBlock printerSettings;
  SettingsBlock printerNames;
  uint32_t flags;
  int32_t paperWidth, paperHeight;
  WindowRect margins;
  intptr_t customData;
  MessageHandler setupProcedure;  // dialog opening and commands
  MessageHandler paintProcedure;  // the drawing of the sample page
  int templateId;
};

// The print dialog's record.
struct PrintSettings {
  WindowHandle owner;
  SettingsBlock printerSettings;
  SettingsBlock printerNames;
  DeviceContext deviceContext;  // returned for the chosen printer
  uint32_t flags;
  uint16_t copies;              // the copy count typed in the dialog
};

// The sample page procedure receives, for each drawing of the sample, first
// kMsgSamplePageAbout (lParam: the PageSettings with the dialog's current
// paper and margins), then one message per rectangle of the sample (wParam:
// the sample's DrawingSurface, lParam: the WindowRect). A non-zero result
// means "drawn": the dialog then skips what would follow.
enum : uint32_t {
  kMsgSamplePageAbout = 0x0400,
  kMsgSampleFullPage = 0x0401,
  kMsgSampleMinMargins = 0x0402,
  kMsgSampleMargins = 0x0403,
  kMsgSampleText = 0x0404,
};

struct PrintableSize {
  int32_t width, height;  // pixels
};

struct PrinterOps {
  // Runs the page setup dialog over `record`. Whenever one of the record's
  // procedures runs, the record holds the dialog's current paper size and
  // margins, and margins the procedure writes into it go back to the
  // dialog. The setup procedure receives kMsgInitDialog with lParam pointing
  // to the record. On OK the record holds the final settings; true then.
  bool (*runPageSetupDialog)(PageSettings& record);
  // Runs the print dialog over `record`; true on OK.
  bool (*runPrintDialog)(PrintSettings& record);
  void (*freeSettingsBlock)(SettingsBlock block);
  void (*deleteDeviceContext)(DeviceContext dc);
  PrintableSize (*printableSize)(DeviceContext dc);
  // The print job: a document start returns the job number; every call
  // returns 0 or less on failure.
  int32_t (*startDocument)(DeviceContext dc, const char* documentName);
  int32_t (*startPage)(DeviceContext dc);
  int32_t (*endPage)(DeviceContext dc);
  int32_t (*endDocument)(DeviceContext dc);
};

void installPrinterOps(const PrinterOps* ops);
const PrinterOps& printerOps();

}  // namespace viewer
