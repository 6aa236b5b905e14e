// The save-file dialog over Win32: the platform's own dialog (explorer
// style) with the program's template below the standard controls and the
// hook procedure forwarded to the viewer's handler.
#include <windows.h>
#include <commdlg.h>

#include "viewer/window_ops_win32.h"

namespace viewer {

namespace {

// One file dialog runs at a time, on the user-interface thread.
MessageHandler activeHook = nullptr;

UINT_PTR CALLBACK fileDialogHook(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!activeHook) return 0;
  if (message == WM_INITDIALOG) {
    const OPENFILENAMEA* settings = reinterpret_cast<const OPENFILENAMEA*>(lParam);
    FileDialogOpening opening{settings->hwndOwner, static_cast<intptr_t>(settings->lCustData)};
    return activeHook(panel, message, wParam, reinterpret_cast<intptr_t>(&opening)) ? TRUE : FALSE;
  }
  return activeHook(panel, message, wParam, lParam) ? TRUE : FALSE;
}

}  // namespace

bool runSaveFileDialogWin32(const SaveFileRequest& request) {
  OPENFILENAMEA settings = {};
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = static_cast<HWND>(request.owner);
  settings.hInstance = GetModuleHandleA(nullptr);
  settings.lpstrFilter = request.filters;
  settings.nFilterIndex = request.filterIndex;
  settings.lpstrFile = request.path;
  settings.nMaxFile = request.pathSize;
  settings.lpstrFileTitle = request.title;
  settings.nMaxFileTitle = request.titleSize;
  settings.lpstrInitialDir = request.initialFolder;
  settings.lpstrDefExt = request.defaultExtension;
  settings.Flags = request.flags;
  settings.lCustData = static_cast<LPARAM>(request.customData);
  if (request.templateName) {
    settings.Flags |= OFN_ENABLETEMPLATE;
    settings.lpTemplateName = request.templateName;
  }
  if (request.hook) {
    settings.Flags |= OFN_ENABLEHOOK;
    settings.lpfnHook = fileDialogHook;
  }
  activeHook = request.hook;
  const BOOL chosen = GetSaveFileNameA(&settings);
  activeHook = nullptr;
  return chosen != FALSE;
}

}  // namespace viewer
