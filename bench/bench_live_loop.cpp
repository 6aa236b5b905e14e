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
// live_fps: the live picture at half size with the real waits, in the same
// run with the control panel closed and open (alternating, so that load
// from elsewhere on the machine falls on both alike). With the panel open
// the thread posts StatusRefresh after every round and the panel's handler,
// run here as the user-interface thread would, makes its three exchanges
// under the link lock;
//   panel_closed, panel_open  frames per second
//   open_share                panel_open / panel_closed
// live_memory: 10,000 quarter-size frames;
//   allocations_in_loop    operator new calls while they ran (none expected:
//                          the chunk buffer's per-frame reallocation is a
//                          page allocation, the only one in the loop)
//   rss_growth_kb          resident memory growth over the run
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "sim/sim_rig.h"
#include "viewer/acquisition_thread.h"
#include "viewer/control_panel.h"
#include "viewer/viewer_state.h"

using namespace viewer;
using namespace devlink;

namespace {

std::atomic<long> operatorNewCalls{0};
std::atomic<long> roundsDone{0};
std::atomic<long> chunksPainted{0};
std::atomic<long> framesStarted{0};
std::atomic<bool> refreshPosted{false};

// The window side: the thread paints into nothing and posts StatusRefresh
// after every round to a stand-in control panel, which counts the rounds.
WindowHandle kMain = reinterpret_cast<WindowHandle>(1);
WindowHandle kPanel = reinterpret_cast<WindowHandle>(2);

DrawingSurface getSurface(WindowHandle window) {
  framesStarted++;  // once per frame read
  return window;
}
void stretchPicture(DrawingSurface, const WindowRect&, const imaging::BitmapInfoHeader&, const uint8_t*) { chunksPainted++; }
void releaseSurface(WindowHandle, DrawingSurface) {}
bool postMessage(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  if (window == kPanel && message == kMsgStatusRefresh) {
    roundsDone++;
    refreshPosted = true;
  }
  return true;
}
// What the panel's status refresh draws and moves: nothing to see here.
WindowHandle dialogItem(WindowHandle dialog, int) { return dialog; }
void moveWindow(WindowHandle, int, int, int, int, bool) {}
bool drawOpaqueBitmap(WindowHandle, const WindowRect&, int) { return true; }

WindowOps benchOps() {
  WindowOps ops = {};
  ops.getSurface = getSurface;
  ops.stretchPicture = stretchPicture;
  ops.releaseSurface = releaseSurface;
  ops.postMessage = postMessage;
  ops.dialogItem = dialogItem;
  ops.moveWindow = moveWindow;
  ops.drawOpaqueBitmap = drawOpaqueBitmap;
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

  // realWaits: the 70 ms waits of the loop as the viewer has them.
  explicit LiveLoop(int sizeIndex, bool realWaits = false) {
    rig = sim::rigCreate();
    int camera = sim::rigAddCamera(rig, sim::kModelXga, 1);
    sim::rigSetWarmup(rig, camera, 0);
    sim::rigInstall(rig);
    plat::installSleepHook(realWaits ? nullptr : noSleep);
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

// Frames per second over `frames` frames, the control panel open or not;
// this thread stands in for the user-interface thread and handles the
// panel's refreshes as they are posted.
double measureFps(bool panelOpen, long frames) {
  viewerState.controlPanel = panelOpen ? kPanel : nullptr;
  auto pump = [] {
    if (refreshPosted.exchange(false)) controlPanelHandler(kPanel, kMsgStatusRefresh, 0, 0);
  };
  auto waitFrames = [&](long n) {
    const long target = framesStarted + n;
    while (framesStarted < target) {
      pump();
      plat::waitFor(acquisitionThread.threadDoneEvent, 1);
    }
  };
  waitFrames(1);  // from the start of a frame
  const auto start = std::chrono::steady_clock::now();
  waitFrames(frames);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return static_cast<double>(frames) / seconds;
}

void live_fps(benchmark::State& state) {
  const long frames = 8;
  LiveLoop loop(1, true);
  double closedFps = 0, openFps = 0;
  long runs = 0;
  for (auto _ : state) {
    closedFps += measureFps(false, frames);
    openFps += measureFps(true, frames);
    runs++;
  }
  viewerState.controlPanel = nullptr;
  state.counters["panel_closed"] = closedFps / runs;
  state.counters["panel_open"] = openFps / runs;
  state.counters["open_share"] = openFps / closedFps;
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
BENCHMARK(live_fps)->Unit(benchmark::kMillisecond)->Iterations(1);
// One iteration is already 10,000 frames (over the minimum time on its own).
BENCHMARK(live_memory)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
