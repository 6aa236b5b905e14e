#include "driver/logic/pipe_table.h"

#include <gtest/gtest.h>

#include <string>

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
