// TWZEL_32_demo.ds: the data source with the simulated camera in its own
// process, behind the device-path seam. The data source itself is
// unchanged; only its product name says that the camera is simulated.
//
// The demo's files live in the loading application's working folder, like
// the demo viewer's. The library runs in whatever application loads it, and
// that folder may be one the user cannot write (the application's own under
// Program Files): when the trace cannot be made there, both files go to the
// user's temporary folder instead.
//
// Every command block the simulated camera takes is traced, one line each,
// to "twzel_demo.wire" there (started afresh each time the library is
// loaded).
//
// For demonstrations and the checks under Wine, while the source window is
// open the demo looks for a file "twzel_demo.cmd" there and acts on what it
// says (the file is deleted once read):
//   unplug   the camera in use goes away (its cable pulled);
//   replug   the camera comes back, powered up afresh;
//   large    from the next opening of the window on, the 1280x1024 camera
//            is the one plugged in; small: the 1024x768 camera again (the
//            camera in use stays until the window closes);
//   freeze   the camera's picture stands still (every capture the same);
//   live     it moves again.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "sim/sim_rig.h"
#include "twain/library_win32.h"
#include "twain/source_dialog.h"
#include "twain/source_record.h"
#include "twain/source_ui.h"
#include "twain/source_window.h"

using namespace twain;

namespace {

const char kDemoProductName[] = "ZEL TWAIN (simulated camera)";
std::string commandFile;  // in the working folder, or the user's temporary one
std::string traceFile;
const UINT_PTR kCommandTimer = 0x5A31;

sim::Rig* rig = nullptr;
int smallCamera = -1;  // \\.\ZELBxQ001
int largeCamera = -1;  // \\.\ZELA1001
bool largeWanted = false;  // the camera the next window finds

int cameraInUse() { return sim::rigIsPlugged(rig, largeCamera) ? largeCamera : smallCamera; }

void plugOnly(int camera) {
  const int other = camera == smallCamera ? largeCamera : smallCamera;
  if (sim::rigIsPlugged(rig, other)) sim::rigUnplug(rig, other);
  if (!sim::rigIsPlugged(rig, camera)) sim::rigReplug(rig, camera);
}

void setFrozen(bool frozen) {
  for (int camera : {smallCamera, largeCamera}) {
    sim::SimCamera* model = sim::rigLockCamera(rig, camera);
    if (model) model->freeze = frozen ? 1 : 0;
    sim::rigUnlockCamera(rig, camera);
  }
}

void runCommand(const char* text) {
  if (std::strncmp(text, "unplug", 6) == 0) {
    sim::rigUnplug(rig, cameraInUse());
  } else if (std::strncmp(text, "replug", 6) == 0) {
    sim::rigReplug(rig, cameraInUse());
  } else if (std::strncmp(text, "large", 5) == 0) {
    largeWanted = true;
  } else if (std::strncmp(text, "small", 5) == 0) {
    largeWanted = false;
  } else if (std::strncmp(text, "freeze", 6) == 0) {
    setFrozen(true);
  } else if (std::strncmp(text, "live", 4) == 0) {
    setFrozen(false);
  }
}

// On the window's timer: the command file, if there is one.
void CALLBACK pollCommands(HWND, UINT, UINT_PTR, DWORD) {
  FILE* f = std::fopen(commandFile.c_str(), "rb");
  if (!f) return;
  char text[32] = {0};
  size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  DeleteFileA(commandFile.c_str());
  text[n] = 0;
  runCommand(text);
}

// The source window as in the shipped library, with the command file
// watched while it is open (the timer goes with the window).
WindowHandle createWindow(void*, WindowHandle owner) {
  if (rig) plugOnly(largeWanted ? largeCamera : smallCamera);
  const SourceWindowSeam* dialog = sourceDialogSeam();
  WindowHandle window = dialog->create(dialog->context, owner);
  if (window) SetTimer(static_cast<HWND>(window), kCommandTimer, 50, pollCommands);
  return window;
}
void showWindow(void*, WindowHandle window) { sourceDialogSeam()->show(nullptr, window); }
void destroyWindow(void*, WindowHandle window) { sourceDialogSeam()->destroy(nullptr, window); }
bool isDialogMessage(void*, WindowHandle window, void* event) {
  return sourceDialogSeam()->isDialogMessage(nullptr, window, event);
}
const SourceWindowSeam kDemoSeam = {nullptr, createWindow, showWindow, destroyWindow, isDialogMessage};

// The user's temporary folder, with its closing backslash.
std::string userTempFolder() {
  char folder[MAX_PATH + 1] = {0};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

// The working folder at loading, with its closing backslash: kept as a
// whole path, as the application may change its working folder later.
std::string workingFolder() {
  char folder[MAX_PATH + 1] = {0};
  const DWORD length = GetCurrentDirectoryA(sizeof folder - 1, folder);
  if (length == 0 || length >= sizeof folder - 1) return std::string();
  std::string path(folder, length);
  if (path.back() != '\\') path += '\\';
  return path;
}

// Starts the trace in FOLDER; false when the file cannot be made there.
bool traceIn(const std::string& folder) {
  commandFile = folder + "twzel_demo.cmd";
  traceFile = folder + "twzel_demo.wire";
  return sim::rigTraceTo(rig, traceFile.c_str());
}

void startSimulatedCamera() {
  rig = sim::rigCreate();
  if (!rig) return;
  smallCamera = sim::rigAddCamera(rig, sim::kModelXga, 1);
  largeCamera = sim::rigAddCamera(rig, sim::kModelSxga, 1);
  sim::rigUnplug(rig, largeCamera);
  if (!traceIn(workingFolder())) traceIn(userTempFolder());
  sim::rigInstall(rig);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    setLibraryModule(instance);
    attachSource();
    std::memset(sourceRecord.sourceIdentity.ProductName, 0, sizeof sourceRecord.sourceIdentity.ProductName);
    std::strcpy(sourceRecord.sourceIdentity.ProductName, kDemoProductName);
    installSourceUi(win32SourceUi());
    installSourceWindowSeam(&kDemoSeam);
    startSimulatedCamera();
    InitCommonControls();
  } else if (reason == DLL_PROCESS_DETACH && rig) {
    sim::rigDestroy(rig);
    rig = nullptr;
  }
  return TRUE;
}
