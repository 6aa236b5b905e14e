// End to end with the simulated camera: a stand-in source window opens the
// camera through the device link, captures one frame with the frame
// pipeline as the preview thread does, and offers it; the application then
// takes it by native and memory transfer.
#include <cstring>

#include "devlink/device_link.h"
#include "devlink/frame_pipeline.h"
#include "platform/platform.h"
#include "sim/sim_rig.h"
#include "tests/twain/twain_test_support.h"
#include "twain/capabilities.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"

using namespace twain;
using namespace devlink;

namespace {

struct SimWindow {
  DeviceLink* link = nullptr;
  FramePipeline* pipeline = nullptr;
};
SimWindow simWindow;

// The start-up of the source window: camera, handshake, frame pipeline.
plat::WindowHandle simCreate(void*, plat::WindowHandle) {
  simWindow.link = new DeviceLink(LinkVariant::DataSource);
  simWindow.pipeline = new FramePipeline(simWindow.link, LinkVariant::DataSource);
  simWindow.pipeline->setSizeIndex(1);
  if (!simWindow.link->open(1) || !simWindow.link->waitReady() || !simWindow.pipeline->init()) {
    simWindow.link->close();
    delete simWindow.pipeline;
    delete simWindow.link;
    simWindow = SimWindow();
    return nullptr;
  }
  simWindow.pipeline->releaseImage();
  sourceWindowState.viewSize = 1;
  sourceWindowState.largeModel = simWindow.link->largeModel;
  return &simWindow;
}

void simDestroy(void*, plat::WindowHandle) {
  simWindow.pipeline->release();
  simWindow.link->close();
  delete simWindow.pipeline;
  delete simWindow.link;
  simWindow = SimWindow();
}

const SourceWindowSeam kSimSeam = {nullptr, simCreate, nullptr, simDestroy, nullptr};

// Full or Half pressed: one frame at that size, then the capture handshake
// up to its first MSG_XFERREADY.
bool captureAndOffer(int32_t viewSize) {
  FramePipeline& p = *simWindow.pipeline;
  sourceWindowState.viewSize = viewSize;
  p.setSizeIndex(viewSize);
  if (!p.resetForSize() || !p.selectSize(kLivePicture) || !p.storeImage() || !p.startTransfer()) return false;
  while (p.frameInProgress) {
    if (!p.readChunk(kLivePicture)) return false;
  }
  recordCaptureFrame(p.liveImage, p.liveImageBytes);
  sourceWindowState.appAnswered = 0;
  sourceWindowState.transferEnded = 0;
  if (!p.releaseImage()) return false;
  captureDefaults();
  return true;
}

void noSleep(uint32_t) {}

class CaptureTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    plat::installSleepHook(noSleep);
    rig_ = sim::rigCreate();
    ASSERT_NE(nullptr, rig_);
    sim::rigSetTimeout(rig_, 50);
    installSourceWindowSeam(&kSimSeam);
    openSource();
  }
  void TearDown() override {
    if (sourceRecord.sourceWindow) call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr);
    sim::rigDestroy(rig_);
    plat::installSleepHook(nullptr);
    TwainTest::TearDown();
  }
  void plugCamera(sim::SimModel model) {
    ASSERT_GE(sim::rigAddCamera(rig_, model, 1), 0);
    sim::rigSetWarmup(rig_, 0, 0);
    sim::rigInstall(rig_);
  }
  TW_UINT16 enable() {
    TW_USERINTERFACE ui{1, 0, reinterpret_cast<void*>(0x4321)};
    return call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  }
  // The captured frame's row y, as the application should receive it.
  const uint8_t* frameRow(int32_t y, int32_t width) { return simWindow.pipeline->liveImage + y * width * 3; }

  sim::Rig* rig_ = nullptr;
};

