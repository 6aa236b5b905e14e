// Pipe transactions: the retry rule, the direction swap on time-outs, the
// reply check, the handshakes, the queries and the image read.
#include "tests/devlink/link_fixture.h"

using namespace devlink;

namespace {

class PipeTransactionsTest : public LinkFixture {
 protected:
  int openCamera(LinkVariant variant = LinkVariant::Viewer) {
    camera = addCamera(1);
    link = new DeviceLink(variant);
    EXPECT_TRUE(link->open(1));
    sim::rigClearWireLog(rig, camera);
    return camera;
  }
  void TearDown() override {
    if (link) {
      link->close();
      delete link;
    }
    LinkFixture::TearDown();
  }
  int camera = -1;
  DeviceLink* link = nullptr;
};

TEST(CheckReply, AcceptedEchoPassesAndOtherRepliesFail) {
  const CommandBlock command = CommandBlock::make(0x32, 5);
  EXPECT_TRUE(DeviceLink::checkReply(command, blockOf(0xA0, 0x32, 0x80, 5)));
  EXPECT_TRUE(DeviceLink::checkReply(command, blockOf(0xA0, 0x32, 0x88, 5)));
  EXPECT_FALSE(DeviceLink::checkReply(command, blockOf(0xA0, 0x32, 0x83, 5))) << "rejected status";
  EXPECT_FALSE(DeviceLink::checkReply(command, blockOf(0xA0, 0x32, 0x00, 5))) << "bit 7 clear";
  EXPECT_FALSE(DeviceLink::checkReply(command, blockOf(0xA0, 0x31, 0x80, 5))) << "another code";
  EXPECT_FALSE(DeviceLink::checkReply(command, blockOf(0xA0, 0x32, 0x80, 10))) << "another parameter";
  EXPECT_FALSE(DeviceLink::checkReply(command, blockOf(0xA1, 0x32, 0x80, 5))) << "lead byte";
  EXPECT_FALSE(DeviceLink::checkReply(command, blockOf(0xA0, 0x32, 0x80, 5, 0, 0, 0, 0))) << "trailer";
  // Level commands carry data in byte 4: a reply with other data is another command's.
  const CommandBlock set = CommandBlock::make(0x46, 0x03, 0x20);
  EXPECT_TRUE(DeviceLink::checkReply(set, blockOf(0xA0, 0x46, 0x80, 0x03, 0x20)));
  EXPECT_FALSE(DeviceLink::checkReply(set, blockOf(0xA0, 0x46, 0x80, 0x03, 0x21)));
}

TEST(CommandBlockLayout, WordsAndBytesAgree) {
  const CommandBlock block = CommandBlock::make(0x31, 1);
  EXPECT_EQ(block.lowWord(), 0x010031A0u);
  EXPECT_EQ(block.highWord(), 0xAF000000u);
  EXPECT_EQ(CommandBlock::fromValue(block.value()), block);
}

TEST_F(PipeTransactionsTest, WriteRetriedTwiceStillRepeatsTheSendingPhase) {
  openCamera();
  sim::rigAddFault(rig, camera, sim::failOperation(0, sim::kDirWrite, 1, 31, 2));
  CommandBlock block = CommandBlock::make(0x32, 5);
  EXPECT_TRUE(link->transact(&block));
  // The third attempt succeeded with lastError still set, so the block was
  // written once more.
  EXPECT_EQ(wireCodes(camera), (std::vector<uint8_t>{0x32, 0x32}));
  EXPECT_EQ(block, blockOf(0xA0, 0x32, 0x80, 5));
}

TEST_F(PipeTransactionsTest, ThreeFailedAttemptsFailTheExchange) {
  openCamera();
  sim::rigAddFault(rig, camera, sim::failOperation(0, sim::kDirWrite, 1, 31, 3));
  CommandBlock block = CommandBlock::make(0x32, 5);
  EXPECT_FALSE(link->transact(&block));
  EXPECT_EQ(link->lastError, 31u);
  EXPECT_TRUE(wireCodes(camera).empty());
  // The lock was given back.
  EXPECT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitObject0);
  plat::setEvent(link->linkLock);
}

TEST_F(PipeTransactionsTest, TimedOutWriteIsNotRetriedAndReadsTheReplyPipe) {
  openCamera();
  sim::rigAddFault(rig, camera, sim::stallOperation(0, sim::kDirWrite, 1));
  CommandBlock block = CommandBlock::make(0x32, 5);
  // Nothing is queued on the reply pipe either: the exchange fails.
  EXPECT_FALSE(link->transact(&block));
  EXPECT_EQ(link->lastError, plat::kErrorSemTimeout);
  EXPECT_TRUE(wireCodes(camera).empty());
}

