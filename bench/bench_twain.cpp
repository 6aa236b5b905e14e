// The data source's transfers and its capture path, natively, with the
// simulated camera where a camera is needed.
//
// memcpy_transfer: copying the bytes of a full 1024x768 picture once, the
//   yardstick for the two transfers below.
// twain_memory_xfer_full: every strip of a full 1024x768 memory transfer
//   (the bitmap built from the captured frame, then cut into 65535-byte
//   strips in red-green-blue order).
// twain_native_xfer_full: the native transfer of the same: the bottom-up
//   bitmap built from the captured frame and handed over.
// twain_full_press_to_xferready: from the press of Full in the source window
//   to the MSG_XFERREADY of its capture handshake, with the real waits, the
//   simulated camera answering at once; prescribed_waits_ms is the sum of
//   the waits the window's protocol itself prescribes on that path.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/sim_rig.h"
#include "twain/ds_entry.h"
#include "twain/global_memory.h"
#include "twain/preview_thread.h"
#include "twain/source_dialog.h"
#include "twain/source_record.h"
#include "twain/source_resources.h"
#include "twain/source_ui.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"

using namespace twain;

namespace {

const uint32_t kFullBytes = 1024 * 768 * 3;
TW_IDENTITY application = {};

std::vector<uint8_t> patternFrame() {
  std::vector<uint8_t> frame(kFullBytes);
  for (uint32_t i = 0; i < kFullBytes; ++i) frame[i] = static_cast<uint8_t>(i * 7 + i / 3072);
  return frame;
}

TW_UINT16 call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return DS_Entry(&application, dg, dat, msg, data);
}

int quietBox(plat::WindowHandle, const char*, const char*, uint32_t) { return plat::kIdOk; }

void freshSource() {
  plat::installMessageBoxHook(quietBox);
  setLibraryDirectory(ZEL_TWAIN_TEMPLATE_DIR);
  attachSource();
  application.Id = 5;
}

