// The DLL TWZEL_32.ds: attach fills the source record, puts the source
// window behind its seam and initialises the common controls; nothing is
// done at detach.
#include <windows.h>
#include <commctrl.h>

#include "twain/library_win32.h"
#include "twain/source_dialog.h"
#include "twain/source_record.h"
#include "twain/source_ui.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    twain::setLibraryModule(instance);
    twain::attachSource();
    twain::installSourceUi(twain::win32SourceUi());
    twain::installSourceDialog();
    InitCommonControls();
  }
  return TRUE;
}
