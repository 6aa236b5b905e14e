// Saving the frozen picture through the mini panel's Save button: the Save
// As dialog and its size panel, the progress window, the files written (read
// back and compared), the choice of format by the name's last three
// characters, and every failure with its message and no file left behind.
#include <filesystem>

#include "imaging/imaging_layer.h"
#include "tests/imaging/picture_files.h"
#include "tests/viewer/viewer_fixture.h"
#include "viewer/image_saver.h"

using namespace viewer;
using namespace devlink;

namespace {

// The picture the fake camera sends for a quarter frame: grey, each row one
// step brighter than the row above, offset by the frame number.
std::vector<uint8_t> fakeQuarterPicture(uint32_t frameNumber) {
  std::vector<uint8_t> p(256 * 192 * 3);
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(frameNumber * 16 + i / (256 * 3));
  return p;
}

const char kSavingLine[] = "text 752 It is in the process of saving a image file.";
const char kEndedLine[] = "text 752 The image file saving was ended. ";

}  // namespace

class ImageSaverTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    miniPanelState.saveComponent = &imageSaverOutput;
    imaging::clearFailureRequests();
    folder = freshFolder(std::string("save-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    imaging::clearFailureRequests();
    ViewerTest::TearDown();
  }
  WindowHandle startFrozen() {
    startViewer();
    EXPECT_TRUE(freezePicture());
    return viewerState.miniPanel;
  }
  // Presses Save; the dialog clicks the given sizes, then confirms `name`
  // in the test's folder (or cancels).
  void save(const std::string& name, std::vector<int> clicks = {}, bool confirm = true) {
    ui->saveDialog = SaveDialogScript{clicks, confirm, path(name), name};
    ui->boxes.clear();
    ui->controlEvents.clear();
    clickButton(viewerState.miniPanel, IDC_SAVE);
  }
  std::string path(const std::string& name) const { return folder + "/" + name; }
  // The one message box of the last save: text, caption, icon, no owner.
  void expectOneBox(const std::string& text, const char* caption) {
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, text);
    EXPECT_EQ(ui->boxes[0].caption, caption);
    EXPECT_EQ(ui->boxes[0].flags, plat::kMbOk | plat::kMbIconError);
    EXPECT_EQ(ui->boxes[0].owner, nullptr);
  }
  // After every save: the progress window went, the bitmap was freed.
  void expectCleanedUp() {
    EXPECT_EQ(findWindow(IDD_SAVING_GUIDANCE), nullptr);
    EXPECT_EQ(imageSaver.progressWindow, nullptr);
    EXPECT_EQ(imageSaver.bitmapAllocated, 0);
    EXPECT_EQ(imageSaver.libraryBitmap.rows, nullptr);
  }

  std::string folder;
};

TEST_F(ImageSaverTest, SaveAtTheDisplayedSizeWritesTheFrozenPictureWithoutCameraTraffic) {
  WindowHandle panel = startFrozen();
  const int transfers = camera.transfers;
  const std::vector<uint8_t> onScreen(framePipeline.liveImage, framePipeline.liveImage + 512 * 384 * 3);
  save("shot.bmp");

  // The dialog as the platform is asked for it.
  ASSERT_EQ(ui->saveDialogCalls.size(), 1u);
  const SaveDialogCall& call = ui->saveDialogCalls[0];
  EXPECT_EQ(call.owner, panel);
  const char filters[] = "Bitmap Files (*.bmp)\0*.bmp\0Jpeg Files (*.jpg)\0*.jpg\0All Files\0*.*\0";
  EXPECT_EQ(call.filters, std::string(filters, sizeof filters - 1));
  EXPECT_EQ(call.filterIndex, 1u);
  EXPECT_EQ(call.defaultExtension, "bmp");
  EXPECT_EQ(call.initialFolder, std::filesystem::current_path().string());
  EXPECT_EQ(call.flags, kFileDialogExplorer | kFileDialogOverwritePrompt | kFileDialogPathMustExist);
  EXPECT_EQ(call.templateName, "Save As");
  EXPECT_EQ(call.customData, 1);
  EXPECT_EQ(call.pathSize, 260u);
  EXPECT_EQ(call.titleSize, 260u);
  EXPECT_TRUE(windowOf(itemOf(call.panel, IDC_SIZE_HALF)).checked);
  EXPECT_FALSE(windowOf(itemOf(call.panel, IDC_SIZE_FULL)).checked);

  // The progress window, owned by the mini panel, from its first text to
  // its last, then gone.
  bool created = false;
  for (size_t i = 0; i < ui->windows.size(); ++i)
    if (ui->windows[i].templateId == IDD_SAVING_GUIDANCE) {
      created = true;
      EXPECT_EQ(ui->windows[i].owner, panel);
    }
  EXPECT_TRUE(created);
  EXPECT_EQ(joinedEvents(ui->controlEvents),
            joinedEvents({"check 802", "range 100", "pos 0", kSavingLine, "pos 80", "pos 100", kEndedLine}));
  expectCleanedUp();

  EXPECT_EQ(camera.transfers, transfers);
  EXPECT_TRUE(ui->boxes.empty());
  DecodedPicture file;
  ASSERT_TRUE(readBmp(path("shot.bmp"), &file));
  EXPECT_EQ(file.width, 512);
  EXPECT_EQ(file.height, 384);
  EXPECT_TRUE(file.pixels == onScreen) << "the file is not the picture on screen";
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{"shot.bmp"});
}

