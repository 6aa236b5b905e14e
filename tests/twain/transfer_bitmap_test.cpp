// The transfer bitmap: template reading, preparation from the frame, strips
// and the BMP file.
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/twain/twain_test_support.h"
#include "twain/capabilities.h"
#include "twain/global_memory.h"
#include "twain/pixel_order.h"
#include "twain/source_record.h"
#include "twain/transfer_bitmap.h"

using namespace twain;
using imaging::BitmapInfoHeader;

namespace {

class TransferBitmapTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    openSource();
  }
  bool prepareHalf() {
    frame_ = patternFrame(512, 384);
    return prepareTransferDib(frame_.data(), static_cast<uint32_t>(frame_.size()), 1, false);
  }
  BitmapInfoHeader headerOf(TW_HANDLE dib) {
    BitmapInfoHeader header;
    std::memcpy(&header, gmem::lock(dib), sizeof header);
    gmem::unlock(dib);
    return header;
  }
};

TEST_F(TransferBitmapTest, ShippedTemplatesMatchTheirTransferSizes) {
  const struct { int32_t viewSize; bool large; } cases[] = {{0, false}, {1, false}, {0, true}, {1, true}};
  for (const auto& c : cases) {
    int32_t width, height;
    ASSERT_TRUE(transferSize(c.viewSize, c.large, &width, &height));
    std::vector<uint8_t> frame = patternFrame(width, height);
    ASSERT_TRUE(prepareTransferDib(frame.data(), static_cast<uint32_t>(frame.size()), c.viewSize, c.large))
        << templateName(TWPT_RGB, c.large, c.viewSize);
    EXPECT_EQ(40u + width * height * 3, gmem::size(transferDib));
    releaseTransferDib();
  }
}

TEST_F(TransferBitmapTest, HalfSizeBitmapIsBottomUpWithTheFramesTopRowLast) {
  ASSERT_TRUE(prepareHalf());
  EXPECT_EQ(1536u, stripCursor.bytesPerRow);
  TW_HANDLE dib = takeTransferDib();
  ASSERT_NE(nullptr, dib);
  EXPECT_EQ(nullptr, transferDib);
  EXPECT_EQ(40u + 589824u, gmem::size(dib));
  BitmapInfoHeader header = headerOf(dib);
  EXPECT_EQ(40u, header.size);
  EXPECT_EQ(512, header.width);
  EXPECT_EQ(384, header.height);
  EXPECT_EQ(24, header.bitCount);
  const uint8_t* bits = static_cast<const uint8_t*>(gmem::lock(dib)) + 40;
  // Bitmap row 383 (last in memory) is the frame's top row, unchanged BGR.
  EXPECT_EQ(0, std::memcmp(bits + 383 * 1536, &frame_[0], 1536));
  EXPECT_EQ(0, std::memcmp(bits, &frame_[383 * 1536], 1536));
  gmem::unlock(dib);
  gmem::release(dib);
}

TEST_F(TransferBitmapTest, NoBitmapWithoutRgbOrAtAnotherResolution) {
  captureDefaults();
  // Another pixel type: set through the row's storage as MSG_SET would.
  *static_cast<TW_UINT16*>(capabilityTable[23].currentValue) = TWPT_GRAY;
  EXPECT_FALSE(prepareHalf());
  *static_cast<TW_UINT16*>(capabilityTable[23].currentValue) = TWPT_RGB;
  *static_cast<float*>(capabilityTable[33].currentValue) = 200.0f;
  EXPECT_FALSE(prepareHalf());
  *static_cast<float*>(capabilityTable[33].currentValue) = 100.0f;
  EXPECT_TRUE(prepareHalf());
}

TEST_F(TransferBitmapTest, NoBitmapWithoutAFrameOrWithAShortOne) {
  EXPECT_FALSE(prepareTransferDib(nullptr, 0, 1, false));
  std::vector<uint8_t> shortFrame(512 * 384 * 3 - 1);
  EXPECT_FALSE(prepareTransferDib(shortFrame.data(), static_cast<uint32_t>(shortFrame.size()), 1, false));
  EXPECT_FALSE(prepareTransferDib(shortFrame.data(), static_cast<uint32_t>(shortFrame.size()), 2, false));
  EXPECT_EQ(nullptr, transferDib);
}