TEST_F(CaptureTest, HalfCaptureArrivesByNativeTransferBottomUp) {
  plugCamera(sim::kModelXga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  ASSERT_EQ(500, sourceRecord.sourceState);
  ASSERT_TRUE(captureAndOffer(1));
  ASSERT_EQ(600, sourceRecord.sourceState);
  ASSERT_FALSE(notifications.empty());
  EXPECT_EQ(MSG_XFERREADY, notifications.back().msg);

  TW_IMAGEINFO info{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  EXPECT_EQ(1, sourceWindowState.appAnswered);
  EXPECT_EQ(512, info.ImageWidth);
  EXPECT_EQ(384, info.ImageLength);
  TW_HANDLE dib = nullptr;
  ASSERT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
  ASSERT_NE(nullptr, dib);
  const uint8_t* bits = static_cast<const uint8_t*>(gmem::lock(dib)) + 40;
  EXPECT_EQ(0, std::memcmp(bits + 383 * 1536, frameRow(0, 512), 1536));
  EXPECT_EQ(0, std::memcmp(bits, frameRow(383, 512), 1536));
  // The simulated document is not blank.
  bool varied = false;
  for (int i = 3; i < 1536 && !varied; ++i) varied = bits[100 * 1536 + i] != bits[100 * 1536];
  EXPECT_TRUE(varied);
  gmem::unlock(dib);
  gmem::release(dib);

  TW_PENDINGXFERS pending{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
  EXPECT_EQ(0, pending.Count);
  EXPECT_EQ(1, sourceWindowState.transferEnded);
  EXPECT_EQ(600, sourceRecord.sourceState);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
  EXPECT_EQ(400, sourceRecord.sourceState);
  EXPECT_EQ(nullptr, sourceWindowState.captureFrame);
  EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(CaptureTest, FullCaptureOnTheLargeModelArrivesInMemoryStrips) {
  plugCamera(sim::kModelSxga);
  ASSERT_EQ(TWRC_SUCCESS, enable());
  ASSERT_EQ(1u, sourceWindowState.largeModel);
  ASSERT_TRUE(captureAndOffer(0));
  TW_SETUPMEMXFER setup{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup));
  std::vector<uint8_t> buffer(setup.Preferred);
  uint32_t rows = 0;
  TW_UINT16 rc;
  int calls = 0;
  bool pixelsMatch = true;
  do {
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory.Flags = 0x0001 | 0x0008;
    xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
    xfer.Memory.TheMem = buffer.data();
    rc = call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE);
    EXPECT_EQ(3840u, +xfer.BytesPerRow);
    EXPECT_EQ(1280u, +xfer.Columns);
    EXPECT_EQ(rows, +xfer.YOffset);
    for (uint32_t r = 0; r < xfer.Rows; ++r) {
      const uint8_t* want = frameRow(rows + r, 1280);
      const uint8_t* got = &buffer[r * 3840];
      for (int x = 0; x < 1280; x += 61) {
        pixelsMatch = pixelsMatch && got[3 * x] == want[3 * x + 2] && got[3 * x + 2] == want[3 * x];
      }
    }
    rows += xfer.Rows;
  } while (rc == TWRC_SUCCESS && ++calls < 1000);
  EXPECT_EQ(TWRC_XFERDONE, rc);
  EXPECT_EQ(1024u, rows);
  EXPECT_TRUE(pixelsMatch);
  TW_PENDINGXFERS pending{};
  EXPECT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
}

TEST_F(CaptureTest, AbsentCameraMeansNoWindowAndTheUsbBox) {
  sim::rigInstall(rig_);  // no camera behind the device paths
  EXPECT_EQ(TWRC_FAILURE, enable());
  EXPECT_EQ(400, sourceRecord.sourceState);
  ASSERT_FALSE(shownBoxes.empty());
  const ShownBox& box = shownBoxes.back();
  EXPECT_EQ("Veltrum Lumidesk TWAIN Error", box.caption);
  EXPECT_EQ(reinterpret_cast<void*>(0x4321), box.owner);
  EXPECT_NE(std::string::npos, box.text.find("Please disconnect the plug of USB and reconnect it."));
  EXPECT_EQ(TWCC_LOWMEMORY, status());
}

}  // namespace
