// The "Saving guidance" window of the ImageSaver: a text line and a
// progress bar, shown while a picture is fetched and written.
#include "viewer/image_saver.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_texts.h"

namespace viewer {

namespace {

// Sends a message to one of the window's controls and paints it at once:
// the save runs without returning to the message loop, so nothing would
// show the change until it is over.
void tellControl(int controlId, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!imageSaver.progressWindow) return;
  const WindowOps& ui = windowOps();
  WindowHandle control = ui.dialogItem(imageSaver.progressWindow, controlId);
  if (!control) return;
  ui.sendMessage(control, message, wParam, lParam);
  ui.updateWindow(control);
}

intptr_t guidanceHandler(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  if (message != kMsgInitDialog) return 0;
  const WindowOps& ui = windowOps();
  WindowHandle bar = ui.dialogItem(window, IDC_SAVE_PROGRESS);
  ui.sendMessage(bar, kMsgProgressSetRange, 0, static_cast<intptr_t>(100) << 16);
  ui.sendMessage(bar, kMsgProgressSetPos, 0, 0);
  return 1;
}

}  // namespace

bool openSaveProgress(WindowHandle owner) {
  const WindowOps& ui = windowOps();
  imageSaver.progressWindow = ui.createDialog(IDD_SAVING_GUIDANCE, owner, guidanceHandler);
  if (imageSaver.progressWindow) ui.updateWindow(imageSaver.progressWindow);
  return imageSaver.progressWindow != nullptr;
}

void showSavingText() { tellControl(IDC_GUIDANCE_TEXT, kMsgSetText, 0, reinterpret_cast<intptr_t>(kSavingText)); }

void showSavingEndedText() {
  tellControl(IDC_GUIDANCE_TEXT, kMsgSetText, 0, reinterpret_cast<intptr_t>(kSavingEndedText));
}

void setSaveProgressStep(int step) { tellControl(IDC_SAVE_PROGRESS, kMsgProgressSetStep, static_cast<uintptr_t>(step), 0); }
void stepSaveProgress() { tellControl(IDC_SAVE_PROGRESS, kMsgProgressStepIt, 0, 0); }
void setSaveProgress(int position) {
  tellControl(IDC_SAVE_PROGRESS, kMsgProgressSetPos, static_cast<uintptr_t>(position), 0);
}

}  // namespace viewer
