// The rig in front of the simulated cameras, reached through the platform's
// files: paths, the single open per pipe, unplug and replug, the time-out,
// blocked reads woken by the camera or by its removal, faults, wire log.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/sim_rig.h"

using namespace sim;

namespace {

const char kDevice1[] = "\\\\.\\ZELBxQ001";
const char kPipe0[] = "\\\\.\\ZELBxQ001\\0\\0\\0\\0";
const char kPipe1[] = "\\\\.\\ZELBxQ001\\0\\0\\0\\1";
const char kPipe3[] = "\\\\.\\ZELBxQ001\\0\\0\\0\\3";

class SimRig : public ::testing::Test {
 protected:
  void SetUp() override {
    rig = rigCreate();
    ASSERT_NE(nullptr, rig);
    camera = rigAddCamera(rig, kModelXga, 1);
    rigSetWarmup(rig, camera, 0);
    rigSetTimeout(rig, 50);
    rigInstall(rig);
  }
  void TearDown() override {
    for (plat::Handle h : opened) plat::closeHandle(h);
    rigDestroy(rig);
    EXPECT_EQ(nullptr, plat::devicePathSeam());
  }
  plat::Handle open(const char* path) {
    plat::Handle h = plat::openPath(path);
    if (h != plat::invalidHandle()) opened.push_back(h);
    return h;
  }
  void close(plat::Handle h) {
    for (size_t n = 0; n < opened.size(); ++n) {
      if (opened[n] == h) opened.erase(opened.begin() + static_cast<long>(n));
    }
    plat::closeHandle(h);
  }
  // Error code of an open that must fail.
  uint32_t openError(const char* path) {
    plat::Handle h = open(path);
    return h == plat::invalidHandle() ? plat::lastError() : 0;
  }
  bool writeBlock(plat::Handle pipe, uint8_t code, uint8_t parameter) {
    uint8_t block[8] = {0xA0, code, 0, parameter, 0, 0, 0, 0xAF};
    uint32_t done = 0;
    return plat::writeFile(pipe, block, 8, &done) && done == 8;
  }

  Rig* rig = nullptr;
  int camera = -1;
  std::vector<plat::Handle> opened;
};

struct PendingRead {
  plat::Handle pipe;
  uint32_t count;
  std::vector<uint8_t> buffer;
  bool ok;
  uint32_t error, done, elapsedMs;
};

uint32_t readInThread(void* argument) {
  PendingRead* read = static_cast<PendingRead*>(argument);
  read->buffer.resize(read->count);
  uint32_t start = plat::tickCount();
  read->ok = plat::readFile(read->pipe, read->buffer.data(), read->count, &read->done);
  read->error = read->ok ? 0 : plat::lastError();
  read->elapsedMs = plat::tickCount() - start;
  return 0;
}

void join(plat::Handle thread) {
  uint32_t code = plat::kStillActive;
  for (int n = 0; n < 4000 && plat::threadExitCode(thread, &code) && code == plat::kStillActive; ++n) plat::sleepMs(1);
  EXPECT_NE(plat::kStillActive, code);
  plat::closeHandle(thread);
}

}  // namespace

TEST_F(SimRig, DevicePathsAreNumberedPerCameraAndModel) {
  int large = rigAddCamera(rig, kModelSxga, 3);
  int named = rigAddCamera(rig, kModelXga, 4, "ZELB5");
  ASSERT_GE(large, 0);
  ASSERT_GE(named, 0);
  EXPECT_NE(plat::invalidHandle(), open(kDevice1));
  EXPECT_NE(plat::invalidHandle(), open("\\\\.\\zelbxq001"));  // names are not case sensitive
  EXPECT_NE(plat::invalidHandle(), open("\\\\.\\ZELA1003"));
  EXPECT_NE(plat::invalidHandle(), open("\\\\.\\ZELA1003\\0\\0\\0\\3"));
  EXPECT_NE(plat::invalidHandle(), open("\\\\.\\ZELB5004\\0\\0\\0\\0"));
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ000"));
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ002"));
  EXPECT_EQ(2u, openError("\\\\.\\ZELB1001"));
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ01"));
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ0011"));
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ001\\0\\0\\0\\9"));   // no such pipe
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ001\\0\\1\\0\\0"));   // no such interface
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ001\\0\\0\\0"));      // three parts
  EXPECT_EQ(2u, openError("\\\\.\\ZELBxQ001\\0\\0\\0\\x"));
  // The picture of each model has its own size.
  SimCamera* model = rigLockCamera(rig, large);
  EXPECT_EQ(2621440u, frameBytes(model, 0));
  rigUnlockCamera(rig, large);
}

