// The simulated camera's protocol: replies, state behind every command
// family, the warm-up, levels over time, the reply pipe, faults, wire log.
#include "tests/sim/sim_test_util.h"

using namespace sim;
using simtest::Block;
using simtest::command;
using simtest::exchange;
using simtest::readyCamera;
using simtest::send;

namespace {

uint8_t statusA4(SimCamera* camera) { return send(camera, kCodeQueryStatus, 0)[4]; }
uint8_t statusA3(SimCamera* camera) { return send(camera, kCodeQueryStatus, 0)[3]; }
uint8_t statusB3(SimCamera* camera) { return send(camera, kCodeQueryConfig, 0)[3]; }

int32_t wideValue(const Block& reply) { return reply[3] << 8 | reply[4]; }

}  // namespace

TEST(SimCamera, AcceptedCommandIsEchoedWithStatusFilledIn) {
  auto camera = readyCamera();
  Block lamp = command(kCodeLamp, 8);
  Block reply = exchange(camera.get(), lamp);
  Block expected = lamp;
  expected.b[2] = 0x80;
  EXPECT_EQ(0, memcmp(expected.b, reply.b, 8));
  // A level set carries its value in byte 4, which is echoed too.
  reply = send(camera.get(), kCodeIrisSet, 0, 77);
  EXPECT_EQ(77, reply[4]);
  EXPECT_EQ(0xAF, reply[7]);
}

TEST(SimCamera, UnknownCodeOrParameterIsRejected) {
  auto camera = readyCamera();
  for (Block block : {command(0x77, 5), command(kCodeLamp, 7), command(kCodeStoreImage, 3),
                      command(kCodeMemorySave, 9), command(kCodePresetExecute, 5), command(kCodeFocusLimit, 0)}) {
    Block reply = exchange(camera.get(), block);
    EXPECT_EQ(0x80, reply[2] & 0x80);
    uint8_t low = reply[2] & 0x0F;
    EXPECT_TRUE(low != 0 && low != 8) << "code " << int(block[1]);
    EXPECT_EQ(block[1], reply[1]);
  }
  Block bad = command(kCodeLamp, 8);
  bad.b[0] = 0x55;  // not a command block
  EXPECT_EQ(kSimStatusRejected, exchange(camera.get(), bad)[2]);
  EXPECT_EQ(kLampUpper, camera->lamp);
}

TEST(SimCamera, WarmUpAnswersNotReadyForTheChosenNumberOfStatusQueries) {
  std::unique_ptr<SimCamera> camera(new SimCamera);
  cameraInit(camera.get(), kModelXga, 0);
  camera->warmupQueries = 3;
  // Commands other than status queries do not act and do not shorten it.
  EXPECT_EQ(0x40, send(camera.get(), kCodeLamp, 10)[2] & 0xC0);
  EXPECT_EQ(kLampUpper, camera->lamp);
  for (int n = 0; n < 3; ++n) {
    Block reply = send(camera.get(), kCodeQueryStatus, 0);
    EXPECT_EQ(0x40, reply[2] & 0xC0) << n;
    EXPECT_EQ(0x61, reply[1]);
  }
  EXPECT_EQ(0x80, send(camera.get(), kCodeQueryStatus, 0)[2]);
  EXPECT_EQ(0x80, send(camera.get(), kCodeLamp, 10)[2]);
  EXPECT_EQ(kLampOff, camera->lamp);
  // A power cycle starts the warm-up again.
  cameraPowerUp(camera.get(), 0);
  EXPECT_EQ(0x40, send(camera.get(), kCodeQueryStatus, 0)[2] & 0xC0);
}

TEST(SimCamera, StatusAReportsLampInputOutputPolarityAperture) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  EXPECT_EQ(0x05, statusA4(c));  // upper lamp, XGA, internal, positive
  send(c, kCodeLamp, 8);
  EXPECT_EQ(2, (statusA4(c) >> 2) & 3);
  send(c, kCodeLamp, 10);
  EXPECT_EQ(0, (statusA4(c) >> 2) & 3);
  send(c, kCodeLamp, 5);
  EXPECT_EQ(1, (statusA4(c) >> 2) & 3);
  send(c, kCodeOutputMode, 10);
  EXPECT_EQ(2, statusA4(c) & 3);
  send(c, kCodeOutputMode, 5);
  EXPECT_EQ(3, statusA4(c) & 3);
  send(c, kCodeOutputMode, 8);
  EXPECT_EQ(1, statusA4(c) & 3);
  send(c, kCodePolarity, 10);
  EXPECT_EQ(0x80, statusA4(c) & 0x80);
  send(c, kCodePolarity, 5);
  EXPECT_EQ(0, statusA4(c) & 0x80);
  send(c, kCodeAperture, 10);
  EXPECT_EQ(0x04, statusA3(c) & 0x04);
  send(c, kCodeAperture, 5);
  EXPECT_EQ(0, statusA3(c) & 0x04);
  c->presetLock = 1;
  EXPECT_EQ(0x10, statusA3(c) & 0x10);
}