TEST_F(TransferBitmapTest, TemplateOfAnotherSizeOrDepthIsRefused) {
  writeTemplate("XGA_HALF.bmp", 256, 192);
  EXPECT_FALSE(prepareHalf());
  writeTemplate("XGA_HALF.bmp", 512, 384, 8);
  EXPECT_FALSE(prepareHalf());
  writeTemplate("XGA_HALF.bmp", 512, 384);
  EXPECT_TRUE(prepareHalf());
  removeTemplate("XGA_HALF.bmp");
  EXPECT_FALSE(prepareHalf());
  EXPECT_EQ(nullptr, transferDib);
}

TEST_F(TransferBitmapTest, TemplateWithoutFileHeaderIsAccepted) {
  writeTemplate("XGA_HALF.bmp", 512, 384, 24, false);
  ASSERT_TRUE(prepareHalf());
  EXPECT_EQ(589824u, headerOf(transferDib).sizeImage);
}

TEST_F(TransferBitmapTest, CoreHeaderIsWidened) {
  writeTemplate("XGA_HALF.bmp", 512, 384, 24, true, true);
  ASSERT_TRUE(prepareHalf());
  BitmapInfoHeader header = headerOf(transferDib);
  EXPECT_EQ(40u, header.size);
  EXPECT_EQ(512, header.width);
  EXPECT_EQ(589824u, header.sizeImage);
}

TEST_F(TransferBitmapTest, ReaderWidensCoreColourTablesAndFillsCounts) {
  writeTemplate("pal.bmp", 8, 2, 8, true, true);
  std::FILE* file = std::fopen((templateDir() + "pal.bmp").c_str(), "rb");
  ASSERT_NE(nullptr, file);
  TW_HANDLE block = readBitmapHeader(file);
  std::fclose(file);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(40u + 256 * 4, gmem::size(block));
  BitmapInfoHeader header = headerOf(block);
  EXPECT_EQ(256u, header.colorsUsed);
  EXPECT_EQ(16u, header.sizeImage);
  gmem::release(block);
}

TEST_F(TransferBitmapTest, ReaderRefusesOtherHeaderSizesAndShortFiles) {
  const char* path = "twain_test_bad.bmp";
  const uint8_t bad[] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 64, 0, 0, 0};
  std::FILE* file = std::fopen(path, "wb");
  std::fwrite(bad, 1, sizeof bad, file);
  std::fclose(file);
  file = std::fopen(path, "rb");
  EXPECT_EQ(nullptr, readBitmapHeader(file));
  std::fclose(file);
  std::remove(path);
}

TEST_F(TransferBitmapTest, StripsRunTopToBottomInRedGreenBlue) {
  ASSERT_TRUE(prepareHalf());
  std::vector<uint8_t> strip(100 * 1536 + 700, 0xEE);
  uint32_t written;
  bool last;
  uint32_t rowsSeen = 0;
  int strips = 0;
  do {
    std::fill(strip.begin(), strip.end(), 0xEE);
    ASSERT_TRUE(copyStrip(strip.data(), static_cast<uint32_t>(strip.size()), &written, &last));
    uint32_t rows = written / 1536;
    EXPECT_EQ(strips < 3 ? 100u : 84u, rows);
    for (uint32_t r = 0; r < rows; ++r) {
      const uint8_t* frameRow = &frame_[(rowsSeen + r) * 1536];
      const uint8_t* got = &strip[r * 1536];
      for (int x = 0; x < 512; x += 97) {
        EXPECT_EQ(frameRow[3 * x + 2], got[3 * x]);
        EXPECT_EQ(frameRow[3 * x + 1], got[3 * x + 1]);
        EXPECT_EQ(frameRow[3 * x], got[3 * x + 2]);
      }
    }
    EXPECT_EQ(0xEE, strip[rows * 1536]);  // nothing past the whole rows
    rowsSeen += rows;
    ++strips;
  } while (!last && strips < 10);
  EXPECT_EQ(4, strips);
  EXPECT_EQ(384u, rowsSeen);
}

