// BMP files: a held picture written bottom-up and read back through the
// header reader; a packed bitmap too short for its header is not written.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "imaging/bmp_file.h"

using namespace imaging;

TEST(BmpFileTest, PictureIsWrittenBottomUpWithPaddedRowsAndReadsBack) {
  // 5 x 3: rows of 15 bytes padded to 16 in the file.
  const int32_t width = 5, height = 3;
  std::vector<uint8_t> picture(width * height * 3);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i + 1);
  const char* path = "imaging_test_picture.bmp";
  ASSERT_TRUE(writePictureBmp(path, picture.data(), width, height));

  std::FILE* file = std::fopen(path, "rb");
  ASSERT_NE(nullptr, file);
  BmpHeaders headers;
  ASSERT_TRUE(readBmpHeaders(file, &headers));
  EXPECT_EQ(54, std::ftell(file)) << "left at the pixel bits";
  const BitmapInfoHeader& h = headers.header;
  EXPECT_EQ(40u, h.size);
  EXPECT_EQ(width, h.width);
  EXPECT_EQ(height, h.height) << "bottom-up in the file";
  EXPECT_EQ(1, h.planes);
  EXPECT_EQ(24, h.bitCount);
  EXPECT_EQ(48u, h.sizeImage);
  EXPECT_EQ(0u, h.colorsUsed);
  EXPECT_EQ(2835, h.xPelsPerMeter);

  uint8_t rows[48];
  ASSERT_EQ(sizeof rows, std::fread(rows, 1, sizeof rows, file));
  EXPECT_EQ(EOF, std::fgetc(file)) << "nothing after the rows";
  std::fclose(file);
  std::remove(path);
  for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
    const uint8_t* expected = picture.data() + (height - 1 - fileRow) * width * 3;
    for (int i = 0; i < width * 3; ++i) ASSERT_EQ(expected[i], rows[fileRow * 16 + i]) << fileRow << " " << i;
    EXPECT_EQ(0, rows[fileRow * 16 + 15]) << "padding of row " << fileRow;
  }
}

TEST(BmpFileTest, PackedBitmapShorterThanItsHeaderIsNotWritten) {
  const char* path = "imaging_test_short.bmp";
  std::remove(path);
  const uint8_t packed[39] = {40};
  EXPECT_FALSE(writePackedBmp(path, packed, sizeof packed));
  std::FILE* file = std::fopen(path, "rb");
  EXPECT_EQ(nullptr, file);
  if (file) std::fclose(file);
}
