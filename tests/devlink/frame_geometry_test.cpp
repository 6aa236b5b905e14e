// The frame geometry against the camera's size table: both models at every
// size index (pixels, raw bytes, bitmap bytes, image-pipe reads).
#include <gtest/gtest.h>

#include "devlink/frame_geometry.h"

using namespace devlink;

TEST(FrameGeometryTest, BothModelsAtEverySize) {
  struct Row {
    bool largeModel;
    int sizeIndex;
    int32_t width, height;
    uint32_t rawBytes, bitmapBytes, chunkCount;
  };
  const Row rows[] = {
      {false, 0, 1024, 768, 1572864, 2359296, 12}, {false, 1, 512, 384, 393216, 589824, 3},
      {false, 2, 256, 192, 98304, 147456, 1},      {true, 0, 1280, 1024, 2621440, 3932160, 20},
      {true, 1, 640, 512, 655360, 983040, 5},      {true, 2, 320, 256, 163840, 245760, 2},
  };
  for (const Row& row : rows) {
    const FrameGeometry g = frameGeometry(modelBase(row.largeModel), row.sizeIndex);
    SCOPED_TRACE(testing::Message() << (row.largeModel ? "large" : "small") << " model, size " << row.sizeIndex);
    EXPECT_EQ(g.width, row.width);
    EXPECT_EQ(g.height, row.height);
    EXPECT_EQ(g.rawBytes, row.rawBytes);
    EXPECT_EQ(g.bitmapBytes, row.bitmapBytes);
    EXPECT_EQ(g.chunkCount, row.chunkCount);
  }
  EXPECT_FALSE(isValidSizeIndex(-1));
  EXPECT_FALSE(isValidSizeIndex(3));
}
