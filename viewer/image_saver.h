// ImageSaver: saves the frozen picture as a BMP or JPEG file at full, half
// or quarter size. The mini panel runs it (see picture_output.h) in this
// order: reset and setSize with the zoom level, chooseFile (the Save As
// dialog with its size choice), openProgress and showSavingText, save with
// the picture of the chosen size, setProgress 100 and showEndedText, and
// cleanup in every case. Everything runs on the user-interface thread.
#pragma once

#include <cstdint>

#include "imaging/imaging_layer.h"
#include "viewer/picture_output.h"
#include "viewer/window_ops.h"

namespace viewer {

enum : uint32_t { kSavePathChars = 260 };

struct ImageSaver {
  char filePath[kSavePathChars];   // full path chosen in the dialog
  char fileTitle[kSavePathChars];  // the file name without its folder
  int32_t sizeIndex;               // 0 full, 1 half, 2 quarter
  imaging::LibraryBitmap libraryBitmap;
  imaging::BitmapInfoHeader bitmapInfo;
  int32_t bitmapAllocated;         // non-zero while libraryBitmap holds an allocation
  WindowHandle progressWindow;     // the "Saving guidance" window, or null
};

extern ImageSaver imageSaver;

bool resetImageSaver();
// Ignores an index outside 0..2; otherwise stores it and rebuilds bitmapInfo.
void setSaveSize(int index);
int getSaveSize();
// The Save As dialog owned by `owner`; true when the user confirmed a name.
bool chooseSaveFile(WindowHandle owner);
// The modeless "Saving guidance" window owned by `owner`; true if created.
bool openSaveProgress(WindowHandle owner);
void showSavingText();
void showSavingEndedText();
void setSaveProgressStep(int step);
void stepSaveProgress();
void setSaveProgress(int position);
// Hands the top-down 24-bit pixels of the current size to the imaging layer
// and writes the file; reports every failure itself.
bool saveImage(const uint8_t* pixels);
// Frees the library bitmap and destroys the progress window.
void cleanupImageSaver();

// The hook procedure of the Save As dialog's size panel.
intptr_t saveAsPanelHandler(WindowHandle panel, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The save component as the mini panel drives it.
extern const PictureOutputComponent imageSaverOutput;

}  // namespace viewer
