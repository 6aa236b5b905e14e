// The frame pipeline against the simulated camera: sizes and chunking,
// picture commands, exact frame contents, the still capture and its
// failures.
#include <cstring>

#include "devlink/convert.h"
#include "devlink/frame_pipeline.h"
#include "tests/devlink/link_fixture.h"

using namespace devlink;

namespace {

class FramePipelineTest : public LinkFixture {
 protected:
  void start(sim::SimModel model = sim::kModelXga, LinkVariant variant = LinkVariant::Viewer, int sizeIndex = 1) {
    camera = addCamera(1, model);
    sim::rigSetContent(rig, camera, sim::kContentKnown);
    link = new DeviceLink(variant);
    ASSERT_TRUE(link->open(sizeIndex));
    pipeline = new FramePipeline(link, variant);
    pipeline->sizeIndex = sizeIndex;
    ASSERT_TRUE(pipeline->init());
    sim::rigClearWireLog(rig, camera);
  }
  void TearDown() override {
    if (pipeline) {
      pipeline->freeCapture();
      pipeline->release();
      delete pipeline;
    }
    if (link) {
      link->close();
      delete link;
    }
    LinkFixture::TearDown();
  }
  // One live frame: select, hold, transfer, chunks. Returns the chunk sizes.
  std::vector<int32_t> fetchLiveFrame() {
    std::vector<int32_t> chunks;
    EXPECT_TRUE(pipeline->selectSize(kLivePicture));
    EXPECT_TRUE(pipeline->storeImage());
    EXPECT_TRUE(pipeline->startTransfer());
    while (pipeline->frameInProgress && chunks.size() < 100) {
      int32_t before = pipeline->writeOffset == 0 ? -1 : pipeline->chunkBytes;
      (void)before;
      EXPECT_TRUE(pipeline->readChunk(kLivePicture));
      chunks.push_back(pipeline->chunkBytes);
    }
    return chunks;
  }
  uint32_t heldCounter() {
    const uint32_t counter = sim::rigLockCamera(rig, camera)->heldPicture.counter;
    sim::rigUnlockCamera(rig, camera);
    return counter;
  }
  // The bitmap a frame of known content must give, converted by the scalar
  // reference group by group.
  std::vector<uint8_t> expectedBitmap(int width, int height, uint32_t counter, bool dropFirstRow) {
    std::vector<uint8_t> bitmap(static_cast<size_t>(width) * height * 3, 0);
    const uint32_t groups = static_cast<uint32_t>(width) * height / 2;
    size_t out = 0;
    for (uint32_t g = 0; g < groups; ++g) {
      if (dropFirstRow && 2 * g < static_cast<uint32_t>(width)) continue;
      uint8_t group[4];
      sim::knownContentGroup(g, counter, group);
      convertRowScalar(group, &bitmap[out], 1);
      out += 6;
    }
    return bitmap;
  }
  int camera = -1;
  DeviceLink* link = nullptr;
  FramePipeline* pipeline = nullptr;
};

TEST_F(FramePipelineTest, SizeArithmeticFollowsTheSizeIndex) {
  start();
  const uint32_t bitmapBytes[3] = {2359296, 589824, 147456};
  const int32_t chunk[3] = {131072, 131072, 98304};
  for (int s = 0; s < 3; ++s) {
    pipeline->setSizeIndex(s);
    ASSERT_TRUE(pipeline->resetForSize());
    pipeline->computeChunk();
    EXPECT_EQ(pipeline->liveImageBytes, bitmapBytes[s]);
    EXPECT_EQ(pipeline->liveTargetBytes, bitmapBytes[s]);
    EXPECT_EQ(pipeline->chunkBytes, chunk[s]);
  }
  pipeline->setSizeIndex(7);
  EXPECT_EQ(pipeline->sizeIndex, 2) << "invalid index ignored";
}

TEST_F(FramePipelineTest, QuarterSizeFrameArrivesInOneLastRead) {
  start(sim::kModelXga, LinkVariant::Viewer, 2);
  const std::vector<int32_t> chunks = fetchLiveFrame();
  EXPECT_EQ(chunks, (std::vector<int32_t>{98304}));
  EXPECT_EQ(pipeline->frameInProgress, 0u);
  EXPECT_EQ(pipeline->writeOffset, 0u);
}

TEST_F(FramePipelineTest, FullFrameTakesTwelveReadsAndIsExact) {
  start(sim::kModelXga, LinkVariant::Viewer, 0);
  const std::vector<int32_t> chunks = fetchLiveFrame();
  EXPECT_EQ(chunks.size(), 12u);
  const std::vector<uint8_t> expected = expectedBitmap(1024, 768, heldCounter(), false);
  ASSERT_EQ(pipeline->liveImageBytes, expected.size());
  EXPECT_EQ(0, std::memcmp(pipeline->liveImage, expected.data(), expected.size()));
}

TEST_F(FramePipelineTest, LargeModelQuarterSizeReadsTwoChunksAndReallocates) {
  start(sim::kModelSxga, LinkVariant::DataSource, 2);
  EXPECT_EQ(pipeline->baseWidth, 1280);
  EXPECT_EQ(pipeline->baseHeight, 1024);
  std::vector<int32_t> chunks = fetchLiveFrame();
  EXPECT_EQ(chunks, (std::vector<int32_t>{131072, 32768}));
  EXPECT_EQ(pipeline->chunkBufferBytes, 32768u);
  // The next frame starts again at the full chunk size.
  chunks = fetchLiveFrame();
  EXPECT_EQ(chunks, (std::vector<int32_t>{131072, 32768}));
  const std::vector<uint8_t> expected = expectedBitmap(320, 256, heldCounter(), false);
  EXPECT_EQ(0, std::memcmp(pipeline->liveImage, expected.data(), expected.size()));
}

TEST_F(FramePipelineTest, FirstRowDropShiftsTheFrameUpAndKeepsTheLastRow) {
  start(sim::kModelXga, LinkVariant::Viewer, 2);
  std::memset(pipeline->liveImage, 0x5A, pipeline->liveImageBytes);
  link->setLineSkipFlag(1);
  fetchLiveFrame();
  std::vector<uint8_t> expected = expectedBitmap(256, 192, heldCounter(), true);
  // 191 rows written, the last 768 bytes as they were.
  EXPECT_EQ(0, std::memcmp(pipeline->liveImage, expected.data(), 146688));
  for (uint32_t i = 146688; i < 147456; ++i) ASSERT_EQ(pipeline->liveImage[i], 0x5A) << i;
}

TEST_F(FramePipelineTest, SelectSizeSendsOneForAnyIndexButZeroAndTwo) {
  start();
  EXPECT_TRUE(pipeline->selectSize(capturePicture(5)));
  EXPECT_TRUE(pipeline->selectSize(capturePicture(0)));
  EXPECT_TRUE(pipeline->selectSize(capturePicture(2)));
  EXPECT_TRUE(pipeline->releaseImage());
  const std::vector<sim::SimLogEntry> log = wire(camera);
  ASSERT_EQ(log.size(), 4u);
  const uint8_t select1[8] = {0xA0, 0x31, 0x00, 0x01, 0x00, 0x00, 0x00, 0xAF};
  EXPECT_EQ(0, std::memcmp(log[0].bytes, select1, 8));
  EXPECT_EQ(log[1].bytes[3], 0);
  EXPECT_EQ(log[2].bytes[3], 2);
  const uint8_t release[8] = {0xA0, 0x32, 0x00, 0x0A, 0x00, 0x00, 0x00, 0xAF};
  EXPECT_EQ(0, std::memcmp(log[3].bytes, release, 8));
}

TEST_F(FramePipelineTest, ReadChunkWithoutAFrameStillReadsOneChunk) {
  start(sim::kModelXga, LinkVariant::Viewer, 2);
  ASSERT_TRUE(pipeline->selectSize(kLivePicture));
  ASSERT_TRUE(pipeline->storeImage());
  ASSERT_TRUE(pipeline->startTransfer());
  pipeline->frameInProgress = 0;
  EXPECT_TRUE(pipeline->readChunk(kLivePicture));
}

struct ProgressLog {
  int step = 0;
  int steps = 0;
};
void setStep(void* context, int step) { static_cast<ProgressLog*>(context)->step = step; }
void stepIt(void* context) { ++static_cast<ProgressLog*>(context)->steps; }

TEST_F(FramePipelineTest, StillCaptureAtFullSizeFollowsTheLiveChunkSize) {
  start(sim::kModelXga, LinkVariant::Viewer, 2);
  ProgressLog progress;
  ProgressSink sink = {&progress, setStep, stepIt};
  ASSERT_TRUE(pipeline->stillCapture(0, &sink));
  EXPECT_EQ(progress.steps, 16) << "16 chunks of 98304 bytes";
  EXPECT_EQ(progress.step, 80 / (2359296 / 98304 + 1));
  ASSERT_NE(pipeline->captureImage, nullptr);
  const std::vector<uint8_t> expected = expectedBitmap(1024, 768, heldCounter(), false);
  EXPECT_EQ(0, std::memcmp(pipeline->captureImage, expected.data(), expected.size()));
  EXPECT_EQ(pipeline->sizeIndex, 2) << "the live size is untouched";
  EXPECT_TRUE(messages.empty());
}

struct CaptureFailure {
  int failingWrite;  // which picture command fails: 1 select, 2 hold, 3 transfer
  const char* text;
  const char* caption;
};

TEST_F(FramePipelineTest, StillCaptureFailuresShowTheirMessages) {
  start();
  const CaptureFailure cases[] = {
      {1, "fail to set the size of image", "Error:Save/Print"},
      {2, "fail to save image", "Error : Save/Print"},
      {3, "fail to transfer image", "Error - Save"},
  };
  for (const CaptureFailure& c : cases) {
    messages.clear();
    sim::rigClearFaults(rig, camera);
    sim::rigAddFault(rig, camera, sim::failOperation(0, sim::kDirWrite, static_cast<uint32_t>(c.failingWrite), 31, 3));
    EXPECT_FALSE(pipeline->stillCapture(0, nullptr));
    ASSERT_EQ(messages.size(), 1u) << c.text;
    EXPECT_EQ(messages[0].text, c.text);
    EXPECT_EQ(messages[0].caption, c.caption);
    EXPECT_EQ(pipeline->captureImage, nullptr);
    // Drain the replies of the commands that went through.
    while (link->queryStatus() != 0 && CommandBlock::fromValue(link->queryStatus()).code() != 0x61) {
    }
  }
}

TEST_F(FramePipelineTest, CameraGoneMidFrameFailsTheReadAndTheCapture) {
  start(sim::kModelXga, LinkVariant::Viewer, 0);
  sim::rigAddFault(rig, camera, sim::goAwayMidFrame(1, 262144 + 100));
  EXPECT_FALSE(pipeline->stillCapture(1, nullptr));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "fail to read image");
  EXPECT_EQ(messages[0].caption, "Error : Save/Print");
  EXPECT_EQ(pipeline->frameInProgress, 0u) << "the shared counters are left clean";
  EXPECT_EQ(pipeline->consumedOutput, 0);
}

