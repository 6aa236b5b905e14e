#include "viewer/image_saver.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "viewer/viewer_state.h"
#include "viewer/viewer_texts.h"

namespace viewer {

ImageSaver imageSaver;

namespace {

ImageSaver& saver = imageSaver;

bool libraryFailure() {
  plat::showMessage(nullptr, kLibraryText, kLibraryCaption, plat::kMbOk | plat::kMbIconError);
  return false;
}

// The format follows the last three characters of the file name, lower
// case (changed in fileTitle itself; filePath keeps its letters). A name of
// fewer than three characters has no extension.
const char* takeExtension(char extension[4]) {
  const size_t length = std::strlen(saver.fileTitle);
  extension[0] = 0;
  if (length < 3) return extension;
  char* last = saver.fileTitle + length - 3;
  for (int i = 0; i < 3; ++i) last[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(last[i])));
  std::memcpy(extension, last, 4);
  return extension;
}

}  // namespace

bool resetImageSaver() {
  saver.sizeIndex = 0;
  saver.progressWindow = nullptr;
  return true;
}

void setSaveSize(int index) {
  if (index < 0 || index > 2) return;
  saver.sizeIndex = index;
  const int32_t width = zoomWidth(index), height = zoomHeight(index);
  // Height positive: the rows are declared bottom row first.
  saver.bitmapInfo = imaging::BitmapInfoHeader{40, width, height, 1, 24, 0,
                                           imaging::bitmapRowBytes(24, static_cast<uint32_t>(width)) * static_cast<uint32_t>(height),
                                           0, 0, 0, 0};
}

int getSaveSize() { return saver.sizeIndex; }

bool saveImage(const uint8_t* pixels) {
  const int32_t width = saver.bitmapInfo.width, height = saver.bitmapInfo.height;
  saver.bitmapAllocated = imaging::allocateBitmap(&saver.libraryBitmap, width, height, 24);
  if (!saver.bitmapAllocated) return libraryFailure();
  if (imaging::takePixels(&saver.libraryBitmap, saver.bitmapInfo, pixels) != 1) return libraryFailure();
  if (imaging::setBitmapSize(&saver.libraryBitmap, width, height) != 1) return libraryFailure();
  // The top-down rows were declared bottom row first: this turns the
  // picture the right way up again.
  imaging::flipBitmap(&saver.libraryBitmap);

  char extension[4];
  takeExtension(extension);
  int32_t format, quality;
  if (std::strcmp(extension, "bmp") == 0) {
    format = imaging::kFormatBitmap;
    quality = imaging::kQualityBitmap;
  } else if (std::strcmp(extension, "jpg") == 0) {
    format = imaging::kFormatJpeg;
    quality = imaging::kQualityJpegHigh;
  } else {
    char text[160];
    std::snprintf(text, sizeof text, kSaveFormatText, extension);
    plat::showMessage(nullptr, text, kSaveFormatCaption, plat::kMbOk | plat::kMbIconError);
    return false;
  }
  if (imaging::writeBitmapFile(saver.filePath, &saver.libraryBitmap, format, 24, quality) != 1)
    return libraryFailure();
  return true;
}

void cleanupImageSaver() {
  if (saver.bitmapAllocated) {
    imaging::freeBitmap(&saver.libraryBitmap);
    saver.bitmapAllocated = 0;
  }
  if (saver.progressWindow) {
    windowOps().destroyWindow(saver.progressWindow);
    saver.progressWindow = nullptr;
  }
}

namespace {

void outputReset(int zoomLevel) {
  resetImageSaver();
  setSaveSize(zoomLevel);
}

void outputOpenProgress(WindowHandle owner) {
  openSaveProgress(owner);
  showSavingText();
}

bool outputWrite(const uint8_t* pixels, int) { return saveImage(pixels); }

void progressStep(void*, int step) { setSaveProgressStep(step); }
void progressAdvance(void*) { stepSaveProgress(); }
const devlink::ProgressSink kFetchProgress = {nullptr, progressStep, progressAdvance};

}  // namespace

const PictureOutputComponent imageSaverOutput = {
    outputReset,     chooseSaveFile,      getSaveSize,      setSaveSize,  outputOpenProgress,
    setSaveProgress, showSavingEndedText, &kFetchProgress,  outputWrite,  cleanupImageSaver,
};

}  // namespace viewer
