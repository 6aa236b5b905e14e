// zelview_demo: the viewer with the simulated camera in its own process,
// behind the device-path seam. The viewer itself is unchanged.
//
// Every command block the simulated camera takes is traced, one line each,
// to "zelview_demo.wire" in the working directory (started afresh at each
// start).
//
// For demonstrations and the checks under Wine, the demo watches for a file
// "zelview_demo.cmd" in its working directory and acts on what it says
// (the file is deleted once read):
//   unplug       the camera in use goes away, and the system's
//                device-change notice reaches the main window, as on a
//                real unplug;
//   failrun N    the camera in use fails a command, drops off and comes
//                back one number up, N times in a row failing again before
//                a frame gets through (each faulty round takes a time-out of
//                the camera), then once more healthy: the viewer meets a run
//                of N + 1 communication failures;
//   presetlock on|off   the camera in use locks or unlocks its presets (the
//                control panel takes the lock when it opens);
//   readstall N  the camera in use lets its next N image reads time out;
//                once a read after them has gone through, the demo writes
//                "zelview_demo.done" with the line "readstall N";
//   failprint startdoc | startpage
//                the next document start or page start of a print job is
//                refused, as by a printer that refuses the job.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/sim_rig.h"
#include "viewer/viewer_state.h"
#include "viewer/main_window.h"
#include "viewer/window_ops_win32.h"