TEST(SimCamera, ExternalInputsReportNoSyncUnlessConnected) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  c->ext1Connected = 1;
  c->ext2Connected = 0;
  send(c, kCodeInput, 8);
  EXPECT_EQ(kInputExt1, (statusA4(c) >> 4) & 7);
  send(c, kCodeInput, 10);
  EXPECT_EQ(kInputNoSync2, (statusA4(c) >> 4) & 7);
  c->ext2Connected = 1;
  EXPECT_EQ(kInputExt2, (statusA4(c) >> 4) & 7);
  c->ext1Connected = 0;
  send(c, kCodeInput, 8);
  EXPECT_EQ(kInputNoSync1, (statusA4(c) >> 4) & 7);
  send(c, kCodeInput, 5);
  EXPECT_EQ(kInputInternal, (statusA4(c) >> 4) & 7);
}

TEST(SimCamera, RotationFollowsThePanelsQuarterTurnCycle) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  // The panel sends 8 at 0 degrees, 10 at 90, 13 at 180, 5 at 270.
  const uint8_t parameter[4] = {8, 10, 13, 5};
  const uint8_t expectedBits[4] = {0x10, 0x20, 0x30, 0x00};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(0x80, send(c, kCodeRotate, parameter[n])[2]);
    EXPECT_EQ(expectedBits[n], statusB3(c) & 0x30) << n;
  }
  EXPECT_EQ(kSimStatusRejected, send(c, kCodeRotate, 9)[2]);
}

TEST(SimCamera, StatusBReportsFreezeAndMemoryModes) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  EXPECT_EQ(0, statusB3(c));
  send(c, kCodeFreeze, 5);
  EXPECT_EQ(0x40, statusB3(c));
  send(c, kCodeFreeze, 10);
  send(c, kCodeMemorySave, 3);
  send(c, kCodeMemoryRecall, 3);
  EXPECT_EQ(0x80, statusB3(c));
  send(c, kCodeDivide, 3);
  EXPECT_EQ(0x04, statusB3(c));
  send(c, kCodeDivide, 9);
  EXPECT_EQ(0x08, statusB3(c));
  // In the multi screen a recall fills the multi picture, recall stays off.
  send(c, kCodeMemoryRecall, 2);
  EXPECT_EQ(0x08, statusB3(c));
  send(c, kCodeFree, 5);
  EXPECT_EQ(0, statusB3(c));
  EXPECT_EQ(0x80, send(c, kCodeShift, 5)[2]);
}

TEST(SimCamera, SizeSelectTakesAnyOtherParameterAsHalf) {
  auto camera = readyCamera();
  const uint8_t parameters[] = {0, 2, 1, 5, 255};
  const uint8_t sizes[] = {0, 2, 1, 1, 1};
  for (int n = 0; n < 5; ++n) {
    Block reply = send(camera.get(), kCodeSelectSize, parameters[n]);
    EXPECT_EQ(parameters[n], reply[3]);
    EXPECT_EQ(sizes[n], camera->sizeIndex);
  }
}