TEST_F(ImageSaverTest, AnotherSizeChosenInTheDialogFetchesAFreshStillAtThatSize) {
  startFrozen();
  const int selects = camera.selects;
  save("Quarter.JPG", {IDC_SIZE_FULL, IDC_SIZE_QUARTER});
  // The clicks reached the saver while the dialog was open.
  EXPECT_EQ(imageSaver.sizeIndex, 2);
  EXPECT_EQ(countDelivered(kMsgSaveSizeChosen), 2);
  EXPECT_EQ(camera.selects, selects + 1);
  EXPECT_EQ(camera.lastSize, 2);
  // One chunk: step 80 / (147456 / 131072 + 1) = 40, advanced once.
  EXPECT_EQ(joinedEvents(ui->controlEvents),
            joinedEvents({"check 802", "range 100", "pos 0", kSavingLine, "step 40", "stepit", "pos 80", "pos 100", kEndedLine}));
  // The name's letters stay in the path; the title's extension is lowered.
  EXPECT_STREQ(imageSaver.filePath, path("Quarter.JPG").c_str());
  EXPECT_STREQ(imageSaver.fileTitle, "Quarter.jpg");
  EXPECT_TRUE(ui->boxes.empty());
  expectCleanedUp();
  EXPECT_EQ(framePipeline.captureImage, nullptr);
  EXPECT_EQ(acquisitionThread.pauseRequested, 0);

  DecodedPicture file;
  ASSERT_TRUE(decodeJpeg(path("Quarter.JPG"), &file));
  EXPECT_EQ(file.width, 256);
  EXPECT_EQ(file.height, 192);
  const std::vector<uint8_t> sent = fakeQuarterPicture(camera.frameNumber);
  EXPECT_LT(meanError(file.pixels, sent), 3.0);
  EXPECT_GT(meanError(file.pixels, upsideDown(sent, 256, 192)), 30.0);
}

TEST_F(ImageSaverTest, OnlyTheLastThreeCharactersOfTheNameDecideTheFormat) {
  startFrozen();
  save("odd.xbmp");
  EXPECT_TRUE(ui->boxes.empty());
  DecodedPicture file;
  EXPECT_TRUE(readBmp(path("odd.xbmp"), &file));

  struct Refused {
    const char* name;
    const char* extension;
  };
  for (Refused r : {Refused{"photo.jpeg", "peg"}, Refused{"photo.png", "png"}, Refused{"ab", ""}}) {
    SCOPED_TRACE(r.name);
    save(r.name);
    expectOneBox(std::string("Sorry, Can't save the '") + r.extension +
                     "'  format.\nOnly support bitmap or jpeg format.",
                 "Error - Save format");
    // The window still reaches its end before it goes.
    EXPECT_EQ(joinedEvents(ui->controlEvents),
              joinedEvents({"check 802", "range 100", "pos 0", kSavingLine, "pos 80", "pos 100", kEndedLine}));
    expectCleanedUp();
  }
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{"odd.xbmp"});
}

