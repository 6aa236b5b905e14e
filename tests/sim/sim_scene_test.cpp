// The simulated camera's picture: frame sizes for both models, known
// content, chunking, the scene and what the camera's state does to it.
#include "tests/sim/sim_test_util.h"

using namespace sim;
using simtest::captureFrame;
using simtest::readyCamera;
using simtest::send;

namespace {

struct Frame {
  std::vector<uint8_t> bytes;
  uint32_t width, height;
  uint8_t y(uint32_t x, uint32_t row) const { return bytes[(row * width + x) * 2]; }
  uint8_t cr(uint32_t x, uint32_t row) const { return bytes[(row * width + (x & ~1u)) * 2 + 1]; }
  uint8_t cb(uint32_t x, uint32_t row) const { return bytes[(row * width + (x & ~1u)) * 2 + 3]; }
};

Frame capture(SimCamera* camera, uint8_t size, uint32_t chunk = 131072) {
  Frame frame;
  frame.bytes = captureFrame(camera, size, chunk);
  frame.width = frameWidth(camera, size);
  frame.height = frameHeight(camera, size);
  return frame;
}

std::unique_ptr<SimCamera> frozenCamera(SimModel model = kModelXga) {
  auto camera = readyCamera(model);
  send(camera.get(), kCodeFreeze, 5);
  return camera;
}

}  // namespace

TEST(SimScene, FramesHaveTheSizeOfEachModelAndSizeIndex) {
  const uint32_t expected[2][3] = {{1572864, 393216, 98304}, {2621440, 655360, 163840}};
  for (SimModel model : {kModelXga, kModelSxga}) {
    auto camera = readyCamera(model);
    for (uint8_t size = 0; size < 3; ++size) {
      EXPECT_EQ(expected[model][size], frameBytes(camera.get(), size));
      EXPECT_EQ(expected[model][size], captureFrame(camera.get(), size).size()) << int(model) << " " << int(size);
      uint8_t buffer[64];
      uint32_t done = 0;
      EXPECT_EQ(kSimWait, cameraRead(camera.get(), 3, buffer, sizeof(buffer), 0, &done));
    }
  }
}

TEST(SimScene, KnownContentIsTheDocumentedFunctionOfIndexAndCounter) {
  for (SimModel model : {kModelXga, kModelSxga}) {
    for (uint8_t size = 0; size < 3; ++size) {
      auto camera = readyCamera(model);
      camera->content = kContentKnown;
      send(camera.get(), kCodeStoreImage, 5);  // counter 1
      send(camera.get(), kCodeStoreImage, 10);
      std::vector<uint8_t> frame = captureFrame(camera.get(), size);  // counter 2
      uint32_t counter = camera->heldPicture.counter;
      EXPECT_EQ(2u, counter);
      ASSERT_EQ(frameBytes(camera.get(), size), frame.size());
      uint32_t wrong = 0;
      for (uint32_t g = 0; g < frame.size() / 4; ++g) {
        uint8_t expected[4];
        knownContentGroup(g, counter, expected);
        if (memcmp(expected, &frame[4 * g], 4) != 0) ++wrong;
      }
      EXPECT_EQ(0u, wrong) << int(model) << " " << int(size);
    }
  }
  uint8_t group[4];
  knownContentGroup(0x10203, 5, group);
  EXPECT_EQ(0x08, group[0]);                          // 0x03 + 5
  EXPECT_EQ(static_cast<uint8_t>(0x102 + 15), group[1]);
  EXPECT_EQ(static_cast<uint8_t>(5 * 0x10203 + 6), group[2]);
  EXPECT_EQ(static_cast<uint8_t>(3 * 0x10203 + 1 + 35), group[3]);
}

TEST(SimScene, ReadsOfAnySizeGiveTheSameBytes) {
  for (SimModel model : {kModelXga, kModelSxga}) {
    for (SimContent content : {kContentScene, kContentKnown}) {
      auto camera = frozenCamera(model);
      camera->content = content;
      std::vector<uint8_t> whole = captureFrame(camera.get(), 1, 131072);
      std::vector<uint8_t> odd = captureFrame(camera.get(), 1, 12345);
      std::vector<uint8_t> tiny = captureFrame(camera.get(), 1, 7);
      EXPECT_TRUE(whole == odd) << int(model) << " " << int(content);
      EXPECT_TRUE(whole == tiny) << int(model) << " " << int(content);
    }
  }
}