TEST_F(PipeTransactionsTest, TimedOutWriteThenReadEndsSendingAndReceivingWritesAgain) {
  openCamera();
  // Leave a status reply queued: its read times out once.
  sim::rigAddFault(rig, camera, sim::stallOperation(1, sim::kDirRead, 1));
  CommandBlock query = CommandBlock::make(0x61, 0);
  EXPECT_FALSE(link->transactOnce(&query, true));

  sim::rigAddFault(rig, camera, sim::stallOperation(0, sim::kDirWrite, 1));
  CommandBlock block = CommandBlock::make(0x32, 5);
  // The write times out, the read takes the stale reply, the receiving read
  // times out and the command is written again. The reply at hand belongs to
  // the status query, so the block stays as it was.
  EXPECT_TRUE(link->transact(&block));
  EXPECT_EQ(block, CommandBlock::make(0x32, 5));
  EXPECT_EQ(wireCodes(camera), (std::vector<uint8_t>{0x61, 0x32}));
}

TEST_F(PipeTransactionsTest, ReplyOfAnotherCommandLeavesTheBlockButTransactSucceeds) {
  openCamera();
  const uint8_t other[8] = {0xA0, 0x31, 0x80, 0x02, 0, 0, 0, 0xAF};
  sim::rigAddFault(rig, camera, sim::replaceReply(1, other));
  CommandBlock block = CommandBlock::make(0x32, 5);
  EXPECT_TRUE(link->transact(&block));
  EXPECT_EQ(block, CommandBlock::make(0x32, 5));

  sim::rigAddFault(rig, camera, sim::replaceReply(1, other));
  CommandBlock checked = CommandBlock::make(0x32, 5);
  EXPECT_FALSE(link->transactOnce(&checked, false));
  EXPECT_EQ(checked, CommandBlock::make(0x32, 5));

  sim::rigAddFault(rig, camera, sim::replaceReply(1, other));
  CommandBlock unchecked = CommandBlock::make(0x32, 5);
  EXPECT_TRUE(link->transactOnce(&unchecked, true));
  EXPECT_EQ(unchecked, blockOf(0xA0, 0x31, 0x80, 0x02));
}

TEST_F(PipeTransactionsTest, TransactOnceGivesUpWhenTheLockIsHeld) {
  openCamera();
  ASSERT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitObject0);
  CommandBlock block = CommandBlock::make(0x61, 0);
  EXPECT_FALSE(link->transactOnce(&block, true));
  EXPECT_TRUE(wireCodes(camera).empty());
  // The lock was not touched: still taken.
  EXPECT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitTimeout);
  plat::setEvent(link->linkLock);
}

TEST_F(PipeTransactionsTest, HandshakeSleepsAfterTheReadyReplyAndKeepsTheLock) {
  openCamera();
  sleeps.clear();
  EXPECT_TRUE(link->waitReady());
  EXPECT_EQ(sleeps, (std::vector<uint32_t>{1000}));
  EXPECT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitTimeout) << "lock left taken";
  CommandBlock release = CommandBlock::make(0x32, 10);
  EXPECT_TRUE(link->transactHeld(&release));
  EXPECT_EQ(release, blockOf(0xA0, 0x32, 0x80, 10));
  EXPECT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitObject0) << "held exchange gave it back";
  plat::setEvent(link->linkLock);
}

TEST_F(PipeTransactionsTest, HandshakeWaitsThroughTheWarmUp) {
  openCamera();
  sim::rigSetWarmup(rig, camera, 3);
  sim::rigLockCamera(rig, camera)->statusQueriesSeen = 0;
  sim::rigUnlockCamera(rig, camera);
  sleeps.clear();
  EXPECT_TRUE(link->waitReady());
  EXPECT_EQ(sleeps.size(), 4u);
}

TEST_F(PipeTransactionsTest, HandshakeGivesUpAfterTwentyRounds) {
  openCamera();
  sim::rigSetWarmup(rig, camera, 1000);
  sim::rigLockCamera(rig, camera)->statusQueriesSeen = 0;
  sim::rigUnlockCamera(rig, camera);
  sleeps.clear();
  EXPECT_FALSE(link->waitReady());
  EXPECT_EQ(sleeps.size(), 20u);
  EXPECT_TRUE(exits.empty());
}

