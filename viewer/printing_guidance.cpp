// The "Printing guidance" window of the PicturePrinter: a text line and a
// progress bar, shown while the picture is fetched and sent to the printer.
#include "viewer/guidance_window.h"
#include "viewer/picture_printer.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_texts.h"

namespace viewer {

namespace {

void tellText(const char* text) {
  tellGuidanceControl(picturePrinter.progressWindow, IDC_GUIDANCE_TEXT, kMsgSetText, 0, reinterpret_cast<intptr_t>(text));
}

void tellBar(uint32_t message, uintptr_t wParam) {
  tellGuidanceControl(picturePrinter.progressWindow, IDC_PRINT_PROGRESS, message, wParam, 0);
}

}  // namespace

bool openPrintProgress(WindowHandle owner) {
  picturePrinter.progressWindow = openGuidanceWindow(IDD_PRINTING_GUIDANCE, IDC_PRINT_PROGRESS, owner);
  return picturePrinter.progressWindow != nullptr;
}

void showTransmittingText() { tellText(kTransmittingText); }
void showCompletedText() { tellText(kTransmissionCompletedText); }
void setPrintProgressStep(int step) { tellBar(kMsgProgressSetStep, static_cast<uintptr_t>(step)); }
void stepPrintProgress() { tellBar(kMsgProgressStepIt, 0); }
void setPrintProgress(int position) { tellBar(kMsgProgressSetPos, static_cast<uintptr_t>(position)); }

}  // namespace viewer