TEST_F(ImageSaverTest, EachLibraryFailureIsReportedLeavesNoFileAndTheNextSaveWorks) {
  startFrozen();
  for (imaging::Step step : {imaging::Step::Allocate, imaging::Step::TakePixels, imaging::Step::SetSize,
                             imaging::Step::Write}) {
    SCOPED_TRACE(static_cast<int>(step));
    imaging::failOnRequest(step);
    save("failed.jpg");
    expectOneBox("Library can't operate correctly", "Error - Libaray");
    expectCleanedUp();
    EXPECT_TRUE(filesIn(folder).empty());
  }
  // The result of turning the picture over is not looked at.
  imaging::failOnRequest(imaging::Step::Flip);
  save("unturned.bmp");
  EXPECT_TRUE(ui->boxes.empty());
  EXPECT_TRUE(fileExists(path("unturned.bmp")));
  save("works.jpg");
  EXPECT_TRUE(ui->boxes.empty());
  DecodedPicture file;
  ASSERT_TRUE(decodeJpeg(path("works.jpg"), &file));
  EXPECT_EQ(file.width, 512);
}

TEST_F(ImageSaverTest, AFailedWriteKeepsTheFileItWouldReplace) {
  startFrozen();
  save("missing-folder/x.bmp");
  expectOneBox("Library can't operate correctly", "Error - Libaray");
  EXPECT_TRUE(filesIn(folder).empty());

  const std::string old = "an earlier picture";
  writeBytes(path("kept.bmp"), old);
  setReadOnly(path("kept.bmp"), true);
  save("kept.bmp");
  expectOneBox("Library can't operate correctly", "Error - Libaray");
  EXPECT_EQ(fileBytes(path("kept.bmp")), old);
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{"kept.bmp"});

  setReadOnly(path("kept.bmp"), false);
  save("kept.bmp");
  EXPECT_TRUE(ui->boxes.empty());
  DecodedPicture file;
  ASSERT_TRUE(readBmp(path("kept.bmp"), &file));
  EXPECT_EQ(file.height, 384);
}

TEST_F(ImageSaverTest, CancelAfterChoosingASizeWritesNothingAndShowsNoProgress) {
  startFrozen();
  const int transfers = camera.transfers;
  save("never.bmp", {IDC_SIZE_QUARTER}, false);
  EXPECT_EQ(imageSaver.sizeIndex, 2);  // the choice stands until the next Save
  for (const RecordedWindow& w : ui->windows) EXPECT_NE(w.templateId, IDD_SAVING_GUIDANCE);
  EXPECT_TRUE(filesIn(folder).empty());
  EXPECT_EQ(camera.transfers, transfers);
  EXPECT_TRUE(ui->boxes.empty());
  // The next Save starts again from the displayed size.
  save("next.bmp", {}, false);
  EXPECT_EQ(ui->saveDialogCalls.back().customData, 1);
  EXPECT_TRUE(windowOf(itemOf(ui->saveDialogCalls.back().panel, IDC_SIZE_HALF)).checked);
}

TEST(ImageSaverSizes, SetSizeBuildsTheHeaderAndIgnoresOtherIndexes) {
  const uint32_t imageBytes[] = {2359296, 589824, 147456};
  for (int index = 0; index < 3; ++index) {
    setSaveSize(index);
    const imaging::BitmapInfoHeader& h = imageSaver.bitmapInfo;
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 1024 / (index ? 2 * index : 1));
    EXPECT_EQ(h.height, 768 / (index ? 2 * index : 1));  // positive
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.sizeImage, imageBytes[index]);
    EXPECT_EQ(getSaveSize(), index);
  }
  setSaveSize(3);
  setSaveSize(-1);
  EXPECT_EQ(getSaveSize(), 2);
  EXPECT_EQ(imageSaver.bitmapInfo.width, 256);
  EXPECT_TRUE(resetImageSaver());
  EXPECT_EQ(getSaveSize(), 0);
}