TEST(SimScene, SmallerSizesSampleTheFullPicture) {
  for (SimModel model : {kModelXga, kModelSxga}) {
    auto camera = frozenCamera(model);
    Frame full = capture(camera.get(), 0);
    for (uint8_t size = 1; size < 3; ++size) {
      Frame small = capture(camera.get(), size);
      uint32_t d = full.width / small.width, wrong = 0;
      for (uint32_t row = 0; row < small.height; ++row) {
        for (uint32_t x = 0; x < small.width; ++x) {
          if (small.y(x, row) != full.y(x * d, row * d)) ++wrong;
          // Each group takes its colour from its left pixel.
          if (x % 2 == 0 && small.cr(x, row) != full.cr(x * d, row * d)) ++wrong;
        }
      }
      EXPECT_EQ(0u, wrong) << int(model) << " " << int(size);
    }
  }
}

TEST(SimScene, PictureLooksLikeADocumentOnADesk) {
  auto camera = frozenCamera();
  Frame f = capture(camera.get(), 0);
  // Desk around the page, paper inside it.
  EXPECT_LT(f.y(0, 0), 100);
  EXPECT_LT(f.y(10, 384), 100);
  EXPECT_GT(f.y(512, 60), 200);
  // Text lines: ink and paper in the text band.
  int ink = 0, paper = 0;
  for (uint32_t row = 144; row < 432; ++row) {
    for (uint32_t x = 128; x < 896; ++x) {
      if (f.y(x, row) < 60) ++ink;
      if (f.y(x, row) > 200) ++paper;
    }
  }
  EXPECT_GT(ink, 10000);
  EXPECT_GT(paper, ink);
  // Colour chart: eight patches with different colour.
  uint32_t chartRow = 768 * 20 / 32, distinct = 0;
  for (uint32_t p = 0; p < 8; ++p) {
    uint32_t x = 128 + p * 96 + 48;
    bool seen = false;
    for (uint32_t q = 0; q < p; ++q) {
      uint32_t other = 128 + q * 96 + 48;
      if (f.y(x, chartRow) == f.y(other, chartRow) && f.cr(x, chartRow) == f.cr(other, chartRow) &&
          f.cb(x, chartRow) == f.cb(other, chartRow))
        seen = true;
    }
    if (!seen) ++distinct;
  }
  EXPECT_EQ(8u, distinct);
  // Grey ramp: grey, brighter to the right.
  uint32_t rampRow = 768 * 24 / 32;
  for (uint32_t s = 1; s < 16; ++s) {
    uint32_t x = 128 + s * 48 + 24;
    EXPECT_GT(f.y(x, rampRow), f.y(x - 48, rampRow));
    EXPECT_EQ(128, f.cr(x, rampRow));
  }
}

TEST(SimScene, MarkerMovesFromHoldToHoldUnlessFrozen) {
  auto camera = readyCamera();
  Frame first = capture(camera.get(), 0);
  Frame second = capture(camera.get(), 0);
  ASSERT_FALSE(first.bytes == second.bytes);
  uint32_t firstRow = 768, lastRow = 0;
  for (uint32_t row = 0; row < 768; ++row) {
    if (memcmp(&first.bytes[row * 2048], &second.bytes[row * 2048], 2048) != 0) {
      if (row < firstRow) firstRow = row;
      lastRow = row;
    }
  }
  EXPECT_GE(firstRow, 768u * 26 / 32);
  EXPECT_LT(lastRow, 768u * 29 / 32);
  // A red marker: strong red difference in the changed rows.
  int red = 0;
  for (uint32_t x = 0; x < 1024; ++x) red += second.cr(x, firstRow) > 200;
  EXPECT_GT(red, 40);
  send(camera.get(), kCodeFreeze, 5);
  Frame frozen = capture(camera.get(), 0);
  EXPECT_TRUE(frozen.bytes == capture(camera.get(), 0).bytes);
}

