// The platform layer against the real system (natively POSIX, under Wine the
// Win32 implementation): events, waits, threads, seams, pages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

TEST(PlatformEvents, AutoResetEventLetsOneWaiterThroughAndResets) {
  plat::Handle event = plat::createEvent(false, true);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(plat::waitFor(event, 0), plat::kWaitObject0);
  EXPECT_EQ(plat::waitFor(event, 20), plat::kWaitTimeout);
  EXPECT_TRUE(plat::setEvent(event));
  EXPECT_EQ(plat::waitFor(event, plat::kInfinite), plat::kWaitObject0);
  EXPECT_EQ(plat::waitFor(event, 0), plat::kWaitTimeout);
  EXPECT_TRUE(plat::closeHandle(event));
}

TEST(PlatformEvents, ManualResetEventStaysSignalledUntilReset) {
  plat::Handle event = plat::createEvent(true, false);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(plat::waitFor(event, 10), plat::kWaitTimeout);
  plat::setEvent(event);
  EXPECT_EQ(plat::waitFor(event, 0), plat::kWaitObject0);
  EXPECT_EQ(plat::waitFor(event, 0), plat::kWaitObject0);
  plat::resetEvent(event);
  EXPECT_EQ(plat::waitFor(event, 0), plat::kWaitTimeout);
  plat::closeHandle(event);
}

TEST(PlatformEvents, TimedWaitLastsAboutItsTime) {
  plat::Handle event = plat::createEvent(true, false);
  const uint32_t start = plat::tickCount();
  EXPECT_EQ(plat::waitFor(event, 100), plat::kWaitTimeout);
  const uint32_t elapsed = plat::tickCount() - start;
  EXPECT_GE(elapsed, 90u);
  EXPECT_LT(elapsed, 2000u);
  plat::closeHandle(event);
}

struct Gate {
  plat::Handle release;
  plat::Handle started;
};

uint32_t waitThenExit(void* raw) {
  Gate* gate = static_cast<Gate*>(raw);
  plat::setEvent(gate->started);
  plat::waitFor(gate->release, plat::kInfinite);
  return 42;
}

TEST(PlatformThreads, ExitCodeIsStillActiveUntilTheThreadReturns) {
  Gate gate = {plat::createEvent(true, false), plat::createEvent(true, false)};
  plat::Handle thread = plat::startThread(waitThenExit, &gate);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(plat::waitFor(gate.started, 5000), plat::kWaitObject0);
  uint32_t code = 0;
  ASSERT_TRUE(plat::threadExitCode(thread, &code));
  EXPECT_EQ(code, plat::kStillActive);
  plat::setEvent(gate.release);
  for (int i = 0; i < 500 && code == plat::kStillActive; ++i) {
    plat::sleepMs(5);
    plat::threadExitCode(thread, &code);
  }
  EXPECT_EQ(code, 42u);
  plat::closeHandle(thread);
  plat::closeHandle(gate.release);
  plat::closeHandle(gate.started);
}

TEST(PlatformThreads, TerminatedThreadReportsTheForcedExitCode) {
  // The gate events outlive the test: the runaway thread may still use them.
  static Gate gate = {plat::createEvent(true, false), plat::createEvent(true, false)};
  plat::Handle thread = plat::startThread(waitThenExit, &gate);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(plat::waitFor(gate.started, 5000), plat::kWaitObject0);
  EXPECT_TRUE(plat::terminateThread(thread, 5600));
  uint32_t code = 0;
  for (int i = 0; i < 500; ++i) {
    plat::threadExitCode(thread, &code);
    if (code != plat::kStillActive) break;
    plat::sleepMs(5);
  }
  EXPECT_EQ(code, 5600u);
  plat::closeHandle(thread);
  plat::setEvent(gate.release);
}

std::vector<uint32_t> sleeps;
void recordSleep(uint32_t ms) { sleeps.push_back(ms); }

uint32_t fixedClock() { return 123456u; }

TEST(PlatformTime, SleepAndTickHooksStandInForTheSystemClock) {
  sleeps.clear();
  plat::installSleepHook(recordSleep);
  plat::sleepMs(1000);
  plat::sleepMs(70);
  plat::installSleepHook(nullptr);
  EXPECT_EQ(sleeps, (std::vector<uint32_t>{1000, 70}));
  plat::installTickHook(fixedClock);
  EXPECT_EQ(plat::tickCount(), 123456u);
  plat::installTickHook(nullptr);
  EXPECT_NE(plat::tickCount(), 123456u);
}

TEST(PlatformMemory, PagesAreZeroedAndWritable) {
  const size_t bytes = 131072;
  uint8_t* pages = static_cast<uint8_t*>(plat::allocPages(bytes));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages[0], 0);
  EXPECT_EQ(pages[bytes - 1], 0);
  std::memset(pages, 0xAB, bytes);
  EXPECT_EQ(pages[bytes / 2], 0xAB);
  plat::freePages(pages);
}

