// The viewer's live loop against the simulated camera, with the fixed waits
// (70 ms after the hold, 70 ms after the release) taken out through the
// sleep hook and the camera answering at once, so that what is measured is
// the loop's own cost per frame on top of those waits.
//
// live: frames at half size (the start-up zoom);
//   overhead_ms_per_frame  real time per frame beyond the 140 ms of waits
//   fps_bound              frames per second with the waits put back
//   chunks_per_frame       chunks read and painted per frame (3 at half size)
// live_full: the same at full size (12 chunks per frame).
// live_memory: 10,000 quarter-size frames;
//   allocations_in_loop    operator new calls while they ran (none expected:
//                          the chunk buffer's per-frame reallocation is a
//                          page allocation, the only one in the loop)
//   rss_growth_kb          resident memory growth over the run
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "sim/sim_rig.h"
#include "viewer/acquisition_thread.h"
#include "viewer/viewer_state.h"

using namespace viewer;
using namespace devlink;

namespace {

std::atomic<long> operatorNewCalls{0};
std::atomic<long> roundsDone{0};
std::atomic<long> chunksPainted{0};

// The window side: the thread paints into nothing and posts StatusRefresh
// after every round to a stand-in control panel, which counts the rounds.
WindowHandle kMain = reinterpret_cast<WindowHandle>(1);
WindowHandle kPanel = reinterpret_cast<WindowHandle>(2);

DrawingSurface getSurface(WindowHandle window) { return window; }
void stretchPicture(DrawingSurface, const WindowRect&, const imaging::BitmapInfoHeader&, const uint8_t*) { chunksPainted++; }
void releaseSurface(WindowHandle, DrawingSurface) {}
bool postMessage(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  if (window == kPanel && message == kMsgStatusRefresh) roundsDone++;
  return true;
}

WindowOps benchOps() {
  WindowOps ops = {};
  ops.getSurface = getSurface;
  ops.stretchPicture = stretchPicture;
  ops.releaseSurface = releaseSurface;
  ops.postMessage = postMessage;
  return ops;
}
const WindowOps kOps = benchOps();

void noSleep(uint32_t) {}

long residentKb() {
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (f) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

// The viewer's start-up, reduced to what the live loop needs.
struct LiveLoop {
  sim::Rig* rig = nullptr;

  explicit LiveLoop(int sizeIndex) {
    rig = sim::rigCreate();
    int camera = sim::rigAddCamera(rig, sim::kModelXga, 1);
    sim::rigSetWarmup(rig, camera, 0);
    sim::rigInstall(rig);
    plat::installSleepHook(noSleep);
    installWindowOps(&kOps);
    resetViewerState();
    deviceLink = DeviceLink(LinkVariant::Viewer);
    framePipeline = FramePipeline(&deviceLink, LinkVariant::Viewer);
    viewerState.mainWindow = kMain;
    viewerState.controlPanel = kPanel;
    framePipeline.setSizeIndex(sizeIndex);
    if (!deviceLink.open(sizeIndex) || !deviceLink.waitReady() || !framePipeline.init()) std::abort();
    CommandBlock release = CommandBlock::make(kCmdStoreImage, kParamOff);
    deviceLink.transactHeld(&release);
    buildBitmapInfo(sizeIndex);
    acquisitionThread.threadDoneEvent = plat::createEvent(true, true);
    acquisitionThread.gateEvent = plat::createEvent(true, true);
    if (!startThread()) std::abort();
  }

  ~LiveLoop() {
    viewerState.threadState = kThreadClosing;
    stopThread();
    plat::closeHandle(acquisitionThread.threadDoneEvent);
    plat::closeHandle(acquisitionThread.gateEvent);
    resetAcquisitionThread();
    framePipeline.release();
    deviceLink.close();
    sim::rigDestroy(rig);
    plat::installSleepHook(nullptr);
  }

  void waitRounds(long n) {
    long target = roundsDone + n;
    while (roundsDone < target) plat::waitFor(acquisitionThread.threadDoneEvent, 0);
  }
};

void runLive(benchmark::State& state, int sizeIndex) {
  const long frames = 50;
  LiveLoop loop(sizeIndex);
  loop.waitRounds(5);
  double totalMs = 0;
  long totalFrames = 0;
  const long chunksBefore = chunksPainted;
  for (auto _ : state) {
    uint32_t start = plat::tickCount();
    loop.waitRounds(frames);
    totalMs += plat::tickCount() - start;
    totalFrames += frames;
  }
  const double overhead = totalMs / static_cast<double>(totalFrames);
  state.counters["overhead_ms_per_frame"] = overhead;
  state.counters["fps_bound"] = 1000.0 / (140.0 + overhead);
  state.counters["chunks_per_frame"] = static_cast<double>(chunksPainted - chunksBefore) / totalFrames;
}

void live(benchmark::State& state) { runLive(state, 1); }
void live_full(benchmark::State& state) { runLive(state, 0); }

void live_memory(benchmark::State& state) {
  for (auto _ : state) {
    LiveLoop loop(2);
    loop.waitRounds(100);  // everything that is allocated once is allocated now
    const long kbBefore = residentKb();
    const long newsBefore = operatorNewCalls;
    loop.waitRounds(10000);
    state.counters["allocations_in_loop"] = static_cast<double>(operatorNewCalls - newsBefore);
    state.counters["rss_growth_kb"] = static_cast<double>(residentKb() - kbBefore);
  }
}

}  // namespace

void* operator new(std::size_t size) {
  operatorNewCalls++;
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

BENCHMARK(live)->Unit(benchmark::kMillisecond);
BENCHMARK(live_full)->Unit(benchmark::kMillisecond);
// One iteration is already 10,000 frames (over the minimum time on its own).
BENCHMARK(live_memory)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
