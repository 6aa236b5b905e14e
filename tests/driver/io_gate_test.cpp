#include "driver/logic/io_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace zelb1 {
namespace {

TEST(IoGate, EachStateAdmitsWhatItCanServe) {
  const Status ok = kStatusSuccess, noDevice = kStatusNoSuchDevice, pending = kStatusDeletePending,
               notReady = kStatusDeviceNotReady, gone = kStatusDeviceNotConnected;
  const RequestKind kinds[] = {RequestKind::DeviceOpen, RequestKind::PipeOpen, RequestKind::Transfer,
                               RequestKind::DeviceQuery, RequestKind::CameraQuery};
  struct Row {
    DeviceState state;
    Status expected[5];
  } rows[] = {
      //                           device   pipe      transfer  query  camera
      {DeviceState::NotStarted, {ok, noDevice, pending, ok, notReady}},
      {DeviceState::Started, {ok, ok, ok, ok, ok}},
      {DeviceState::Stopped, {ok, notReady, notReady, ok, notReady}},
      {DeviceState::SurpriseRemoved, {gone, gone, gone, gone, gone}},
      {DeviceState::Removed, {pending, pending, pending, pending, pending}},
  };
  for (const Row& row : rows)
    for (int k = 0; k < 5; ++k)
      EXPECT_EQ(admissionStatus(row.state, kinds[k]), row.expected[k])
          << "state " << static_cast<int>(row.state) << ", kind " << k;
}

Status enter(IoGate& gate, RequestKind kind) {
  bool drained = false;
  Status status = enterGate(gate, kind, &drained);
  EXPECT_FALSE(drained);
  return status;
}

TEST(IoGate, StopWaitsForTheTransferInsideAndStartOpensAgain) {
  IoGate gate;
  initGate(gate);
  setDeviceState(gate, DeviceState::Started);
  ASSERT_EQ(enter(gate, RequestKind::Transfer), kStatusSuccess);

  setDeviceState(gate, DeviceState::Stopped);
  EXPECT_FALSE(closeGate(gate)) << "a transfer is still inside";
  EXPECT_EQ(enter(gate, RequestKind::Transfer), kStatusDeviceNotReady);
  EXPECT_EQ(gate.holders, 1) << "the refused request holds nothing";
  EXPECT_TRUE(leaveGate(gate)) << "the last holder out lets the stop go on";

  reopenGate(gate);
  setDeviceState(gate, DeviceState::Started);
  EXPECT_EQ(enter(gate, RequestKind::Transfer), kStatusSuccess);
  EXPECT_FALSE(leaveGate(gate)) << "an open gate never drains";

  // Removed after a second stop, with a device query inside the closed gate.
  setDeviceState(gate, DeviceState::Stopped);
  EXPECT_TRUE(closeGate(gate));
  ASSERT_EQ(enter(gate, RequestKind::DeviceQuery), kStatusSuccess);
  setDeviceState(gate, DeviceState::Removed);
  EXPECT_FALSE(closeGate(gate)) << "removal waits for the query";
  EXPECT_TRUE(leaveGate(gate));
}

// Requests enter and leave on real threads while the device is stopped:
// once the stop has seen the last holder leave, nothing is inside and
// nothing new gets in.
TEST(IoGate, NoRequestIsInsideOnceTheStopHasDrainedTheGate) {
  for (int round = 0; round < 200; ++round) {
    IoGate gate;
    initGate(gate);
    setDeviceState(gate, DeviceState::Started);
    std::atomic<int> inside{0};
    std::atomic<bool> drained{false};
    std::atomic<bool> lateEntry{false};
    std::atomic<bool> stopNow{false};
    std::vector<std::thread> requests;
    for (int t = 0; t < 2; ++t) {
      requests.emplace_back([&] {
        for (int n = 0; n < 200 && !stopNow.load(); ++n) {
          bool lastOut = false;
          if (enterGate(gate, RequestKind::Transfer, &lastOut) != kStatusSuccess) {
            // A refused request may be the last to leave the closed gate.
            if (lastOut) drained.store(true);
            continue;
          }
          if (drained.load()) lateEntry.store(true);
          inside.fetch_add(1);
          inside.fetch_sub(1);
          if (leaveGate(gate)) drained.store(true);
        }
      });
    }
    setDeviceState(gate, DeviceState::Stopped);
    if (closeGate(gate)) drained.store(true);
    while (!drained.load()) std::this_thread::yield();
    EXPECT_EQ(inside.load(), 0);
    stopNow.store(true);
    for (auto& thread : requests) thread.join();
    EXPECT_FALSE(lateEntry.load()) << "round " << round;
  }
}

}  // namespace
}  // namespace zelb1
