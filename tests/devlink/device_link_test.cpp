// Device discovery and pipes: the index search, the four pipes, opening,
// reopening, closing, presence, the staging buffer and the messages.
#include <atomic>
#include <chrono>
#include <cstring>

#include "tests/devlink/link_fixture.h"

using namespace devlink;

namespace {

class DeviceLinkTest : public LinkFixture {};

plat::Handle openPipe(const char* devicePath, int pipe) {
  char path[128];
  std::snprintf(path, sizeof path, "%s\\0\\0\\0\\%d", devicePath, pipe);
  return plat::openPath(path);
}

TEST_F(DeviceLinkTest, FreshRecordStartsAtIndexOneAndNeverTriesZero) {
  addCamera(0);
  addCamera(1);
  DeviceLink link;
  ASSERT_TRUE(link.open(1));
  EXPECT_EQ(link.deviceIndex, 1);
  EXPECT_STREQ(link.devicePath, "\\\\.\\ZELBxQ001");
  link.close();
}

TEST_F(DeviceLinkTest, CameraOnlyAtIndexZeroIsNotFound) {
  addCamera(0);
  DeviceLink link;
  EXPECT_FALSE(link.open(1));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Fail to find USB device driver.\nCheck the USB plug or the power of ZEL Bx-Q Series set.");
  EXPECT_EQ(messages[0].caption, "Error - Device Driver");
  EXPECT_EQ(messages[0].flags & 0xF0, plat::kMbIconError);
  EXPECT_FALSE(link.isOpen());
}

TEST_F(DeviceLinkTest, TwoCamerasOpenLowestFirstAndReopenMovesOn) {
  addCamera(2);
  addCamera(5);
  DeviceLink link;
  ASSERT_TRUE(link.open(1));
  EXPECT_EQ(link.deviceIndex, 2);
  ASSERT_TRUE(link.reopen());
  EXPECT_EQ(link.deviceIndex, 5);
  EXPECT_STREQ(link.devicePath, "\\\\.\\ZELBxQ005");
  // Nothing above 5: the search fails, shows the message and leaves all closed.
  EXPECT_FALSE(link.reopen());
  EXPECT_EQ(link.deviceIndex, 5);
  EXPECT_FALSE(link.isOpen());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Error - Device Driver");
}

TEST_F(DeviceLinkTest, PipeFailureClosesEverythingOpenedSoFar) {
  const int camera = addCamera(1);
  sim::rigFailNextOpen(rig, camera, 2, 31);
  DeviceLink link;
  EXPECT_EQ(link.findDevice(), 31u);
  link.close();

  sim::rigFailNextOpen(rig, camera, 2, 31);
  DeviceLink second;
  EXPECT_FALSE(second.open(1));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Error - Device Driver");
  for (int pipe = 0; pipe < kPipeCount; ++pipe) EXPECT_EQ(second.pipeHandles[pipe], plat::invalidHandle());
  // Pipes 0 and 1 were given back: another opener gets them.
  plat::Handle pipe0 = openPipe("\\\\.\\ZELBxQ001", 0);
  plat::Handle pipe1 = openPipe("\\\\.\\ZELBxQ001", 1);
  EXPECT_NE(pipe0, plat::invalidHandle());
  EXPECT_NE(pipe1, plat::invalidHandle());
  plat::closeHandle(pipe0);
  plat::closeHandle(pipe1);
}

TEST_F(DeviceLinkTest, SecondOpenerFindsPipesBusy) {
  addCamera(1);
  DeviceLink first;
  ASSERT_TRUE(first.open(1));
  plat::Handle pipe = openPipe(first.devicePath, 3);
  EXPECT_EQ(pipe, plat::invalidHandle());
  EXPECT_EQ(plat::lastError(), plat::kErrorBusy);
  DeviceLink second;
  EXPECT_FALSE(second.open(1));
  EXPECT_EQ(messages.size(), 1u);
  first.close();
}

TEST_F(DeviceLinkTest, PresentWhileHeldAbsentAfterUnplug) {
  const int camera = addCamera(1);
  DeviceLink link;
  ASSERT_TRUE(link.open(1));
  EXPECT_TRUE(link.isPresent());
  sim::rigUnplug(rig, camera);
  EXPECT_FALSE(link.isPresent());
  link.close();
}

TEST_F(DeviceLinkTest, StagingBufferFollowsTheSizeIndex) {
  addCamera(1);
  const uint32_t expected[3] = {131072, 131072, 98304};
  for (int s = 0; s < 3; ++s) {
    DeviceLink link;
    ASSERT_TRUE(link.open(s));
    EXPECT_EQ(link.stagingSize, expected[s]) << "size index " << s;
    EXPECT_NE(link.stagingBuffer, nullptr);
    link.close();
    EXPECT_EQ(link.stagingBuffer, nullptr);
  }
}

TEST_F(DeviceLinkTest, LineSkipFlagComesFromTheQuarterTurnBit) {
  const int camera = addCamera(1);
  for (uint8_t quarterTurns = 0; quarterTurns < 4; ++quarterTurns) {
    sim::rigLockCamera(rig, camera)->rotation = quarterTurns;
    sim::rigUnlockCamera(rig, camera);
    DeviceLink link;
    ASSERT_TRUE(link.open(1));
    EXPECT_EQ(link.lineSkipFlag(), quarterTurns & 1u) << "quarter turns " << int(quarterTurns);
    link.close();
  }
}

TEST_F(DeviceLinkTest, OpenSendsStatusThenConfigQueries) {
  const int camera = addCamera(1);
  DeviceLink link;
  ASSERT_TRUE(link.open(1));
  EXPECT_EQ(wireCodes(camera), (std::vector<uint8_t>{0x61, 0x62}));
  link.close();
}

// Time at the driver's scale: the clock runs in real time, and every
// transfer the rig lets time out (after its scaled-down wait) moves it on by
// the rest of the driver's 5 s.
class DriverScaleTest : public DeviceLinkTest {
 protected:
  static constexpr uint32_t kDriverTimeoutMs = 5000;
  void SetUp() override {
    DeviceLinkTest::SetUp();
    origin = std::chrono::steady_clock::now();
    timedOutMs = 0;
    rigPaths = sim::rigSeam(rig);
    driverScale = *rigPaths;
    driverScale.read = [](void* context, uint32_t id, void* buffer, uint32_t count, uint32_t* done) {
      return atDriverScale(rigPaths->read(context, id, buffer, count, done));
    };
    driverScale.write = [](void* context, uint32_t id, const void* buffer, uint32_t count, uint32_t* done) {
      return atDriverScale(rigPaths->write(context, id, buffer, count, done));
    };
    plat::installDevicePathSeam(&driverScale);
    plat::installTickHook(clock);
  }
  void TearDown() override {
    plat::installTickHook(nullptr);
    plat::installDevicePathSeam(rigPaths);
    DeviceLinkTest::TearDown();
  }
  static uint32_t atDriverScale(uint32_t code) {
    if (code == plat::kErrorSemTimeout) timedOutMs += kDriverTimeoutMs - kRigTimeoutMs;
    return code;
  }
  static uint32_t clock() {
    const auto real = std::chrono::steady_clock::now() - origin;
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(real).count()) +
           timedOutMs.load();
  }
  static std::chrono::steady_clock::time_point origin;
  static std::atomic<uint32_t> timedOutMs;
  static const plat::DevicePathSeam* rigPaths;
  static plat::DevicePathSeam driverScale;
};
std::chrono::steady_clock::time_point DriverScaleTest::origin;
std::atomic<uint32_t> DriverScaleTest::timedOutMs{0};
const plat::DevicePathSeam* DriverScaleTest::rigPaths = nullptr;
plat::DevicePathSeam DriverScaleTest::driverScale;

