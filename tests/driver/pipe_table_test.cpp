#include "driver/logic/pipe_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "driver/logic/pipe_name.h"

namespace zelb1 {
namespace {

class PipeTable : public ::testing::Test {
 protected:
  PipeTable() {
    state = PipeOpenState{};
    for (auto& pipes : counts.pipes) pipes = kNoInterface;
    counts.pipes[0] = 4;  // the camera: one interface, four pipes
  }

  Status open(const std::u16string& name, uint32_t* code) {
    return openByName(state, counts, name.data(), name.size(), code);
  }

  PipeOpenState state;
  InterfacePipeCounts counts;
};

TEST_F(PipeTable, SecondOpenOfAPipeIsBusyUntilTheFirstIsClosed) {
  uint32_t first = 0, second = 0, third = 0;
  ASSERT_EQ(open(u"\\0\\0\\0\\3", &first), kStatusSuccess);
  EXPECT_EQ(open(u"\\0\\0\\0\\3", &second), kStatusDeviceBusy);
  releasePipe(state, first);
  EXPECT_EQ(open(u"\\0\\0\\0\\3", &third), kStatusSuccess);
  EXPECT_EQ(third, 3u);
}

TEST_F(PipeTable, PipeBeyondTheInterfacesPipesIsNoSuchDevice) {
  uint32_t code = 0;
  EXPECT_EQ(open(u"\\0\\0\\0\\9", &code), kStatusNoSuchDevice);
  EXPECT_EQ(open(u"\\0\\0\\0\\4", &code), kStatusNoSuchDevice);
  EXPECT_EQ(state.openPipeCount, 0u);
}

TEST_F(PipeTable, UnknownInterfaceIsRefusedLikeAnUnknownPipe) {
  uint32_t code = 0;
  EXPECT_EQ(open(u"\\0\\1\\0\\0", &code), kStatusNoSuchDevice);
  EXPECT_EQ(open(u"\\0\\27\\0\\0", &code), kStatusNoSuchDevice);
  EXPECT_EQ(open(u"\\0\\28\\0\\0", &code), kStatusNoSuchDevice);
  EXPECT_EQ(open(u"\\0\\255\\0\\0", &code), kStatusNoSuchDevice);
  EXPECT_EQ(state.openPipeCount, 0u);
}

TEST_F(PipeTable, NoPipeOpensBeforeTheDeviceWasConfigured) {
  counts.pipes[0] = kNoInterface;
  uint32_t code = 0;
  EXPECT_EQ(open(u"\\0\\0\\0\\0", &code), kStatusNoSuchDevice);
}

TEST_F(PipeTable, ConfigurationIsIgnoredAndTheTableIsKeyedByPipeIndexAlone) {
  counts.pipes[1] = 2;
  uint32_t held = 0, code = 0;
  ASSERT_EQ(open(u"\\1\\0\\0\\0", &held), kStatusSuccess);
  EXPECT_EQ(pipeCodePipe(held), 0u);
  EXPECT_EQ(open(u"\\0\\0\\0\\0", &code), kStatusDeviceBusy);
  EXPECT_EQ(open(u"\\0\\1\\0\\0", &code), kStatusDeviceBusy) << "pipe 0 of interface 1";
  EXPECT_EQ(open(u"\\0\\1\\0\\1", &code), kStatusSuccess);
}

TEST_F(PipeTable, EmptyNameOpensTheDeviceWithoutHoldingAPipe) {
  uint32_t code = 0;
  ASSERT_EQ(openByName(state, counts, nullptr, 0, &code), kStatusSuccess);
  EXPECT_EQ(code, kDevicePipeCode);
  EXPECT_EQ(state.openPipeCount, 0u);
  uint32_t again = 0;
  EXPECT_EQ(openByName(state, counts, nullptr, 0, &again), kStatusSuccess);
  releasePipe(state, code);
  EXPECT_EQ(state.openPipeCount, 0u);
}

TEST_F(PipeTable, RefusedOpenLeavesAFileThatReleasesNothingOnClose) {
  uint32_t held = 0, refused = 0;
  ASSERT_EQ(open(u"\\0\\0\\0\\0", &held), kStatusSuccess);
  ASSERT_EQ(open(u"\\0\\0\\0\\0", &refused), kStatusDeviceBusy);
  EXPECT_EQ(refused, kDevicePipeCode);
  releasePipe(state, refused);
  EXPECT_TRUE(state.pipeOpenTable[0].open) << "the holder keeps its pipe";
  EXPECT_EQ(state.openPipeCount, 1u);

  uint32_t malformed = 0;
  ASSERT_EQ(open(u"0\\0\\0\\0", &malformed), kStatusNoSuchDevice);
  EXPECT_EQ(malformed, kDevicePipeCode);
}

TEST_F(PipeTable, OpenTableRecordsCodesAndCountsOpenPipes) {
  uint32_t codes[4];
  const char16_t* names[4] = {u"\\0\\0\\0\\0", u"\\0\\0\\0\\1", u"\\0\\0\\0\\2", u"\\0\\0\\0\\3"};
  for (int n = 0; n < 4; ++n) {
    std::u16string name(names[n]);
    ASSERT_EQ(open(name, &codes[n]), kStatusSuccess);
  }
  EXPECT_EQ(state.openPipeCount, 4u);
  EXPECT_EQ(state.pipeOpenTable[2].code, 2);

  releasePipe(state, codes[2]);
  EXPECT_EQ(state.openPipeCount, 3u);
  EXPECT_FALSE(state.pipeOpenTable[2].open);
  EXPECT_EQ(state.pipeOpenTable[2].code, -1);

  releasePipe(state, codes[2]);
  EXPECT_EQ(state.openPipeCount, 3u) << "a second close of the same pipe releases nothing";
}

}  // namespace
}  // namespace zelb1