void memcpy_transfer(benchmark::State& state) {
  std::vector<uint8_t> from = patternFrame(), to(kFullBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kFullBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

void twain_memory_xfer_full(benchmark::State& state) {
  freshSource();
  std::vector<uint8_t> frame = patternFrame(), strip(65535);
  sourceWindowState.viewSize = 0;
  sourceWindowState.largeModel = 0;
  for (auto _ : state) {
    sourceRecord.sourceState = kStateTransferReady;
    recordCaptureFrame(frame.data(), kFullBytes);
    TW_UINT16 rc;
    do {
      TW_IMAGEMEMXFER xfer{};
      xfer.Memory.Flags = 0x0001 | 0x0008;
      xfer.Memory.Length = static_cast<TW_UINT32>(strip.size());
      xfer.Memory.TheMem = strip.data();
      rc = call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    } while (rc == TWRC_SUCCESS);
    if (rc != TWRC_XFERDONE) state.SkipWithError("memory transfer failed");
    releaseTransferDib();
  }
}

void twain_native_xfer_full(benchmark::State& state) {
  freshSource();
  std::vector<uint8_t> frame = patternFrame();
  sourceWindowState.viewSize = 0;
  sourceWindowState.largeModel = 0;
  for (auto _ : state) {
    sourceRecord.sourceState = kStateTransferReady;
    recordCaptureFrame(frame.data(), kFullBytes);
    TW_HANDLE dib = nullptr;
    if (call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib) != TWRC_XFERDONE) state.SkipWithError("native failed");
    gmem::release(dib);
  }
}

// --- The source window with nothing drawn: posts go to a queue that the
// benchmark delivers, as the window's thread would.
std::mutex postedLock;
std::vector<std::pair<uint32_t, uintptr_t>> posted;
std::atomic<int> xferReady{0};
bool buttonsEnabled = true;
WindowHandle kWindow = reinterpret_cast<WindowHandle>(1);

MessageHandler windowHandler = nullptr;

WindowHandle createDialog(int templateId, WindowHandle, MessageHandler handler) {
  if (templateId != IDD_SOURCE_WINDOW) return nullptr;
  windowHandler = handler;
  handler(kWindow, kMsgInitDialog, 0, 0);
  return kWindow;
}
void destroyWindow(WindowHandle window) {
  if (window == kWindow && windowHandler) windowHandler(kWindow, kMsgDestroy, 0, 0);
  windowHandler = nullptr;
}
void noWindow(WindowHandle) {}
void moveWindow(WindowHandle, int, int, int, int) {}
void showWindow(WindowHandle, bool) {}
void invalidate(WindowHandle, bool) {}
bool postMessage(WindowHandle, uint32_t message, uintptr_t wParam, intptr_t) {
  std::lock_guard<std::mutex> guard(postedLock);
  posted.push_back({message, wParam});
  return true;
}
int systemMetric(int) { return 1024; }
WindowHandle dialogItem(WindowHandle, int id) { return reinterpret_cast<WindowHandle>(static_cast<intptr_t>(id)); }
void setWindowText(WindowHandle, const char*) {}
void enableWindow(WindowHandle control, bool enabled) {
  if (control == dialogItem(kWindow, IDC_FULL)) buttonsEnabled = enabled;
}
void setWindowIcon(WindowHandle, int) {}
bool isDialogMessage(WindowHandle, void*) { return false; }
bool drawKeyedBitmap(WindowHandle, WindowHandle, int, uint32_t) { return true; }
void paintPicture(WindowHandle, const WindowRect&, const imaging::BitmapInfoHeader&, const uint8_t*, bool) {}
void drawText(WindowHandle, int, int, uint32_t, const char*) {}
const SourceUi kQuietUi = {createDialog, destroyWindow,      moveWindow,   showWindow,      noWindow,
                           invalidate,   postMessage,   systemMetric, dialogItem,      setWindowText,
                           enableWindow, setWindowIcon, isDialogMessage, drawKeyedBitmap, paintPicture,
                           drawText};

TW_UINT16 TW_CALLINGSTYLE noteXferReady(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF) {
  if (msg == MSG_XFERREADY) xferReady++;
  return TWRC_SUCCESS;
}

void deliverPosted() {
  std::vector<std::pair<uint32_t, uintptr_t>> batch;
  {
    std::lock_guard<std::mutex> guard(postedLock);
    batch.swap(posted);
  }
  for (const auto& m : batch) sourceWindowHandler(kWindow, m.first, m.second, 0);
}

void twain_full_press_to_xferready(benchmark::State& state) {
  freshSource();
  sim::Rig* rig = sim::rigCreate();
  sim::rigSetWarmup(rig, sim::rigAddCamera(rig, sim::kModelXga, 1), 0);
  sim::rigInstall(rig);
  installSourceUi(&kQuietUi);
  installSourceDialog();
  installManagerEntry(noteXferReady);
  TW_IDENTITY completed = sourceRecord.sourceIdentity;
  completed.Id = 77;
  call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &completed);
  TW_USERINTERFACE ui{1, 0, nullptr};
  buttonsEnabled = true;  // as a new window has them
  if (call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) state.SkipWithError("no window");
  for (auto _ : state) {
    // The preview runs at half size with Full and Half enabled.
    while (!buttonsEnabled) {
      deliverPosted();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int offers = xferReady;
    const auto start = std::chrono::steady_clock::now();
    sourceWindowHandler(kWindow, kMsgCommand, IDC_FULL, 0);
    while (xferReady == offers) std::this_thread::yield();
    const auto ready = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(ready - start).count());
    // The application takes the picture and ends the transfer.
    TW_HANDLE dib = nullptr;
    call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib);
    gmem::release(dib);
    TW_PENDINGXFERS pending{};
    call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    deliverPosted();
  }
  call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr);
  sim::rigDestroy(rig);
  installManagerEntry(nullptr);
  // Before the capture: the pass's 20 ms, 70 ms after the hold, 70 ms after
  // the release; then the handshake pass's 20 ms and its ten 10 ms sleeps.
  state.counters["prescribed_waits_ms"] = kPassSleepMs + kHoldWaitMs + kReleaseWaitMs + kPassSleepMs + 10 * 10;
}

}  // namespace

BENCHMARK(memcpy_transfer)->Unit(benchmark::kMillisecond);
BENCHMARK(twain_memory_xfer_full)->Unit(benchmark::kMillisecond);
BENCHMARK(twain_native_xfer_full)->Unit(benchmark::kMillisecond);
BENCHMARK(twain_full_press_to_xferready)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
