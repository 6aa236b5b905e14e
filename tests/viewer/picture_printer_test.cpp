// Printing the frozen picture through the mini panel's Print button: the
// page setup dialog driven in the order Wine drives it, the print dialog,
// the pages painted (the picture's place and orientation checked on each),
// the progress window, the camera traffic, every failure with its message,
// Cancel in either dialog, and what cleanup leaves behind.
#include <algorithm>
#include <cstdlib>

#include "imaging/imaging_layer.h"
#include "tests/imaging/picture_files.h"
#include "tests/viewer/recording_printer.h"
#include "tests/viewer/viewer_fixture.h"
#include "viewer/picture_printer.h"
#include "viewer/print_layout.h"

using namespace viewer;

namespace {

// The progress window's events (from its creation on), the chunk steps of
// a fetch counted as one "stepit xN".
std::string progressEvents(const std::vector<std::string>& events) {
  std::vector<std::string> kept;
  bool started = false;
  int steps = 0;
  for (const std::string& e : events) {
    started = started || e == "range 100";
    if (!started) continue;
    if (e == "stepit") {
      ++steps;
      continue;
    }
    if (steps) kept.push_back("stepit x" + std::to_string(steps));
    steps = 0;
    kept.push_back(e);
  }
  return joinedEvents(kept);
}

const char kTransmitting[] = "text 752 It is in the process of transmitting an image with the printer.";
const char kCompleted[] = "text 752 It completed a transmission with the printer.";

}  // namespace

class PicturePrinterTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    miniPanelState.printComponent = &picturePrinterOutput;
    picturePrinter = PicturePrinter{};
    pageSetupShared = PageSetupShared{};
    imaging::clearFailureRequests();
    printer = &installRecordingPrinter();
  }
  void TearDown() override {
    imaging::clearFailureRequests();
    removeRecordingPrinter();
    ViewerTest::TearDown();
  }
  void startFrozen() {
    startViewer();
    ASSERT_TRUE(freezePicture());
  }
  void print() {
    ui->boxes.clear();
    ui->controlEvents.clear();
    printer->job.clear();
    printer->pages.clear();
    clickButton(viewerState.miniPanel, IDC_PRINT);
  }
  // After every print: nothing left open or allocated.
  void expectCleanedUp() {
    EXPECT_EQ(findWindow(IDD_PRINTING_GUIDANCE), nullptr);
    EXPECT_EQ(picturePrinter.progressWindow, nullptr);
    EXPECT_EQ(picturePrinter.bitmapAllocated, 0);
    EXPECT_EQ(picturePrinter.libraryBitmap.rows, nullptr);
    EXPECT_EQ(printer->liveBlocks, 0);
    EXPECT_EQ(printer->liveDeviceContexts, 0);
    EXPECT_EQ(picturePrinter.printSettings.deviceContext, nullptr);
    EXPECT_EQ(framePipeline.captureImage, nullptr);
  }
  void expectOneBox(const char* text, const char* caption) {
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, text);
    EXPECT_EQ(ui->boxes[0].caption, caption);
    EXPECT_EQ(ui->boxes[0].flags, plat::kMbOk | plat::kMbIconError);
    EXPECT_EQ(ui->boxes[0].owner, nullptr);
  }
  std::string shown(WindowHandle dialog, int id) { return windowOf(itemOf(dialog, id)).text; }

  RecordingPrinter* printer = nullptr;
};