TEST(SimCamera, LevelsAreSetQueriedAndClampedToTheirRanges) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  send(c, kCodeZoomSet, 0x07, 0x11);
  EXPECT_EQ(1809, wideValue(send(c, kCodeZoomQuery, 0)));
  send(c, kCodeZoomSet, 0x09, 0x00);  // 2304: beyond the end
  EXPECT_EQ(1809, wideValue(send(c, kCodeZoomQuery, 0)));
  send(c, kCodeIrisSet, 0, 200);
  EXPECT_EQ(120, send(c, kCodeIrisQuery, 0)[4]);
  send(c, kCodeVolSet, 0, 33);
  EXPECT_EQ(33, send(c, kCodeVolQuery, 0)[4]);
  send(c, kCodeRedSet, 0, 150);
  EXPECT_EQ(150, send(c, kCodeRedQuery, 0)[4]);
  send(c, kCodeBlueSet, 0, 201);
  EXPECT_EQ(200, send(c, kCodeBlueQuery, 0)[4]);
  int32_t focusMax = wideValue(send(c, kCodeFocusLimit, 5));
  int32_t focusMin = wideValue(send(c, kCodeFocusLimit, 10));
  EXPECT_LT(focusMin, focusMax);
  send(c, kCodeFocusSet, static_cast<uint8_t>((focusMin + 1) >> 8), static_cast<uint8_t>(focusMin + 1));
  EXPECT_EQ(focusMin + 1, wideValue(send(c, kCodeFocusQuery, 0)));
  send(c, kCodeFocusSet, 0, 0);
  EXPECT_EQ(focusMin, wideValue(send(c, kCodeFocusQuery, 0)));
}

TEST(SimCamera, HeldArrowMovesTheLevelWithTimeUntilTheStop) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  send(c, kCodeZoomMove, 5, 0, 1000);
  int32_t atOneSecond = wideValue(send(c, kCodeZoomQuery, 0, 0, 2000));
  EXPECT_GT(atOneSecond, 0);
  EXPECT_EQ(1, send(c, kCodeQueryBusy, 0, 0, 2000)[4] & 0x0F);
  send(c, kCodeStopMove, 5, 0, 2500);
  int32_t stopped = wideValue(send(c, kCodeZoomQuery, 0, 0, 2500));
  EXPECT_GT(stopped, atOneSecond);
  EXPECT_EQ(stopped, wideValue(send(c, kCodeZoomQuery, 0, 0, 9000)));
  EXPECT_EQ(0, send(c, kCodeQueryBusy, 0, 0, 9000)[4]);
  // Decreasing Iris runs into its lower end and stops being busy there.
  send(c, kCodeIrisMove, 10, 0, 10000);
  EXPECT_LT(send(c, kCodeIrisQuery, 0, 0, 10500)[4], 60);
  EXPECT_EQ(4, send(c, kCodeQueryBusy, 0, 0, 10500)[4]);
  EXPECT_EQ(0, send(c, kCodeIrisQuery, 0, 0, 60000)[4]);
  EXPECT_EQ(0, send(c, kCodeQueryBusy, 0, 0, 60000)[4]);
  send(c, kCodeStopMove, 5, 0, 60000);
}

TEST(SimCamera, EveryMovingLevelShowsInTheBusyByte) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  const uint8_t moves[6] = {kCodeFocusMove, kCodeZoomMove, kCodeIrisMove, kCodeVolMove, kCodeRedMove, kCodeBlueMove};
  uint32_t now = 0;
  for (uint8_t code : moves) {
    send(c, code, 5, 0, now);
    uint8_t busy = send(c, kCodeQueryBusy, 0, 0, now + 100)[4];
    uint8_t low = busy & 0x0F, high = busy >> 4;
    // The device link counts the camera busy for these nibbles.
    EXPECT_TRUE(low == 1 || low == 2 || low == 4 || (high >= 2 && high <= 5)) << int(code);
    send(c, kCodeStopMove, 5, 0, now + 100);
    EXPECT_EQ(0, send(c, kCodeQueryBusy, 0, 0, now + 100)[4]);
    now += 1000;
  }
}

TEST(SimCamera, AutoFocusAndWhiteBalanceRunForAWhile) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  send(c, kCodeRedSet, 0, 10);
  send(c, kCodeAwc, 5, 0, 5000);
  EXPECT_EQ(5, send(c, kCodeQueryBusy, 0, 0, 5100)[4] >> 4);
  EXPECT_EQ(0, send(c, kCodeQueryBusy, 0, 0, 7000)[4]);
  EXPECT_EQ(100, send(c, kCodeRedQuery, 0, 0, 7000)[4]);
  send(c, kCodeAutoFocus, 5, 0, 8000);
  EXPECT_EQ(2, send(c, kCodeQueryBusy, 0, 0, 8100)[4] & 0x0F);
  EXPECT_EQ(0, send(c, kCodeQueryBusy, 0, 0, 9000)[4]);
}