namespace {

enum { kCameras = 8, kFaultyRoundMs = 800 };

sim::Rig* rig = nullptr;
int cameras[kCameras];
uint32_t cameraIndex[kCameras];  // number it is published under, 0 when unplugged
uint32_t nextIndex = 2;          // the next number a camera comes back under
int faultyLeft = 0;              // faulty cameras still to place in the run
bool healthyLeft = false;        // the healthy camera that ends the run is still to place

const char kCommandFile[] = "zelview_demo.cmd";
const char kDoneFile[] = "zelview_demo.done";
const char kDoneFilePart[] = "zelview_demo.done.part";
const char kTraceFile[] = "zelview_demo.wire";

// The printing services of the platform, with a refusal on request.
std::atomic<bool> refuseDocument{false}, refusePage{false};

int32_t startDocumentOrRefuse(viewer::DeviceContext dc, const char* name) {
  if (refuseDocument.exchange(false)) return 0;
  return viewer::win32PrinterOps()->startDocument(dc, name);
}

int32_t startPageOrRefuse(viewer::DeviceContext dc) {
  if (refusePage.exchange(false)) return 0;
  return viewer::win32PrinterOps()->startPage(dc);
}

viewer::PrinterOps demoPrinterOps;

uint32_t indexInUse() { return static_cast<uint32_t>(viewer::deviceLink.deviceIndex); }

int cameraInUse() {
  for (int c = 0; c < kCameras; ++c)
    if (cameraIndex[c] && cameraIndex[c] == indexInUse()) return c;
  return -1;
}

void plugAt(int c, uint32_t index) {
  if (cameraIndex[c]) sim::rigUnplug(rig, cameras[c]);
  sim::rigReplug(rig, cameras[c], index);
  sim::rigSetWarmup(rig, cameras[c], 0);
  sim::rigClearFaults(rig, cameras[c]);
  cameraIndex[c] = index;
}

// Keeps up to three cameras of the run waiting above the one in use. A
// faulty one does not answer the first command (the reply times out) and
// then refuses the command again.
void placeAhead() {
  int ahead = 0;
  for (int c = 0; c < kCameras; ++c) ahead += cameraIndex[c] > indexInUse();
  for (int c = 0; c < kCameras && ahead < 3 && (faultyLeft > 0 || healthyLeft); ++c) {
    if (cameraIndex[c] && cameraIndex[c] >= indexInUse()) continue;
    plugAt(c, nextIndex++);
    if (faultyLeft > 0) {
      sim::rigAddFault(rig, cameras[c], sim::stallOperation(1, sim::kDirRead, 1));
      sim::rigAddFault(rig, cameras[c], sim::failOperation(0, sim::kDirWrite, 2, plat::kErrorGenFailure, 3));
      faultyLeft--;
    } else {
      healthyLeft = false;
    }
    ahead++;
  }
}

// The image reads the camera has taken so far.
uint32_t imageReads(int c) {
  const uint32_t reads = sim::rigLockCamera(rig, cameras[c])->opCount[3][sim::kDirRead];
  sim::rigUnlockCamera(rig, cameras[c]);
  return reads;
}

// A run of stalled image reads under way: on which camera, how many, and
// the read count that shows one went through after them (the camera counts
// a read when it starts, so the one after that).
int stallCamera = -1;
int stallCount = 0;
uint32_t stallServedAt = 0;

void reportStallServed() {
  if (stallCamera < 0 || imageReads(stallCamera) < stallServedAt) return;
  // Written beside and renamed into place: whoever waits for the file must
  // never find it there but still empty.
  if (FILE* f = std::fopen(kDoneFilePart, "wb")) {
    std::fprintf(f, "readstall %d\n", stallCount);
    std::fclose(f);
    MoveFileExA(kDoneFilePart, kDoneFile, MOVEFILE_REPLACE_EXISTING);
  }
  stallCamera = -1;
}

void runCommand(const char* text) {
  int inUse = cameraInUse();
  if (std::strncmp(text, "unplug", 6) == 0) {
    if (inUse >= 0) {
      sim::rigUnplug(rig, cameras[inUse]);
      cameraIndex[inUse] = 0;
    }
    HWND main = static_cast<HWND>(viewer::viewerState.mainWindow.load());
    if (main) PostMessageA(main, WM_DEVICECHANGE, 7, 0);
  } else if (std::strncmp(text, "presetlock", 10) == 0) {
    if (inUse >= 0) {
      sim::rigLockCamera(rig, cameras[inUse])->presetLock = std::strncmp(text + 10, " on", 3) == 0 ? 1 : 0;
      sim::rigUnlockCamera(rig, cameras[inUse]);
    }
  } else if (std::strncmp(text, "failprint startdoc", 18) == 0) {
    refuseDocument = true;
  } else if (std::strncmp(text, "failprint startpage", 19) == 0) {
    refusePage = true;
  } else if (std::strncmp(text, "failrun", 7) == 0) {
    faultyLeft = std::atoi(text + 7);
    healthyLeft = true;
    placeAhead();
    if (inUse >= 0)
      sim::rigAddFault(rig, cameras[inUse], sim::failOperation(0, sim::kDirWrite, 1, plat::kErrorGenFailure, 3));
  } else if (std::strncmp(text, "readstall", 9) == 0 && inUse >= 0) {
    stallCount = std::atoi(text + 9);
    if (stallCount < 1) stallCount = 1;
    stallCamera = inUse;
    // Counted and scripted under one lock: the stalled reads are the next ones.
    sim::SimCamera* model = sim::rigLockCamera(rig, cameras[inUse]);
    stallServedAt = model->opCount[3][sim::kDirRead] + static_cast<uint32_t>(stallCount) + 2;
    sim::cameraAddFault(model, sim::stallOperation(3, sim::kDirRead, 1, static_cast<uint32_t>(stallCount)));
    sim::rigUnlockCamera(rig, cameras[inUse]);
  }
}

DWORD WINAPI watchCommands(void*) {
  for (;;) {
    Sleep(50);
    placeAhead();
    reportStallServed();
    FILE* f = std::fopen(kCommandFile, "rb");
    if (!f) continue;
    char text[32] = {0};
    size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    DeleteFileA(kCommandFile);
    text[n] = 0;
    runCommand(text);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  rig = sim::rigCreate();
  if (!rig) return 1;
  // A faulty camera's unanswered command waits this long before it fails.
  sim::rigSetTimeout(rig, kFaultyRoundMs);
  for (int c = 0; c < kCameras; ++c) {
    cameras[c] = sim::rigAddCamera(rig, sim::kModelXga, static_cast<uint32_t>(900 + c));
    sim::rigUnplug(rig, cameras[c]);
    cameraIndex[c] = 0;
  }
  plugAt(0, 1);
  sim::rigSetWarmup(rig, cameras[0], 2);  // the first start-up as after power-on
  sim::rigTraceTo(rig, kTraceFile);
  sim::rigInstall(rig);
  DeleteFileA(kCommandFile);
  DeleteFileA(kDoneFile);
  CreateThread(nullptr, 0, watchCommands, nullptr, 0, nullptr);
  viewer::installWindowOps(viewer::win32WindowOps());
  demoPrinterOps = *viewer::win32PrinterOps();
  demoPrinterOps.startDocument = startDocumentOrRefuse;
  demoPrinterOps.startPage = startPageOrRefuse;
  viewer::installPrinterOps(&demoPrinterOps);
  return viewer::runViewer();
}
