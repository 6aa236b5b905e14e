// The library's surroundings on Windows: its module (set by DllMain), the
// directory it was loaded from, its string table and the source manager
// library "TWAIN_32.DLL".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "twain/source_record.h"
#include "twain/library_win32.h"

namespace twain {

namespace {

HMODULE loadedModule = nullptr;
std::string directoryOverride;
char moduleDirectory[MAX_PATH + 1];

HMODULE ownModule() {
  if (loadedModule) return loadedModule;
  // Linked into a program rather than loaded as the data source.
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ownModule), &module);
  return module;
}

}  // namespace

void setLibraryModule(HMODULE module) { loadedModule = module; }

HMODULE libraryModule() { return ownModule(); }

const char* libraryDirectory() {
  if (!directoryOverride.empty()) return directoryOverride.c_str();
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(ownModule(), path, MAX_PATH);
  char drive[_MAX_DRIVE], directory[_MAX_DIR];
  _splitpath(path, drive, directory, nullptr, nullptr);
  std::snprintf(moduleDirectory, sizeof moduleDirectory, "%s%s", drive, directory);
  return moduleDirectory;
}

void setLibraryDirectory(const char* directory) {
  directoryOverride = directory ? directory : "";
  if (!directoryOverride.empty() && directoryOverride.back() != '\\' && directoryOverride.back() != '/') {
    directoryOverride += '\\';
  }
}

void loadIdentityString(int index, char* out) {
  std::memset(out, 0, sizeof(TW_STR32));
  if (index < 0 || index > 3) return;
  if (LoadStringA(ownModule(), static_cast<UINT>(index), out, 34) <= 0) {
    std::strncpy(out, kIdentityStrings[index], 33);
  }
  out[33] = '\0';
}

void callPlatformManager(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT16 message) {
  HMODULE manager = LoadLibraryA("TWAIN_32.DLL");
  if (!manager) return;
  DSMENTRYPROC entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
  if (entry) entry(origin, destination, DG_CONTROL, DAT_NULL, message, nullptr);
  FreeLibrary(manager);
}

}  // namespace twain