TEST_F(FramePipelineTest, TruncatedFrameFailsTheLiveReadAndKeepsTheFrameOpen) {
  start(sim::kModelXga, LinkVariant::Viewer, 1);
  sim::rigAddFault(rig, camera, sim::truncateFrame(1, 100000));
  ASSERT_TRUE(pipeline->selectSize(kLivePicture));
  ASSERT_TRUE(pipeline->storeImage());
  ASSERT_TRUE(pipeline->startTransfer());
  EXPECT_TRUE(pipeline->readChunk(kLivePicture)) << "a short read is not a failure";
  EXPECT_FALSE(pipeline->readChunk(kLivePicture)) << "the rest never comes: time-out";
  EXPECT_EQ(pipeline->frameInProgress, 1u) << "the caller decides what follows";
}

TEST_F(FramePipelineTest, AbortedFrameRestartsFromNothing) {
  start(sim::kModelXga, LinkVariant::Viewer, 1);
  ASSERT_TRUE(pipeline->selectSize(kLivePicture));
  ASSERT_TRUE(pipeline->storeImage());
  ASSERT_TRUE(pipeline->startTransfer());
  ASSERT_TRUE(pipeline->readChunk(kLivePicture));
  pipeline->abortFrame();
  EXPECT_EQ(pipeline->consumedOutput, 0);
  EXPECT_EQ(pipeline->pixelCount, 0u);
  // Drop the rest of the abandoned transfer, then a whole frame is exact.
  std::vector<uint8_t> rest(393216);
  link->readImage(rest.data(), 393216 - 131072);
  fetchLiveFrame();
  const std::vector<uint8_t> expected = expectedBitmap(512, 384, heldCounter(), false);
  EXPECT_EQ(0, std::memcmp(pipeline->liveImage, expected.data(), expected.size()));
}

}  // namespace
