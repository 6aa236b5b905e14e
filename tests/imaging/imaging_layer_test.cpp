// The imaging layer: pictures handed over as the viewer hands them (top row
// first, declared bottom row first, turned over by flipBitmap) come back
// from BMP and JPEG files the same way up; files appear only when complete;
// each step fails on request.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "imaging/imaging_layer.h"
#include "tests/imaging/paint_target.h"
#include "tests/imaging/picture_files.h"

using namespace imaging;

namespace {

struct Size {
  int32_t width, height;
};
const Size kSizes[] = {{1024, 768}, {512, 384}, {256, 192}};

BitmapInfoHeader headerFor(int32_t width, int32_t height) {
  return BitmapInfoHeader{40, width, height, 1, 24, 0, bitmapRowBytes(24, static_cast<uint32_t>(width)) * static_cast<uint32_t>(height < 0 ? -height : height),
                      0, 0, 0, 0};
}

class ImagingLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clearFailureRequests();
    folder = freshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    freeBitmap(&bitmap);
    clearFailureRequests();
  }
  // The steps the save component runs before writing: the top-down picture
  // declared bottom row first, then turned over.
  void prepare(const std::vector<uint8_t>& picture, Size size) {
    ASSERT_NE(allocateBitmap(&bitmap, size.width, size.height, 24), 0);
    ASSERT_EQ(takePixels(&bitmap, headerFor(size.width, size.height), picture.data()), 1);
    ASSERT_EQ(setBitmapSize(&bitmap, size.width, size.height), 1);
    ASSERT_EQ(flipBitmap(&bitmap), 1);
  }
  std::string path(const char* name) const { return folder + "/" + name; }

  LibraryBitmap bitmap{0, 0, 0, nullptr};
  std::string folder;
};

}  // namespace

TEST_F(ImagingLayerTest, BmpFilesShowThePictureUprightAtEverySize) {
  for (Size size : kSizes) {
    SCOPED_TRACE(size.width);
    const std::vector<uint8_t> picture = testPicture(size.width, size.height);
    prepare(picture, size);
    const std::string file = path("picture.bmp");
    ASSERT_EQ(writeBitmapFile(file.c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 1);
    DecodedPicture read;
    ASSERT_TRUE(readBmp(file, &read));
    EXPECT_EQ(read.width, size.width);
    EXPECT_EQ(read.height, size.height);
    EXPECT_EQ(read.bitsPerPixel, 24);
    EXPECT_TRUE(read.pixels == picture) << "pixels differ";
    // Stored bottom row first, as BMP readers expect: a positive height.
    const std::string bytes = fileBytes(file);
    EXPECT_GT(static_cast<int32_t>(static_cast<uint8_t>(bytes[22]) | static_cast<uint8_t>(bytes[23]) << 8), 0);
    EXPECT_EQ(bytes[25] & 0x80, 0);
    EXPECT_EQ(bytes.size(), 54u + static_cast<size_t>(size.width) * size.height * 3);
  }
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{"picture.bmp"});
}