TEST_F(SimRig, EachPipeOpensOnceTheDeviceManyTimes) {
  EXPECT_NE(plat::invalidHandle(), open(kDevice1));
  EXPECT_NE(plat::invalidHandle(), open(kDevice1));
  plat::Handle pipe3 = open(kPipe3);
  ASSERT_NE(plat::invalidHandle(), pipe3);
  EXPECT_EQ(170u, openError(kPipe3));
  close(pipe3);
  EXPECT_NE(plat::invalidHandle(), open(kPipe3));
  // Configuration and alternate setting are not part of the pipe's identity.
  EXPECT_NE(plat::invalidHandle(), open("\\\\.\\ZELBxQ001\\1\\0\\0\\0"));
  EXPECT_EQ(170u, openError(kPipe0));
  // A scripted open failure hits the next open of that pipe only.
  rigFailNextOpen(rig, camera, 2, 31);
  EXPECT_EQ(31u, openError("\\\\.\\ZELBxQ001\\0\\0\\0\\2"));
  EXPECT_NE(plat::invalidHandle(), open("\\\\.\\ZELBxQ001\\0\\0\\0\\2"));
  rigFailNextOpen(rig, camera, -1, 5);
  EXPECT_EQ(5u, openError(kDevice1));
  EXPECT_NE(plat::invalidHandle(), open(kDevice1));
}

TEST_F(SimRig, CommandAndReplyTravelThroughThePipes) {
  plat::Handle device = open(kDevice1);
  plat::Handle command = open(kPipe0), reply = open(kPipe1);
  ASSERT_TRUE(writeBlock(command, 0x03, 8));
  uint8_t block[8] = {0};
  uint32_t done = 0;
  ASSERT_TRUE(plat::readFile(reply, block, 8, &done));
  const uint8_t expected[8] = {0xA0, 0x03, 0x80, 0x08, 0, 0, 0, 0xAF};
  EXPECT_EQ(0, memcmp(expected, block, 8));
  // Wrong directions and the device handle itself.
  EXPECT_FALSE(plat::readFile(command, block, 8, &done));
  EXPECT_EQ(87u, plat::lastError());
  EXPECT_FALSE(plat::writeFile(reply, block, 8, &done));
  EXPECT_EQ(87u, plat::lastError());
  EXPECT_FALSE(plat::readFile(device, block, 8, &done));
  EXPECT_EQ(1u, plat::lastError());
  // The wire log holds the block as sent.
  SimLogEntry log[4];
  ASSERT_EQ(1u, rigWireLog(rig, camera, log, 4));
  const uint8_t sent[8] = {0xA0, 0x03, 0x00, 0x08, 0, 0, 0, 0xAF};
  EXPECT_EQ(0, memcmp(sent, log[0].bytes, 8));
  rigClearWireLog(rig, camera);
  EXPECT_EQ(0u, rigWireLog(rig, camera, log, 4));
}

TEST_F(SimRig, UnservedTransfersTimeOutWith121) {
  plat::Handle reply = open(kPipe1), image = open(kPipe3);
  uint8_t block[8];
  std::vector<uint8_t> chunk(131072);
  uint32_t done = 77;
  uint32_t start = plat::tickCount();
  EXPECT_FALSE(plat::readFile(reply, block, 8, &done));
  EXPECT_EQ(121u, plat::lastError());
  EXPECT_EQ(0u, done);
  EXPECT_FALSE(plat::readFile(image, chunk.data(), 131072, &done));
  EXPECT_EQ(121u, plat::lastError());
  EXPECT_GE(plat::tickCount() - start, 2 * 50u - 2);
}

TEST_F(SimRig, FrameArrivesInChunksWithAShortLastRead) {
  rigSetContent(rig, camera, kContentKnown);
  plat::Handle command = open(kPipe0), reply = open(kPipe1), image = open(kPipe3);
  uint8_t block[8];
  uint32_t done = 0;
  for (uint8_t code : {0x31, 0x32, 0x33}) {
    ASSERT_TRUE(writeBlock(command, code, code == 0x31 ? 2 : 5));
    ASSERT_TRUE(plat::readFile(reply, block, 8, &done));
    EXPECT_EQ(0x80, block[2]);
  }
  std::vector<uint8_t> frame(131072);
  ASSERT_TRUE(plat::readFile(image, frame.data(), 65536, &done));
  EXPECT_EQ(65536u, done);
  ASSERT_TRUE(plat::readFile(image, frame.data() + 65536, 65536, &done));
  EXPECT_EQ(98304u - 65536u, done);
  SimCamera* model = rigLockCamera(rig, camera);
  uint32_t counter = model->heldPicture.counter;
  rigUnlockCamera(rig, camera);
  uint8_t group[4];
  knownContentGroup(98304 / 4 - 1, counter, group);
  EXPECT_EQ(0, memcmp(group, &frame[98304 - 4], 4));
}