TEST(SimCamera, PresetsKeepZoomFocusAndIris) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  send(c, kCodeZoomSet, 0x03, 0x00);
  send(c, kCodeIrisSet, 0, 40);
  send(c, kCodePresetSave, 4);
  send(c, kCodeZoomSet, 0, 5);
  send(c, kCodeIrisSet, 0, 90);
  send(c, kCodePresetExecute, 4);
  EXPECT_EQ(0x300, wideValue(send(c, kCodeZoomQuery, 0)));
  EXPECT_EQ(40, send(c, kCodeIrisQuery, 0)[4]);
  // An empty preset changes nothing.
  send(c, kCodePresetExecute, 2);
  EXPECT_EQ(40, send(c, kCodeIrisQuery, 0)[4]);
}

TEST(SimCamera, HoldAdvancesThePictureUnlessFrozen) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  send(c, kCodeStoreImage, 5);
  uint32_t first = c->heldPicture.counter;
  send(c, kCodeStoreImage, 10);
  send(c, kCodeStoreImage, 5);
  EXPECT_EQ(first + 1, c->heldPicture.counter);
  send(c, kCodeFreeze, 5);
  send(c, kCodeStoreImage, 10);
  send(c, kCodeStoreImage, 5);
  EXPECT_EQ(first + 1, c->heldPicture.counter);
}

TEST(SimCamera, ReplyPipeServesQueuedRepliesInOrder) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  uint8_t buffer[16];
  uint32_t done = 99;
  EXPECT_EQ(kSimWait, cameraRead(c, 1, buffer, 8, 0, &done));
  EXPECT_EQ(0u, done);
  Block lamp = command(kCodeLamp, 8), size = command(kCodeSelectSize, 2);
  cameraWrite(c, 0, lamp.b, 8, 0, &done);
  cameraWrite(c, 0, size.b, 8, 0, &done);
  EXPECT_EQ(kSimErrorGenFailure, cameraRead(c, 1, buffer, 4, 0, &done));
  EXPECT_EQ(kSimDone, cameraRead(c, 1, buffer, 16, 0, &done));
  EXPECT_EQ(8u, done);
  EXPECT_EQ(kCodeLamp, buffer[1]);
  EXPECT_EQ(kSimDone, cameraRead(c, 1, buffer, 8, 0, &done));
  EXPECT_EQ(kCodeSelectSize, buffer[1]);
  // Wrong directions.
  EXPECT_EQ(kSimErrorInvalidParameter, cameraRead(c, 0, buffer, 8, 0, &done));
  EXPECT_EQ(kSimErrorInvalidParameter, cameraWrite(c, 1, lamp.b, 8, 0, &done));
  EXPECT_EQ(kSimErrorInvalidParameter, cameraWrite(c, 3, lamp.b, 8, 0, &done));
  // Incomplete blocks are taken but not answered.
  EXPECT_EQ(kSimDone, cameraWrite(c, 0, lamp.b, 5, 0, &done));
  EXPECT_EQ(5u, done);
  EXPECT_EQ(kSimWait, cameraRead(c, 1, buffer, 8, 0, &done));
}

TEST(SimCamera, ImageReadWaitsWithoutTransferAndReadsShortAtTheEnd) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  std::vector<uint8_t> buffer(131072);
  uint32_t done = 0;
  EXPECT_EQ(kSimWait, cameraRead(c, 3, buffer.data(), 131072, 0, &done));
  send(c, kCodeSelectSize, 2);
  send(c, kCodeStoreImage, 5);
  send(c, kCodeTransferImage, 5);
  EXPECT_EQ(kSimDone, cameraRead(c, 3, buffer.data(), 131072, 0, &done));
  EXPECT_EQ(98304u, done);
  EXPECT_EQ(kSimWait, cameraRead(c, 3, buffer.data(), 131072, 0, &done));
}

