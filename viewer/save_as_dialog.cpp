// The Save As dialog of the ImageSaver: the platform's save-file dialog
// with a panel below its standard controls that chooses the picture size.
// A click on a size posts SaveSizeChosen to the dialog's owner (the mini
// panel), which passes it to setSaveSize while the dialog is still open.
#include <cstring>

#include "platform/platform.h"
#include "viewer/image_saver.h"
#include "viewer/viewer_resources.h"
#include "viewer/viewer_state.h"

namespace viewer {

namespace {

// Filters, the first selected: bitmaps, JPEG files, everything.
const char kSaveFilters[] = "Bitmap Files (*.bmp)\0*.bmp\0Jpeg Files (*.jpg)\0*.jpg\0All Files\0*.*\0";

WindowHandle dialogOwner = nullptr;  // remembered when the dialog opens

}  // namespace

bool chooseSaveFile(WindowHandle owner) {
  std::memset(imageSaver.filePath, 0, sizeof imageSaver.filePath);
  std::memset(imageSaver.fileTitle, 0, sizeof imageSaver.fileTitle);
  char folder[kSavePathChars] = {0};
  plat::currentDirectory(folder, sizeof folder);
  SaveFileRequest request{};
  request.owner = owner;
  request.filters = kSaveFilters;
  request.filterIndex = 1;
  request.defaultExtension = "bmp";
  request.initialFolder = folder;
  request.flags = kFileDialogExplorer | kFileDialogOverwritePrompt | kFileDialogPathMustExist;
  request.templateName = SAVE_AS_TEMPLATE;
  request.hook = saveAsPanelHandler;
  request.customData = imageSaver.sizeIndex;
  request.path = imageSaver.filePath;
  request.pathSize = kSavePathChars;
  request.title = imageSaver.fileTitle;
  request.titleSize = kSavePathChars;
  return windowOps().runSaveFileDialog(request);
}

intptr_t saveAsPanelHandler(WindowHandle panel, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const WindowOps& ui = windowOps();
  if (message == kMsgInitDialog) {
    const FileDialogOpening* opening = reinterpret_cast<const FileDialogOpening*>(lParam);
    dialogOwner = opening->owner;
    const int size = static_cast<int>(opening->customData);
    if (size >= 0 && size <= 2) ui.sendMessage(ui.dialogItem(panel, IDC_SIZE_FULL + size), kMsgButtonSetCheck, 1, 0);
    return 1;
  }
  if (message == kMsgCommand) {
    const int id = static_cast<int>(wParam & 0xFFFF);
    const bool clicked = (wParam >> 16) == 0;
    if (clicked && id >= IDC_SIZE_FULL && id <= IDC_SIZE_QUARTER) {
      ui.postMessage(dialogOwner, kMsgSaveSizeChosen, 0, id - IDC_SIZE_FULL);
      return 1;
    }
  }
  return 0;
}

}  // namespace viewer