TEST_F(SimRig, BlockedImageReadIsServedWhenTheTransferStarts) {
  rigSetTimeout(rig, 3000);
  plat::Handle command = open(kPipe0), image = open(kPipe3);
  PendingRead read = {image, 131072, {}, false, 0, 0, 0};
  plat::Handle thread = plat::startThread(readInThread, &read);
  ASSERT_NE(nullptr, thread);
  plat::sleepMs(20);
  ASSERT_TRUE(writeBlock(command, 0x31, 2));
  ASSERT_TRUE(writeBlock(command, 0x33, 5));
  join(thread);
  EXPECT_TRUE(read.ok) << read.error;
  EXPECT_EQ(98304u, read.done);
  EXPECT_LT(read.elapsedMs, 2500u);
}

TEST_F(SimRig, UnplugWakesAWaitingReadAndKillsEveryHandle) {
  rigSetTimeout(rig, 3000);
  plat::Handle device = open(kDevice1);
  plat::Handle command = open(kPipe0), reply = open(kPipe1);
  PendingRead read = {reply, 8, {}, false, 0, 0, 0};
  plat::Handle thread = plat::startThread(readInThread, &read);
  ASSERT_NE(nullptr, thread);
  plat::sleepMs(20);
  rigUnplug(rig, camera);
  join(thread);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(1167u, read.error);
  EXPECT_LT(read.elapsedMs, 2500u);
  EXPECT_FALSE(rigIsPlugged(rig, camera));
  EXPECT_FALSE(writeBlock(command, 0x61, 0));
  EXPECT_EQ(1167u, plat::lastError());
  EXPECT_EQ(2u, openError(kDevice1));
  EXPECT_EQ(2u, openError(kPipe3));
  (void)device;

  // Back at the same number, powered up afresh; old handles stay dead.
  rigReplug(rig, camera);
  EXPECT_TRUE(rigIsPlugged(rig, camera));
  EXPECT_FALSE(writeBlock(command, 0x61, 0));
  EXPECT_EQ(1167u, plat::lastError());
  plat::Handle command2 = open(kPipe0), reply2 = open(kPipe1);
  ASSERT_NE(plat::invalidHandle(), command2);
  ASSERT_NE(plat::invalidHandle(), reply2);
  ASSERT_TRUE(writeBlock(command2, 0x61, 0));
  uint8_t block[8];
  uint32_t done = 0;
  ASSERT_TRUE(plat::readFile(reply2, block, 8, &done));
  EXPECT_EQ(0x80, block[2]);
  close(command);  // a dead handle's close must not free the new owner's pipe
  EXPECT_EQ(170u, openError(kPipe0));

  // Back at the next number.
  rigReplug(rig, camera, 2);
  EXPECT_EQ(2u, openError(kDevice1));
  EXPECT_NE(plat::invalidHandle(), open("\\\\.\\ZELBxQ002\\0\\0\\0\\0"));
}

TEST_F(SimRig, ClosingAHandleEndsItsWaitingRead) {
  rigSetTimeout(rig, 3000);
  plat::Handle reply = plat::openPath(kPipe1);
  ASSERT_NE(plat::invalidHandle(), reply);
  PendingRead read = {reply, 8, {}, false, 0, 0, 0};
  plat::Handle thread = plat::startThread(readInThread, &read);
  ASSERT_NE(nullptr, thread);
  plat::sleepMs(20);
  plat::closeHandle(reply);
  join(thread);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(995u, read.error);
  EXPECT_LT(read.elapsedMs, 2500u);
  // The pipe is free again.
  EXPECT_NE(plat::invalidHandle(), open(kPipe1));
}