TEST_F(PicturePrinterTest, HalfSizeDisplayPrintsAFreshFullStillOnEachCopyWhereTheLayoutPutsIt) {
  startFrozen();
  const int selects = camera.selects;
  std::string opened, typed;
  printer->script.copies = 2;
  printer->script.inPageSetup = [&](WindowHandle dialog) {
    opened = shown(dialog, IDC_PS_WIDTH) + " " + shown(dialog, IDC_PS_HEIGHT) + " " + shown(dialog, IDC_PS_LEFT) +
             " " + shown(dialog, IDC_PS_RIGHT) + " " + shown(dialog, IDC_PS_TOP) + " " + shown(dialog, IDC_PS_BOTTOM);
    clickOption(dialog, IDC_PS_ASPECT);
    typeInto(dialog, IDC_PS_WIDTH, "200");
    typed = shown(dialog, IDC_PS_HEIGHT);
  };
  // Left set by a dialog closed with Enter in a margin edit: the new
  // dialog's own writes into its margin edits are still not typing.
  pageSetupShared.marginFocus = 1;
  print();

  // The page setup dialog as it was asked for, and what it showed.
  const PageSettings& asked = printer->pageSetupAsked;
  EXPECT_EQ(asked.owner, viewerState.miniPanel.load());
  EXPECT_EQ(asked.templateId, IDD_PAGE_SETUP);
  EXPECT_EQ(asked.flags, kPageSetupHundredthsOfMm | kPageSetupEnableTemplate | kPageSetupEnableSetupHook |
                             kPageSetupEnablePaintHook | kPageSetupMargins);
  EXPECT_EQ(asked.customData, reinterpret_cast<intptr_t>(&picturePrinter));
  EXPECT_EQ(opened, "180 135 15mm 15mm 81mm 81mm");
  EXPECT_EQ(typed, "150");
  EXPECT_EQ(picturePrinter.pictureWidth, 200u);
  EXPECT_EQ(picturePrinter.pictureHeight, 150u);
  // The picture was drawn on every sample page, and never the sample text.
  EXPECT_GE(ui->sampleStretches.size(), static_cast<size_t>(printer->samplePaints));
  EXPECT_EQ(printer->sampleTextDrawn, 0);
  // The print dialog started from the page setup's printer.
  EXPECT_EQ(printer->printDialogs, 1);
  EXPECT_EQ(printer->printAsked.flags, kPrintDialogReturnDc);
  EXPECT_NE(printer->printAsked.printerSettings, nullptr);

  // A full-size still fetched: 2359296 bytes, 80 / (18 + 1) = 4 a chunk
  // read (the fake camera's frame comes in 12).
  EXPECT_EQ(camera.selects, selects + 1);
  EXPECT_EQ(camera.lastSize, 0);
  EXPECT_EQ(progressEvents(ui->controlEvents),
            joinedEvents({"range 100", "pos 0", kTransmitting, "step 4", "stepit x12", "pos 80", "pos 100", kCompleted}));

  EXPECT_EQ(joinedEvents(printer->job),
            joinedEvents({"startdoc ZEL-B50 Printing Picture", "startpage", "endpage", "startpage", "endpage", "enddoc"}));
  ASSERT_EQ(printer->pages.size(), 2u);
  const PageSettings& record = picturePrinter.pageSettings;
  const PagePlacement at = placeOnPage(record.margins.left, record.margins.top, record.paperWidth, record.paperHeight,
                                       200, 150, printer->pageWidth, printer->pageHeight);
  EXPECT_EQ(at.x, (1500 - 50) * 827 / 21000);
  for (const std::vector<uint8_t>& page : printer->pages) {
    const PaintedBox box = paintedBox(page, printer->pageWidth, printer->pageHeight);
    EXPECT_EQ(box.left, at.x);
    EXPECT_EQ(box.top, at.y);
    EXPECT_EQ(box.right, std::min(at.x + at.width, printer->pageWidth));
    EXPECT_EQ(box.bottom, at.y + at.height);
  }
  EXPECT_TRUE(ui->boxes.empty());
  expectCleanedUp();
  EXPECT_EQ(acquisitionThread.pauseRequested, 0);
}

TEST_F(PicturePrinterTest, FullSizeDisplayPrintsTheFrozenPictureWithoutCameraTraffic) {
  startFrozen();
  clickButton(viewerState.miniPanel, IDC_ZOOM_FULL);  // answered Yes: the capture is released
  pumpMessages();
  ASSERT_TRUE(freezePicture());
  const int transfers = camera.transfers;
  // A frozen picture that differs from itself upside down.
  const std::vector<uint8_t> picture = testPicture(1024, 768);
  std::copy(picture.begin(), picture.end(), framePipeline.liveImage);
  printer->script.inPageSetup = [](WindowHandle dialog) { clickOption(dialog, IDC_PS_FULL_PAGE); };
  print();
  EXPECT_EQ(camera.transfers, transfers);
  EXPECT_EQ(progressEvents(ui->controlEvents),
            joinedEvents({"range 100", "pos 0", kTransmitting, "pos 80", "pos 100", kCompleted}));
  ASSERT_EQ(printer->pages.size(), 1u);
  // The full page without aspect ratio: from the corner, beyond the page.
  const std::vector<uint8_t>& page = printer->pages[0];
  const PaintedBox box = paintedBox(page, printer->pageWidth, printer->pageHeight);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, printer->pageWidth);
  EXPECT_EQ(box.bottom, printer->pageHeight);
  // Each page pixel is (near) the frozen picture's pixel under it, the
  // right way up (the platform's stretching may average neighbours).
  const PagePlacement at = placeOnPage(0, 0, 21000, 29700, 210, 297, printer->pageWidth, printer->pageHeight);
  double upright = 0, upsideDown = 0;
  int samples = 0;
  for (int y = 5; y < printer->pageHeight; y += 97) {
    for (int x = 3; x < printer->pageWidth; x += 89) {
      const int column = (2 * x + 1) * 1024 / (2 * at.width), row = (2 * y + 1) * 768 / (2 * at.height);
      const uint8_t* printed = &page[(static_cast<size_t>(y) * printer->pageWidth + x) * 3];
      for (int c = 0; c < 3; ++c) {
        upright += std::abs(printed[c] - picture[(row * 1024 + column) * 3 + c]);
        upsideDown += std::abs(printed[c] - picture[((767 - row) * 1024 + column) * 3 + c]);
      }
      samples += 3;
    }
  }
  EXPECT_LT(upright / samples, 8.0);
  EXPECT_GT(upsideDown / samples, 3 * upright / samples + 10.0);
  expectCleanedUp();
}