TEST_F(PipeTransactionsTest, HandshakeWithAnUnpluggedCameraEndsTheProgram) {
  openCamera();
  sim::rigUnplug(rig, camera);
  EXPECT_FALSE(link->waitReady());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "The USB connection is discontinued.");
  EXPECT_EQ(messages[0].caption, "Error");
  EXPECT_EQ(exits, (std::vector<uint32_t>{0}));
}

TEST_F(PipeTransactionsTest, DataSourceHandshakeWaitsForTopBitsOneZero) {
  openCamera(LinkVariant::DataSource);
  sim::rigSetWarmup(rig, camera, 2);
  sim::rigLockCamera(rig, camera)->statusQueriesSeen = 0;
  sim::rigUnlockCamera(rig, camera);
  sleeps.clear();
  EXPECT_TRUE(link->waitReady());
  EXPECT_EQ(sleeps, (std::vector<uint32_t>{300, 300, 300}));
  // Each query took and gave back the lock.
  EXPECT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitObject0);
  plat::setEvent(link->linkLock);
}

TEST_F(PipeTransactionsTest, DataSourceHandshakeFailsAfterThirtyRoundsOrOnAFailedQuery) {
  openCamera(LinkVariant::DataSource);
  sim::rigSetWarmup(rig, camera, 1000);
  sim::rigLockCamera(rig, camera)->statusQueriesSeen = 0;
  sim::rigUnlockCamera(rig, camera);
  sleeps.clear();
  EXPECT_FALSE(link->waitReady());
  EXPECT_EQ(sleeps.size(), 30u);

  sim::rigAddFault(rig, camera, sim::stallOperation(1, sim::kDirRead, 1));
  sleeps.clear();
  EXPECT_FALSE(link->waitReady());
  EXPECT_TRUE(sleeps.empty());
}

TEST_F(PipeTransactionsTest, QueriesReturnTheWholeReplyOrZero) {
  openCamera();
  const uint64_t status = link->queryStatus();
  EXPECT_EQ(CommandBlock::fromValue(status).bytes[1], 0x61);
  EXPECT_EQ(CommandBlock::fromValue(link->queryConfig()).bytes[1], 0x62);
  sim::rigAddFault(rig, camera, sim::stallOperation(1, sim::kDirRead, 1));
  EXPECT_EQ(link->queryStatus(), 0u);
}

TEST_F(PipeTransactionsTest, IdleFollowsBothNibblesOfByteFour) {
  openCamera();
  const uint8_t idle[] = {0x00, 0x08, 0x13, 0x60};
  const uint8_t busy[] = {0x01, 0x02, 0x04, 0x21, 0x30};
  for (uint8_t b : idle) {
    const uint8_t reply[8] = {0xA0, 0x64, 0x80, 0x00, b, 0, 0, 0xAF};
    sim::rigAddFault(rig, camera, sim::replaceReply(1, reply));
    EXPECT_TRUE(link->isIdle()) << std::hex << int(b);
  }
  for (uint8_t b : busy) {
    const uint8_t reply[8] = {0xA0, 0x64, 0x80, 0x00, b, 0, 0, 0xAF};
    sim::rigAddFault(rig, camera, sim::replaceReply(1, reply));
    EXPECT_FALSE(link->isIdle()) << std::hex << int(b);
  }
  sim::rigAddFault(rig, camera, sim::stallOperation(1, sim::kDirRead, 1));
  EXPECT_FALSE(link->isIdle());
}

TEST_F(PipeTransactionsTest, ImageReadResizesStagingAndLeavesAHeldLockAlone) {
  openCamera();
  CommandBlock hold = CommandBlock::make(0x32, 5);
  CommandBlock transfer = CommandBlock::make(0x33, 5);
  ASSERT_TRUE(link->transact(&hold));
  ASSERT_TRUE(link->transact(&transfer));
  std::vector<uint8_t> chunk(4096, 0xEE);
  EXPECT_TRUE(link->readImage(chunk.data(), 4096));
  EXPECT_EQ(link->stagingSize, 4096u);
  EXPECT_NE(chunk[0], 0xEE);

  ASSERT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitObject0);
  EXPECT_FALSE(link->readImage(chunk.data(), 4096));
  EXPECT_EQ(plat::waitFor(link->linkLock, 0), plat::kWaitTimeout) << "a held lock is not released";
  plat::setEvent(link->linkLock);
}

TEST_F(PipeTransactionsTest, FailedImageReadIsReported) {
  openCamera();
  std::vector<uint8_t> chunk(4096);
  // No transfer was started: the read times out.
  EXPECT_FALSE(link->readImage(chunk.data(), 4096));
  EXPECT_EQ(link->lastError, plat::kErrorSemTimeout);
}

}  // namespace
