// The "Saving guidance" window of the ImageSaver: a text line and a
// progress bar, shown while a picture is fetched and written.
#include "viewer/guidance_window.h"
#include "viewer/image_saver.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_texts.h"

using viewer::tellGuidanceControl;

bool openSaveProgress(WindowHandle owner) {
  imageSaver.progressWindow = viewer::openGuidanceWindow(IDD_SAVING_GUIDANCE, IDC_SAVE_PROGRESS, owner);
  return imageSaver.progressWindow != nullptr;
}

void showSavingText() {
  tellGuidanceControl(imageSaver.progressWindow, IDC_GUIDANCE_TEXT, kMsgSetText, 0, reinterpret_cast<intptr_t>(kSavingText));
}

void showSavingEndedText() {
  tellGuidanceControl(imageSaver.progressWindow, IDC_GUIDANCE_TEXT, kMsgSetText, 0,
                      reinterpret_cast<intptr_t>(kSavingEndedText));
}

void setSaveProgressStep(int step) {
  tellGuidanceControl(imageSaver.progressWindow, IDC_SAVE_PROGRESS, kMsgProgressSetStep, static_cast<uintptr_t>(step), 0);
}
void stepSaveProgress() { tellGuidanceControl(imageSaver.progressWindow, IDC_SAVE_PROGRESS, kMsgProgressStepIt, 0, 0); }
void setSaveProgress(int position) {
  tellGuidanceControl(imageSaver.progressWindow, IDC_SAVE_PROGRESS, kMsgProgressSetPos, static_cast<uintptr_t>(position), 0);
}