TEST(SimScene, NegativeInvertsEveryByte) {
  auto camera = frozenCamera(kModelSxga);
  Frame positive = capture(camera.get(), 1);
  send(camera.get(), kCodePolarity, 10);
  Frame negative = capture(camera.get(), 1);
  uint32_t wrong = 0;
  for (size_t n = 0; n < positive.bytes.size(); ++n) wrong += negative.bytes[n] != static_cast<uint8_t>(~positive.bytes[n]);
  EXPECT_EQ(0u, wrong);
}

TEST(SimScene, HalfTurnTurnsThePictureRound) {
  for (uint8_t size = 0; size < 3; ++size) {
    auto camera = frozenCamera();
    Frame upright = capture(camera.get(), size);
    send(camera.get(), kCodeRotate, 10);
    Frame turned = capture(camera.get(), size);
    uint32_t w = upright.width, h = upright.height, wrong = 0;
    for (uint32_t row = 0; row < h; ++row) {
      for (uint32_t x = 0; x < w; ++x) {
        if (turned.y(x, row) != upright.y(w - 1 - x, h - 1 - row)) ++wrong;
        if (turned.cr(x, row) != upright.cr(w - 1 - x, h - 1 - row)) ++wrong;
      }
    }
    EXPECT_EQ(0u, wrong) << int(size);
  }
}

TEST(SimScene, QuarterTurnStartsWithASyncRowAndTurnsTheScene) {
  auto camera = frozenCamera();
  Frame upright = capture(camera.get(), 1);
  send(camera.get(), kCodeRotate, 8);
  Frame quarter = capture(camera.get(), 1);
  send(camera.get(), kCodeRotate, 13);
  Frame threeQuarters = capture(camera.get(), 1);
  uint32_t w = quarter.width, h = quarter.height;
  for (uint32_t x = 0; x < w; ++x) {
    EXPECT_EQ(16, quarter.y(x, 0));
    EXPECT_EQ(16, threeQuarters.y(x, 0));
  }
  EXPECT_FALSE(quarter.bytes == upright.bytes);
  // 270 degrees is 90 degrees turned round.
  uint32_t wrong = 0;
  for (uint32_t row = 1; row + 1 < h; ++row) {
    for (uint32_t x = 0; x < w; ++x) wrong += threeQuarters.y(x, row) != quarter.y(w - 1 - x, h - 1 - row);
  }
  EXPECT_EQ(0u, wrong);
  // The desk border now runs along the left and right of the turned page's
  // rows: the top rows (after the sync row) are desk.
  EXPECT_LT(quarter.y(w / 2, 2), 100);
}

TEST(SimScene, ExternalInputShowsBarsAndNoSyncABlueScreen) {
  auto camera = frozenCamera();
  camera->ext1Connected = 1;
  camera->ext2Connected = 0;
  send(camera.get(), kCodeInput, 8);
  Frame bars = capture(camera.get(), 2);
  EXPECT_EQ(bars.y(10, 5), bars.y(10, 150));
  EXPECT_NE(bars.cb(10, 5), bars.cb(100, 5));
  send(camera.get(), kCodeInput, 10);
  Frame blue = capture(camera.get(), 2);
  for (uint32_t n = 0; n < blue.bytes.size(); n += 4) {
    ASSERT_GT(blue.bytes[n + 3], 200) << n;  // Cb high everywhere
  }
}

TEST(SimScene, DividedAndMultiScreensShowTheirLines) {
  auto camera = frozenCamera();
  Frame plain = capture(camera.get(), 0);
  send(camera.get(), kCodeMemorySave, 1);
  send(camera.get(), kCodeDivide, 1);
  Frame divided = capture(camera.get(), 0);
  EXPECT_GT(plain.y(512, 60), 200);
  EXPECT_LT(divided.y(512, 60), 60);
  send(camera.get(), kCodeDivide, 9);
  Frame multi = capture(camera.get(), 0);
  for (uint32_t x = 0; x < 1024; x += 64) EXPECT_LT(multi.y(x, 256), 60) << x;
  EXPECT_LT(multi.y(340, 60), 60);
  send(camera.get(), kCodeFree, 5);
  EXPECT_TRUE(capture(camera.get(), 0).bytes == plain.bytes);
}