TEST(PlatformFiles, MissingFileAndMissingDeviceReportNotFound) {
  EXPECT_EQ(plat::openPath("this-file-does-not-exist.bin"), plat::invalidHandle());
  EXPECT_EQ(plat::lastError(), plat::kErrorFileNotFound);
  EXPECT_EQ(plat::openPath("\\\\.\\ZELBxQ999"), plat::invalidHandle());
  EXPECT_EQ(plat::lastError(), plat::kErrorFileNotFound);
}

// A seam that serves one path, echoes writes back on reads and fails reads
// with a chosen code, to show how the platform routes device paths.
struct EchoSeam {
  std::vector<uint8_t> pending;
  uint32_t readFailure = 0;
  int opens = 0;
  int closes = 0;
};

uint32_t echoOpen(void* context, const char* path, uint32_t* id) {
  EchoSeam* seam = static_cast<EchoSeam*>(context);
  if (std::string(path) != "\\\\.\\ECHO001") return plat::kErrorFileNotFound;
  *id = 7;
  ++seam->opens;
  return 0;
}
uint32_t echoRead(void* context, uint32_t id, void* buffer, uint32_t count, uint32_t* done) {
  EchoSeam* seam = static_cast<EchoSeam*>(context);
  if (id != 7) return plat::kErrorInvalidHandle;
  if (seam->readFailure) return seam->readFailure;
  const uint32_t n = count < seam->pending.size() ? count : static_cast<uint32_t>(seam->pending.size());
  std::memcpy(buffer, seam->pending.data(), n);
  seam->pending.erase(seam->pending.begin(), seam->pending.begin() + n);
  *done = n;
  return 0;
}
uint32_t echoWrite(void* context, uint32_t id, const void* buffer, uint32_t count, uint32_t* done) {
  EchoSeam* seam = static_cast<EchoSeam*>(context);
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  seam->pending.insert(seam->pending.end(), bytes, bytes + count);
  *done = count;
  return 0;
}
void echoClose(void* context, uint32_t) { ++static_cast<EchoSeam*>(context)->closes; }

TEST(PlatformSeam, DevicePathsGoThroughTheInstalledSeam) {
  EchoSeam state;
  plat::DevicePathSeam seam = {&state, echoOpen, echoRead, echoWrite, echoClose};
  plat::installDevicePathSeam(&seam);
  plat::Handle file = plat::openPath("\\\\.\\ECHO001");
  ASSERT_NE(file, plat::invalidHandle());
  EXPECT_EQ(plat::openPath("\\\\.\\ECHO002"), plat::invalidHandle());
  EXPECT_EQ(plat::lastError(), plat::kErrorFileNotFound);

  uint32_t done = 0;
  EXPECT_TRUE(plat::writeFile(file, "abcd", 4, &done));
  EXPECT_EQ(done, 4u);
  char back[8] = {};
  EXPECT_TRUE(plat::readFile(file, back, 8, &done));
  EXPECT_EQ(done, 4u);
  EXPECT_STREQ(back, "abcd");

  state.readFailure = plat::kErrorSemTimeout;
  EXPECT_FALSE(plat::readFile(file, back, 8, &done));
  EXPECT_EQ(plat::lastError(), plat::kErrorSemTimeout);
  EXPECT_EQ(done, 0u);

  EXPECT_TRUE(plat::closeHandle(file));
  EXPECT_EQ(state.closes, 1);
  // A closed seam handle is not served again.
  EXPECT_FALSE(plat::readFile(file, back, 8, &done));
  plat::installDevicePathSeam(nullptr);
}

struct Box {
  plat::WindowHandle owner;
  std::string text;
  std::string caption;
  uint32_t flags;
};
std::vector<Box> boxes;
int recordBox(plat::WindowHandle owner, const char* text, const char* caption, uint32_t flags) {
  boxes.push_back({owner, text, caption, flags});
  return plat::kIdNo;
}

TEST(PlatformMessages, HookSeesOwnerTextCaptionAndFlags) {
  boxes.clear();
  plat::installMessageBoxHook(recordBox);
  int owner = 0;
  EXPECT_EQ(plat::showMessage(&owner, "text", "caption", plat::kMbYesNo | plat::kMbIconQuestion), plat::kIdNo);
  plat::installMessageBoxHook(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, &owner);
  EXPECT_EQ(boxes[0].text, "text");
  EXPECT_EQ(boxes[0].caption, "caption");
  EXPECT_EQ(boxes[0].flags, plat::kMbYesNo | plat::kMbIconQuestion);
}

}  // namespace
