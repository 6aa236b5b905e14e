// zelview_demo: the viewer with the simulated camera in its own process,
// behind the device-path seam. Nothing else differs from zelview.
//
// For demonstrations and the checks under Wine, the demo watches for a file
// "zelview_demo.cmd" in its working directory and acts on the word in it:
//   unplug    the camera goes away (and the system's device-change notice
//             reaches the main window, as it would on a real unplug);
//   reset     the camera drops off the bus and enumerates again one number
//             up at once, which the viewer meets as a communication failure.
// The file is deleted once read.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "sim/sim_rig.h"
#include "viewer/main_window.h"
#include "viewer/viewer_state.h"
#include "viewer/window_ops_win32.h"

namespace {

sim::Rig* rig = nullptr;
int camera = -1;
uint32_t cameraIndex = 1;

const char kCommandFile[] = "zelview_demo.cmd";

void runCommand(const char* word) {
  if (std::strncmp(word, "unplug", 6) == 0) {
    sim::rigUnplug(rig, camera);
    HWND main = static_cast<HWND>(viewerState.mainWindow.load());
    if (main) PostMessageA(main, WM_DEVICECHANGE, 7, 0);
  } else if (std::strncmp(word, "reset", 5) == 0) {
    sim::rigUnplug(rig, camera);
    cameraIndex += 1;
    sim::rigReplug(rig, camera, cameraIndex);
    sim::rigSetWarmup(rig, camera, 0);
  }
}

DWORD WINAPI watchCommands(void*) {
  for (;;) {
    Sleep(100);
    FILE* f = std::fopen(kCommandFile, "rb");
    if (!f) continue;
    char word[32] = {0};
    size_t n = std::fread(word, 1, sizeof word - 1, f);
    std::fclose(f);
    DeleteFileA(kCommandFile);
    word[n] = 0;
    runCommand(word);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  rig = sim::rigCreate();
  if (!rig) return 1;
  camera = sim::rigAddCamera(rig, sim::kModelXga, cameraIndex);
  sim::rigInstall(rig);
  DeleteFileA(kCommandFile);
  CreateThread(nullptr, 0, watchCommands, nullptr, 0, nullptr);
  installWindowOps(win32WindowOps());
  int result = runViewer();
  // The watcher thread dies with the process; the rig stays installed until
  // then because the viewer's handles were all closed by its shut-down.
  return result;
}
