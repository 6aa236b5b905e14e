// A scripted stand-in for the printing services: a page setup dialog that
// runs the program's two procedures in the order Wine's does (opening
// first, then the dialog's own set-up, then the sample page drawn after
// every command, the margin edits read back into the record on each
// change), a print dialog answered from a script, and a print job whose
// pages are painted on a paint target and kept.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/imaging/paint_target.h"
#include "viewer/printer_ops.h"

namespace viewer {

struct PrinterScript {
  int32_t paperWidth = 21000, paperHeight = 29700;  // A4 portrait
  std::function<void(WindowHandle dialog)> inPageSetup;  // the user's actions
  bool pageSetupOk = true;
  bool printOk = true;
  uint16_t copies = 1;
  // Calls that fail (0 for none): the document start, or the n-th page
  // start or end.
  bool failStartDocument = false;
  int failStartPage = 0;
  int failEndPage = 0;
};

struct RecordingPrinter {
  PrinterScript script;
  std::vector<std::string> job;  // "startdoc NAME", "startpage", "endpage", "enddoc"
  std::vector<std::vector<uint8_t>> pages;
  PaintTarget* target = nullptr;  // the printer's page
  int32_t pageWidth = 827, pageHeight = 1170;
  int liveBlocks = 0;         // settings blocks made and not freed
  int liveDeviceContexts = 0;
  int printDialogs = 0;
  PageSettings pageSetupAsked{};  // the record as the program gave it
  PrintSettings printAsked{};
  int sampleTextDrawn = 0;    // the dialog drew its sample text
  int samplePaints = 0;
};

RecordingPrinter& installRecordingPrinter();
void removeRecordingPrinter();

// The user's actions in the stand-in page setup dialog.
void clickOption(WindowHandle dialog, int boxId);
void typeInto(WindowHandle dialog, int editId, const std::string& text);

}  // namespace viewer