TEST(SimCamera, ScriptedFailuresHitTheNthOperationOfThatPipe) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  Block status = command(kCodeQueryStatus, 0);
  uint8_t reply[8];
  uint32_t done = 0;
  ASSERT_TRUE(cameraAddFault(c, failOperation(0, kDirWrite, 2, 31, 2)));
  EXPECT_EQ(kSimDone, cameraWrite(c, 0, status.b, 8, 0, &done));
  EXPECT_EQ(31u, cameraWrite(c, 0, status.b, 8, 0, &done));
  EXPECT_EQ(31u, cameraWrite(c, 0, status.b, 8, 0, &done));
  EXPECT_EQ(kSimDone, cameraWrite(c, 0, status.b, 8, 0, &done));
  // Failed writes never reached the camera: two replies, two log entries.
  EXPECT_EQ(2u, c->replyCount);
  EXPECT_EQ(2u, c->logTotal);
  // A stalled read leaves the reply queued for the next read.
  ASSERT_TRUE(cameraAddFault(c, stallOperation(1, kDirRead, 1)));
  EXPECT_EQ(kSimStall, cameraRead(c, 1, reply, 8, 0, &done));
  EXPECT_EQ(2u, c->replyCount);
  EXPECT_EQ(kSimDone, cameraRead(c, 1, reply, 8, 0, &done));
  // Garbage instead of the reply; the real reply is gone.
  const uint8_t garbage[8] = {0xDE, 0xAD, 0xBE, 0xEF, 1, 2, 3, 4};
  ASSERT_TRUE(cameraAddFault(c, replaceReply(1, garbage)));
  EXPECT_EQ(kSimDone, cameraRead(c, 1, reply, 8, 0, &done));
  EXPECT_EQ(0, memcmp(garbage, reply, 8));
  EXPECT_EQ(0u, c->replyCount);
  // A retried read is the same operation: it neither counts nor meets a fault.
  ASSERT_TRUE(cameraAddFault(c, failOperation(1, kDirRead, 2, 5)));
  EXPECT_EQ(kSimWait, cameraRead(c, 1, reply, 8, 0, &done));
  EXPECT_EQ(kSimWait, cameraRead(c, 1, reply, 8, 0, &done, true));
  EXPECT_EQ(5u, cameraRead(c, 1, reply, 8, 0, &done));
  cameraClearFaults(c);
  EXPECT_EQ(kSimWait, cameraRead(c, 1, reply, 8, 0, &done));
}

TEST(SimCamera, TruncatedFrameEndsEarlyAndGoAwayFailsTheCrossingRead) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  std::vector<uint8_t> buffer(131072);
  uint32_t done = 0;
  ASSERT_TRUE(cameraAddFault(c, truncateFrame(2, 1000)));
  send(c, kCodeSelectSize, 2);
  send(c, kCodeTransferImage, 5);
  EXPECT_EQ(98304u, simtest::readFrame(c, 98304, 131072).size());  // the first transfer is whole
  send(c, kCodeTransferImage, 5);
  EXPECT_EQ(kSimDone, cameraRead(c, 3, buffer.data(), 131072, 0, &done));
  EXPECT_EQ(1000u, done);
  EXPECT_EQ(kSimWait, cameraRead(c, 3, buffer.data(), 131072, 0, &done));

  ASSERT_TRUE(cameraAddFault(c, goAwayMidFrame(1, 65536)));
  send(c, kCodeTransferImage, 5);
  EXPECT_EQ(kSimDone, cameraRead(c, 3, buffer.data(), 65536, 0, &done));
  EXPECT_EQ(0, c->wentAway);
  EXPECT_EQ(kSimErrorGone, cameraRead(c, 3, buffer.data(), 4, 0, &done));
  EXPECT_EQ(1, c->wentAway);
}

TEST(SimCamera, WireLogKeepsTheLatestBlocksInOrder) {
  auto camera = readyCamera();
  SimCamera* c = camera.get();
  uint32_t done = 0;
  for (uint32_t n = 0; n < kSimLogSize + 10; ++n) {
    Block block = command(kCodeIrisSet, 0, static_cast<uint8_t>(n));
    cameraWrite(c, 0, block.b, 8, n, &done);
  }
  std::vector<SimLogEntry> log(kSimLogSize + 10);
  uint32_t count = cameraWireLog(c, log.data(), static_cast<uint32_t>(log.size()));
  ASSERT_EQ(kSimLogSize, count);
  EXPECT_EQ(10, log[0].bytes[4]);
  EXPECT_EQ(10u, log[0].timeMs);
  EXPECT_EQ(static_cast<uint8_t>(kSimLogSize + 9), log[count - 1].bytes[4]);
  Block last = command(kCodeIrisSet, 0, static_cast<uint8_t>(kSimLogSize + 9));
  EXPECT_EQ(0, memcmp(last.b, log[count - 1].bytes, 8));
  EXPECT_EQ(8, log[count - 1].length);
  cameraClearWireLog(c);
  EXPECT_EQ(0u, cameraWireLog(c, log.data(), 4));
}