namespace zelb1 {
namespace {

// Two real threads meet at a barrier, round after round, and both open
// pipe 3 at once: exactly one may hold it each time. The rounds stop after
// a few seconds where threads run slowly (sanitizers, Wine).
TEST(PipeTableRace, SimultaneousOpensOfOnePipeLeaveExactlyOneHolder) {
  constexpr int kRounds = 400000;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  InterfacePipeCounts counts;
  for (auto& pipes : counts.pipes) pipes = kNoInterface;
  counts.pipes[0] = 4;
  const std::u16string name = u"\\0\\0\\0\\3";

  PipeOpenState state{};
  std::atomic<int> waiting{0};
  std::atomic<int> generation{0};
  // Both threads leave together: a short spin keeps them close, a yield
  // lets a loaded machine schedule the other one.
  auto meet = [&] {
    int seen = generation.load(std::memory_order_acquire);
    if (waiting.fetch_add(1, std::memory_order_acq_rel) == 1) {
      waiting.store(0, std::memory_order_relaxed);
      generation.fetch_add(1, std::memory_order_acq_rel);
      return;
    }
    for (int spins = 0; generation.load(std::memory_order_acquire) == seen; ++spins)
      if (spins > 2000) std::this_thread::yield();
  };
  std::atomic<int> winners{0};
  std::atomic<bool> stop{false};
  int rounds = 0;
  int badRounds = 0;
  auto opener = [&](bool judge) {
    while (!stop.load()) {
      meet();
      uint32_t code = 0;
      if (openByName(state, counts, name.data(), name.size(), &code) == kStatusSuccess)
        winners.fetch_add(1, std::memory_order_acq_rel);
      meet();
      if (judge) {
        if (winners.load() != 1 || state.openPipeCount != 1) ++badRounds;
        winners.store(0);
        state = PipeOpenState{};
        if (++rounds == kRounds || std::chrono::steady_clock::now() > deadline) stop.store(true);
      }
      meet();
    }
  };
  std::thread other(opener, false);
  opener(true);
  other.join();
  EXPECT_EQ(badRounds, 0) << "rounds in which pipe 3 had no holder or more than one, of " << rounds;
  EXPECT_GT(rounds, 1000);
}

}  // namespace
}  // namespace zelb1