TEST_F(TransferBitmapTest, StripShorterThanARowCopiesNothing) {
  ASSERT_TRUE(prepareHalf());
  uint8_t small[1535];
  uint32_t written = 99;
  bool last = true;
  ASSERT_TRUE(copyStrip(small, sizeof small, &written, &last));
  EXPECT_EQ(0u, written);
  EXPECT_FALSE(last);
  releaseTransferDib();
  EXPECT_FALSE(copyStrip(small, sizeof small, &written, &last));
}

TEST_F(TransferBitmapTest, BitmapFileIsTheWholePackedBitmap) {
  ASSERT_TRUE(prepareHalf());
  TW_HANDLE dib = takeTransferDib();
  const char* path = "twain_test_out.bmp";
  writeBitmapFile(dib, path);
  std::vector<uint8_t> file = readWholeFile(path);
  ASSERT_EQ(589878u, file.size());
  EXPECT_EQ('B', file[0]);
  EXPECT_EQ('M', file[1]);
  uint32_t bfSize, offBits;
  std::memcpy(&bfSize, &file[2], 4);
  std::memcpy(&offBits, &file[10], 4);
  EXPECT_EQ(589878u, bfSize);
  EXPECT_EQ(54u, offBits);
  EXPECT_EQ(0, std::memcmp(&file[14], gmem::lock(dib), 589864));
  gmem::unlock(dib);
  gmem::release(dib);
  std::remove(path);
}

TEST_F(TransferBitmapTest, UncreatableFileIsSkippedSilently) {
  ASSERT_TRUE(prepareHalf());
  TW_HANDLE dib = takeTransferDib();
  writeBitmapFile(dib, "");
  writeBitmapFile(dib, "no_such_directory/x.bmp");
  EXPECT_TRUE(shownBoxes.empty());
  gmem::release(dib);
}

TEST_F(TransferBitmapTest, NewPreparationFreesTheOldBitmap) {
  int32_t before = gmem::liveBlocks();
  ASSERT_TRUE(prepareHalf());
  ASSERT_TRUE(prepareHalf());
  EXPECT_EQ(before + 1, gmem::liveBlocks());
  releaseTransferDib();
  EXPECT_EQ(before, gmem::liveBlocks());
}

}  // namespace

// The SSSE3 reversal of the pixel order equals the scalar reference, bit
// for bit, over random pixels and every count from 0 to 100 (and full rows
// of both models), at every alignment of a 16-byte block, reading and
// writing nothing past the pixels.
TEST(PixelOrder, Ssse3VariantEqualsTheScalarReference) {
  if (!cpuHasSsse3()) GTEST_SKIP() << "no SSSE3 on this processor";
  std::vector<uint8_t> in(3 * 1280 + 32);
  uint32_t seed = 12345;
  for (uint8_t& b : in) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  std::vector<uint32_t> counts;
  for (uint32_t n = 0; n <= 100; ++n) counts.push_back(n);
  counts.push_back(1024);
  counts.push_back(1280);
  for (uint32_t n : counts) {
    for (uint32_t offset = 0; offset < 16; ++offset) {
      // The pixels alone in their own block: a read past them is caught by
      // the address sanitizer.
      const std::vector<uint8_t> pixels(in.begin() + offset, in.begin() + offset + 3 * n);
      std::vector<uint8_t> want(in.size(), 0xEE), got(in.size(), 0xEE);
      reversePixelsScalar(want.data() + offset, pixels.data(), n);
      reversePixelsSsse3(got.data() + offset, pixels.data(), n);
      ASSERT_EQ(want, got) << n << " pixels at offset " << offset;
    }
  }
  uint8_t pixel[3] = {1, 2, 3}, reversed[3];
  reversePixels(reversed, pixel, 1);
  EXPECT_EQ(3, reversed[0]);
  EXPECT_EQ(1, reversed[2]);
}