TEST_F(SimRig, ScriptedFaultsReachTheCaller) {
  plat::Handle command = open(kPipe0), reply = open(kPipe1);
  uint8_t block[8];
  uint32_t done = 0;
  ASSERT_TRUE(rigAddFault(rig, camera, failOperation(0, kDirWrite, 2, 31)));
  EXPECT_TRUE(writeBlock(command, 0x61, 0));
  EXPECT_FALSE(writeBlock(command, 0x62, 0));
  EXPECT_EQ(31u, plat::lastError());
  // A stalled read times out although a reply waits; the next read gets it.
  ASSERT_TRUE(rigAddFault(rig, camera, stallOperation(1, kDirRead, 1)));
  EXPECT_FALSE(plat::readFile(reply, block, 8, &done));
  EXPECT_EQ(121u, plat::lastError());
  ASSERT_TRUE(plat::readFile(reply, block, 8, &done));
  EXPECT_EQ(0x61, block[1]);
  // Another command's reply.
  const uint8_t other[8] = {0xA0, 0x62, 0x80, 0x10, 0, 0, 0, 0xAF};
  ASSERT_TRUE(rigAddFault(rig, camera, replaceReply(1, other)));
  ASSERT_TRUE(writeBlock(command, 0x61, 0));
  ASSERT_TRUE(plat::readFile(reply, block, 8, &done));
  EXPECT_EQ(0, memcmp(other, block, 8));
  rigClearFaults(rig, camera);
  ASSERT_TRUE(writeBlock(command, 0x61, 0));
  ASSERT_TRUE(plat::readFile(reply, block, 8, &done));
  EXPECT_EQ(0x61, block[1]);
}

TEST_F(SimRig, CameraGoingAwayMidFrameFailsTheReadAndUnplugs) {
  plat::Handle command = open(kPipe0), image = open(kPipe3);
  ASSERT_TRUE(rigAddFault(rig, camera, goAwayMidFrame(1, 2 * 131072)));
  ASSERT_TRUE(writeBlock(command, 0x31, 0));
  ASSERT_TRUE(writeBlock(command, 0x32, 5));
  ASSERT_TRUE(writeBlock(command, 0x33, 5));
  std::vector<uint8_t> chunk(131072);
  uint32_t done = 0;
  EXPECT_TRUE(plat::readFile(image, chunk.data(), 131072, &done));
  EXPECT_TRUE(plat::readFile(image, chunk.data(), 131072, &done));
  EXPECT_FALSE(plat::readFile(image, chunk.data(), 131072, &done));
  EXPECT_EQ(1167u, plat::lastError());
  EXPECT_FALSE(rigIsPlugged(rig, camera));
  EXPECT_EQ(2u, openError(kDevice1));
}

// The traffic trace: one line per block taken on the command pipe, in the
// order taken, across cameras; a failed write and a write of another length
// are not blocks taken; a new trace starts the file afresh.
TEST_F(SimRig, TrafficTraceHasOneLinePerCommandBlockTaken) {
  const char* path = "sim_rig_test_trace.wire";
  ASSERT_TRUE(rigTraceTo(rig, path));
  int second = rigAddCamera(rig, kModelSxga, 2);
  rigSetWarmup(rig, second, 0);
  plat::Handle command = open(kPipe0);
  plat::Handle otherCommand = open("\\\\.\\ZELA1002\\0\\0\\0\\0");
  ASSERT_TRUE(writeBlock(command, 0x32, 5));
  ASSERT_TRUE(writeBlock(otherCommand, 0x31, 2));
  uint32_t done = 0;
  const uint8_t shortWrite[5] = {0xA0, 0x61, 0, 0, 0};
  ASSERT_TRUE(plat::writeFile(command, shortWrite, 5, &done));
  ASSERT_TRUE(rigAddFault(rig, camera, failOperation(0, kDirWrite, 1, 31)));  // the next write fails
  ASSERT_FALSE(writeBlock(command, 0x33, 5));
  ASSERT_TRUE(writeBlock(command, 0x33, 0x0A));

  auto contents = [&]() {
    std::string text;
    FILE* file = fopen(path, "rb");
    if (!file) return std::string("(no file)");
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    fclose(file);
    return text;
  };
  EXPECT_EQ("A0 32 00 05 00 00 00 AF\nA0 31 00 02 00 00 00 AF\nA0 33 00 0A 00 00 00 AF\n", contents());
  ASSERT_TRUE(rigTraceTo(rig, path));
  EXPECT_EQ("", contents());
  ASSERT_TRUE(rigTraceTo(rig, nullptr));
  ASSERT_TRUE(writeBlock(command, 0x32, 10));
  EXPECT_EQ("", contents());
  EXPECT_FALSE(rigTraceTo(rig, "no_such_directory/trace.wire"));
  remove(path);
}
