// The "Saving guidance" window of the ImageSaver: a text line and a
// progress bar, shown while a picture is fetched and written.
#include "viewer/guidance_window.h"
#include "viewer/image_saver.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_texts.h"

namespace viewer {

namespace {

void tellText(const char* text) {
  tellGuidanceControl(imageSaver.progressWindow, IDC_GUIDANCE_TEXT, kMsgSetText, 0, reinterpret_cast<intptr_t>(text));
}

void tellBar(uint32_t message, uintptr_t wParam) {
  tellGuidanceControl(imageSaver.progressWindow, IDC_SAVE_PROGRESS, message, wParam, 0);
}

}  // namespace

bool openSaveProgress(WindowHandle owner) {
  imageSaver.progressWindow = openGuidanceWindow(IDD_SAVING_GUIDANCE, IDC_SAVE_PROGRESS, owner);
  return imageSaver.progressWindow != nullptr;
}

void showSavingText() { tellText(kSavingText); }
void showSavingEndedText() { tellText(kSavingEndedText); }
void setSaveProgressStep(int step) { tellBar(kMsgProgressSetStep, static_cast<uintptr_t>(step)); }
void stepSaveProgress() { tellBar(kMsgProgressStepIt, 0); }
void setSaveProgress(int position) { tellBar(kMsgProgressSetPos, static_cast<uintptr_t>(position)); }

}  // namespace viewer
