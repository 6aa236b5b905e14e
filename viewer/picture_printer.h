// PicturePrinter: prints the frozen picture, one sheet per copy, at the
// size and place set in millimetres in the page setup dialog. The mini
// panel runs it (see picture_output.h) in this order: reset and setSize
// with the zoom level, pageSetup and printDialog (both confirmed, else
// straight to cleanup), openProgress and showTransmittingText, print with
// the full-size picture, setProgress 100 and showCompletedText, and cleanup
// in every case. Everything runs on the user-interface thread.
#pragma once

#include <cstdint>

#include "imaging/imaging_layer.h"
#include "viewer/picture_output.h"
#include "viewer/printer_ops.h"
#include "viewer/window_ops.h"

namespace viewer {

struct PicturePrinter {
  int32_t sizeIndex;   // size of the pixels handed over: 0 full, 1 half, 2 quarter
  int32_t lastEdited;  // kEdited... : which value was typed last in the dialog
  PrintSettings printSettings;
  PageSettings pageSettings;
  imaging::LibraryBitmap libraryBitmap;
  imaging::BitmapInfoHeader bitmapInfo;  // top-down from setSize; print turns it positive
  int32_t bitmapAllocated;           // non-zero while libraryBitmap holds an allocation
  int32_t keepAspect;                // "Maintain aspect ratio" (4:3)
  int32_t fullPage;                  // "Use full page"
  int32_t centreOnPage;              // "Center on page"
  int32_t echoGuard;                 // stops the width/height echo after one exchange
  int32_t paperWidth, paperHeight;   // hundredths of a millimetre
  int32_t marginLeft, marginTop, marginRight, marginBottom;  // may be negative
  WindowRect sampleRect;             // client area of the sample page, pixels
  uint32_t pictureWidth, pictureHeight;  // whole millimetres
  WindowHandle setupWindow;          // the page setup dialog while it is open
  WindowHandle progressWindow;       // the "Printing guidance" window, or null
};

extern PicturePrinter picturePrinter;

// lastEdited values.
enum : int32_t {
  kEditedNone = 0,
  kEditedLeft = 1,
  kEditedRight = 2,
  kEditedTop = 3,
  kEditedBottom = 4,
  kEditedWidth = 5,
  kEditedHeight = 6,
};

enum : uint32_t { kDefaultPictureWidth = 180, kDefaultPictureHeight = 135 };

// 180 x 135 mm, size 0, options and echo guard off, lastEdited 0, no
// progress window; paper size and margins keep their last values.
bool resetPicturePrinter();
// Ignores an index outside 0..2; otherwise stores it and rebuilds
// bitmapInfo (top-down).
void setPrintSize(int index);
// The extended page setup dialog owned by `owner`; true on OK.
bool pageSetup(WindowHandle owner);
// The print dialog owned by `owner`, starting from the printer chosen in
// the page setup; true on OK (then the device context and copy count are in
// printSettings).
bool printDialog(WindowHandle owner);
// The modeless "Printing guidance" window owned by `owner`; true if created.
bool openPrintProgress(WindowHandle owner);
void showTransmittingText();
void showCompletedText();
void setPrintProgressStep(int step);
void stepPrintProgress();
void setPrintProgress(int position);
// The print job with the full-size top-down pixels; reports every failure
// itself and returns true in every case.
bool printPicture(const uint8_t* pixels);
// Frees the library bitmap and the two settings blocks, destroys the
// progress window and deletes the printer's device context.
void cleanupPicturePrinter();

// The page setup dialog's two procedures.
intptr_t pageSetupHandler(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t samplePageHandler(WindowHandle sample, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The print component as the mini panel drives it.
extern const PictureOutputComponent picturePrinterOutput;

}  // namespace viewer