TEST_F(ImagingLayerTest, TakePixelsFollowsTheDeclaredRowOrder) {
  // Declared top row first, the picture needs no turning over.
  const std::vector<uint8_t> picture = testPicture(256, 192);
  ASSERT_NE(allocateBitmap(&bitmap, 256, 192, 24), 0);
  ASSERT_EQ(takePixels(&bitmap, headerFor(256, -192), picture.data()), 1);
  ASSERT_EQ(writeBitmapFile(path("a.bmp").c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 1);
  DecodedPicture read;
  ASSERT_TRUE(readBmp(path("a.bmp"), &read));
  EXPECT_TRUE(read.pixels == picture);
  // Flipping twice is no change.
  ASSERT_EQ(flipBitmap(&bitmap), 1);
  ASSERT_EQ(flipBitmap(&bitmap), 1);
  ASSERT_EQ(writeBitmapFile(path("b.bmp").c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 1);
  EXPECT_EQ(fileBytes(path("a.bmp")), fileBytes(path("b.bmp")));
}

TEST_F(ImagingLayerTest, JpegFilesAreTheSamePictureTheSameWayUp) {
  for (Size size : kSizes) {
    SCOPED_TRACE(size.width);
    const std::vector<uint8_t> picture = testPicture(size.width, size.height);
    prepare(picture, size);
    const std::string file = path("picture.jpg");
    ASSERT_EQ(writeBitmapFile(file.c_str(), &bitmap, kFormatJpeg, 24, kQualityJpegHigh), 1);
    EXPECT_EQ(fileBytes(file).substr(0, 3), "\xFF\xD8\xFF");
    DecodedPicture read;
    ASSERT_TRUE(decodeJpeg(file, &read));
    EXPECT_EQ(read.width, size.width);
    EXPECT_EQ(read.height, size.height);
    EXPECT_EQ(read.bitsPerPixel, 24);
    EXPECT_LT(meanError(read.pixels, picture), 2.0);
    EXPECT_GT(meanError(read.pixels, upsideDown(picture, size.width, size.height)), 20.0);
  }
}

TEST_F(ImagingLayerTest, SetBitmapSizeScalesToAnotherSize) {
  const std::vector<uint8_t> picture = testPicture(1024, 768);
  ASSERT_NE(allocateBitmap(&bitmap, 1024, 768, 24), 0);
  ASSERT_EQ(takePixels(&bitmap, headerFor(1024, -768), picture.data()), 1);
  ASSERT_EQ(setBitmapSize(&bitmap, 256, 192), 1);
  EXPECT_EQ(bitmap.width, 256);
  EXPECT_EQ(bitmap.height, 192);
  ASSERT_EQ(writeBitmapFile(path("small.bmp").c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 1);
  DecodedPicture read;
  ASSERT_TRUE(readBmp(path("small.bmp"), &read));
  ASSERT_EQ(read.width, 256);
  // Each pixel is one of the 4 x 4 it stands for (the ramps change by at
  // most 2 within one), the dark band included.
  for (int y : {0, 47, 48, 100, 191})
    for (int x : {0, 100, 255})
      for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(read.pixels[(y * 256 + x) * 3 + c], picture[((4 * y + 2) * 1024 + 4 * x + 2) * 3 + c], 2);
}

TEST_F(ImagingLayerTest, FailedWritesLeaveTheOldFileAsItWasAndNothingElse) {
  const std::vector<uint8_t> picture = testPicture(512, 384);
  prepare(picture, Size{512, 384});
  const std::string old = "the file the user chose to replace";
  const std::string target = path("keep.bmp");
  writeBytes(target, old);

  // A missing folder.
  EXPECT_EQ(writeBitmapFile((folder + "/missing/x.bmp").c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 0);
  // A read-only file of that name.
  setReadOnly(target, true);
  EXPECT_EQ(writeBitmapFile(target.c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 0);
  EXPECT_EQ(writeBitmapFile(target.c_str(), &bitmap, kFormatJpeg, 24, kQualityJpegHigh), 0);
  EXPECT_EQ(fileBytes(target), old);
  // A folder of that name.
  const std::string asFolder = path("folder.bmp");
  std::filesystem::create_directory(asFolder);
  EXPECT_EQ(writeBitmapFile(asFolder.c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 0);
  EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"folder.bmp", "keep.bmp"}));

  // Writable again, the same call replaces it.
  setReadOnly(target, false);
  EXPECT_EQ(writeBitmapFile(target.c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 1);
  DecodedPicture read;
  ASSERT_TRUE(readBmp(target, &read));
  EXPECT_TRUE(read.pixels == picture);
  EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"folder.bmp", "keep.bmp"}));
}

TEST_F(ImagingLayerTest, EachStepFailsOnRequestOnceAndAFailedWriteLeavesNoFile) {
  const std::vector<uint8_t> picture = testPicture(256, 192);
  const BitmapInfoHeader header = headerFor(256, 192);
  const std::string file = path("x.bmp");

  failOnRequest(Step::Allocate);
  EXPECT_EQ(allocateBitmap(&bitmap, 256, 192, 24), 0);
  EXPECT_EQ(bitmap.rows, nullptr);
  ASSERT_NE(allocateBitmap(&bitmap, 256, 192, 24), 0);

  failOnRequest(Step::TakePixels);
  EXPECT_EQ(takePixels(&bitmap, header, picture.data()), 0);
  EXPECT_EQ(takePixels(&bitmap, header, picture.data()), 1);

  failOnRequest(Step::SetSize);
  EXPECT_EQ(setBitmapSize(&bitmap, 256, 192), 0);
  EXPECT_EQ(setBitmapSize(&bitmap, 256, 192), 1);

  failOnRequest(Step::Flip);
  EXPECT_EQ(flipBitmap(&bitmap), 0);
  EXPECT_EQ(flipBitmap(&bitmap), 1);

  failOnRequest(Step::Write);
  EXPECT_EQ(writeBitmapFile(file.c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 0);
  EXPECT_TRUE(filesIn(folder).empty());
  EXPECT_EQ(writeBitmapFile(file.c_str(), &bitmap, kFormatBitmap, 24, kQualityBitmap), 1);
  DecodedPicture read;
  ASSERT_TRUE(readBmp(file, &read));
  EXPECT_TRUE(read.pixels == picture);
}

TEST_F(ImagingLayerTest, RefusesWhatItCannotDo) {
  EXPECT_EQ(allocateBitmap(&bitmap, 256, 192, 8), 0);
  EXPECT_EQ(allocateBitmap(&bitmap, 0, 192, 24), 0);
  const std::vector<uint8_t> picture = testPicture(256, 192);
  EXPECT_EQ(takePixels(&bitmap, headerFor(256, 192), picture.data()), 0);  // nothing allocated
  ASSERT_NE(allocateBitmap(&bitmap, 256, 192, 24), 0);
  EXPECT_EQ(takePixels(&bitmap, headerFor(512, 192), picture.data()), 0);
  BitmapInfoHeader compressed = headerFor(256, 192);
  compressed.compression = 1;
  EXPECT_EQ(takePixels(&bitmap, compressed, picture.data()), 0);
  ASSERT_EQ(takePixels(&bitmap, headerFor(256, 192), picture.data()), 1);
  const std::string file = path("x.out");
  EXPECT_EQ(writeBitmapFile(file.c_str(), &bitmap, 7, 24, 0), 0);
  EXPECT_EQ(writeBitmapFile(file.c_str(), &bitmap, kFormatJpeg, 24, kQualityBitmap), 0);
  EXPECT_EQ(writeBitmapFile(file.c_str(), &bitmap, kFormatBitmap, 8, kQualityBitmap), 0);
  EXPECT_TRUE(filesIn(folder).empty());
  freeBitmap(&bitmap);
  EXPECT_EQ(bitmap.rows, nullptr);
  freeBitmap(&bitmap);  // a second free does nothing
}

// The print component's order: the full-size top-down picture declared
// bottom row first, turned over, then painted onto a device into a
// rectangle of another size: the picture lands exactly in the rectangle,
// scaled, the same way up, clipped at the device's edges.
TEST_F(ImagingLayerTest, PaintBitmapScalesThePictureUprightIntoTheRectangle) {
  const std::vector<uint8_t> picture = testPicture(1024, 768);
  prepare(picture, Size{1024, 768});
  PaintTarget* target = createPaintTarget(600, 500);
  const DeviceContext dc = paintTargetDevice(target);

  ASSERT_EQ(paintBitmap(dc, &bitmap, 40, 30, 512, 384, 0), dc);
  std::vector<uint8_t> pixels = paintTargetPixels(target);
  const PaintedBox box = paintedBox(pixels, 600, 500);
  EXPECT_EQ(box.left, 40);
  EXPECT_EQ(box.top, 30);
  EXPECT_EQ(box.right, 552);
  EXPECT_EQ(box.bottom, 414);
  // The rectangle holds the picture at half size, the right way up (the
  // dark band of the test picture at the top).
  std::vector<uint8_t> painted(512 * 384 * 3);
  for (int row = 0; row < 384; ++row)
    std::copy_n(&pixels[((30 + row) * 600 + 40) * 3], 512 * 3, &painted[row * 512 * 3]);
  std::vector<uint8_t> half(512 * 384 * 3);
  for (int row = 0; row < 384; ++row)
    for (int x = 0; x < 512; ++x) std::copy_n(&picture[((2 * row) * 1024 + 2 * x) * 3], 3, &half[(row * 512 + x) * 3]);
  EXPECT_LT(meanError(painted, half), 4.0);
  EXPECT_GT(meanError(painted, upsideDown(half, 512, 384)), 20.0);

  // Larger than the device: clipped to it.
  clearPaintTarget(target);
  ASSERT_EQ(paintBitmap(dc, &bitmap, 0, 0, 700, 600, 0), dc);
  const PaintedBox clipped = paintedBox(paintTargetPixels(target), 600, 500);
  EXPECT_EQ(clipped.right, 600);
  EXPECT_EQ(clipped.bottom, 500);

  // Failures: on request, an empty rectangle, no device, flags.
  failOnRequest(Step::Paint);
  EXPECT_EQ(paintBitmap(dc, &bitmap, 0, 0, 10, 10, 0), nullptr);
  EXPECT_EQ(paintBitmap(dc, &bitmap, 0, 0, 10, 10, 0), dc);
  EXPECT_EQ(paintBitmap(dc, &bitmap, 0, 0, 0, 10, 0), nullptr);
  EXPECT_EQ(paintBitmap(nullptr, &bitmap, 0, 0, 10, 10, 0), nullptr);
  EXPECT_EQ(paintBitmap(dc, &bitmap, 0, 0, 10, 10, 1), nullptr);
  destroyPaintTarget(target);
}