TEST_F(PicturePrinterTest, CancelInEitherDialogPrintsNothingAndShowsNoProgress) {
  startFrozen();
  const int selects = camera.selects;
  printer->script.pageSetupOk = false;
  print();
  EXPECT_EQ(printer->printDialogs, 0);
  printer->script.pageSetupOk = true;
  printer->script.printOk = false;
  print();
  EXPECT_EQ(printer->printDialogs, 1);
  EXPECT_TRUE(printer->job.empty());
  EXPECT_EQ(progressEvents(ui->controlEvents), "");
  EXPECT_EQ(camera.selects, selects);
  for (const RecordedWindow& w : ui->windows) EXPECT_NE(w.templateId, IDD_PRINTING_GUIDANCE);
  expectCleanedUp();
}

TEST_F(PicturePrinterTest, EachFailureIsReportedTheJobIsClosedAndTheNextPrintWorks) {
  startFrozen();
  struct Case {
    const char* name;
    std::function<void()> arrange;
    const char* text;
    const char* caption;
    std::vector<std::string> job;
  };
  const std::string doc = "startdoc ZEL-B50 Printing Picture";
  const std::vector<Case> cases = {
      {"document start", [this] { printer->script.failStartDocument = true; }, "Windows API can't operate correctly",
       "Error - API", {doc}},
      {"second page start", [this] { printer->script.failStartPage = 2; }, "Windows API can't operate correctly",
       "Error - API", {doc, "startpage", "endpage", "startpage", "enddoc"}},
      {"page end", [this] { printer->script.failEndPage = 1; }, "Windows API can't operate correctly", "Error - API",
       {doc, "startpage", "endpage", "enddoc"}},
      {"painting", [] { imaging::failOnRequest(imaging::Step::Paint); }, "Library can't operate correctly",
       "Error - Libaray", {doc, "startpage", "endpage", "enddoc"}},
      {"allocation", [] { imaging::failOnRequest(imaging::Step::Allocate); }, "Library can't operate correctly",
       "Error - Libaray", {doc, "enddoc"}},
      {"taking the pixels", [] { imaging::failOnRequest(imaging::Step::TakePixels); },
       "Library can't operate correctly", "Error - Libaray", {doc, "enddoc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer->script = PrinterScript{};
    printer->script.copies = 2;
    c.arrange();
    print();
    expectOneBox(c.text, c.caption);
    EXPECT_EQ(joinedEvents(printer->job), joinedEvents(c.job));
    // The window still reaches its end before it goes.
    ASSERT_GE(ui->controlEvents.size(), 2u);
    EXPECT_EQ(ui->controlEvents[ui->controlEvents.size() - 2], "pos 100");
    EXPECT_EQ(ui->controlEvents.back(), kCompleted);
    expectCleanedUp();
  }
  // No copies: the document starts and ends with no page.
  printer->script = PrinterScript{};
  printer->script.copies = 0;
  print();
  EXPECT_TRUE(ui->boxes.empty());
  EXPECT_EQ(joinedEvents(printer->job), joinedEvents({doc, "enddoc"}));
  printer->script.copies = 1;
  print();
  EXPECT_TRUE(ui->boxes.empty());
  EXPECT_EQ(printer->pages.size(), 1u);
  expectCleanedUp();
}