TEST_F(DriverScaleTest, ViewerOpenGivesUpOnASilentCameraWithinTheHandshakeBound) {
  const int camera = addCamera(1);
  sim::rigAddFault(rig, camera, sim::stallOperation(1, sim::kDirRead, 1, 1000));
  DeviceLink link;
  const uint32_t start = plat::tickCount();
  EXPECT_FALSE(link.open(1));
  const uint32_t elapsed = plat::tickCount() - start;
  // It asks for the whole 20 s, and starts no query after them (the last
  // one may still take its 5 s).
  EXPECT_GE(elapsed, 20000u);
  EXPECT_LE(elapsed, 20000u + kDriverTimeoutMs);
  EXPECT_FALSE(link.isOpen());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, kDeviceDriverTextViewer);
  EXPECT_EQ(messages[0].caption, "Error - Device Driver");
}

TEST_F(DeviceLinkTest, CloseIsSafeToRepeat) {
  addCamera(1);
  DeviceLink link;
  link.close();
  ASSERT_TRUE(link.open(1));
  link.close();
  link.close();
  EXPECT_FALSE(link.isOpen());
  EXPECT_EQ(link.linkLock, nullptr);
}

TEST_F(DeviceLinkTest, DataSourceTriesFourNamesAndMarksTheLargeModel) {
  addCamera(3, sim::kModelSxga);  // \\.\ZELA1003
  addCamera(4, sim::kModelXga, "ZELB5");
  DeviceLink link(LinkVariant::DataSource);
  ASSERT_TRUE(link.open(1));
  EXPECT_STREQ(link.devicePath, "\\\\.\\ZELA1003");
  EXPECT_EQ(link.largeModel, 1u);
  ASSERT_TRUE(link.reopen());
  EXPECT_STREQ(link.devicePath, "\\\\.\\ZELB5004");
  EXPECT_EQ(link.largeModel, 0u);
  link.close();
}

TEST_F(DeviceLinkTest, DataSourceOpenFailsQuietlyWhenAQueryFails) {
  const int camera = addCamera(1);
  sim::rigAddFault(rig, camera, sim::stallOperation(1, sim::kDirRead, 2));
  DeviceLink link(LinkVariant::DataSource);
  EXPECT_FALSE(link.open(1));
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(link.isOpen());
}

TEST_F(DeviceLinkTest, DataSourceWithoutCameraShowsItsOwnText) {
  DeviceLink link(LinkVariant::DataSource);
  EXPECT_FALSE(link.open(1));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Fail to find USB device driver.\nCheck the USB plug or the power of the USB set.");
  EXPECT_EQ(messages[0].caption, "Error - Device Driver");
}

}  // namespace
