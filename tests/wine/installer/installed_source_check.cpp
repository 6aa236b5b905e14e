// installed_source_check: finds the TWAIN data sources under the Windows
// twain_32 folder the way a TWAIN source manager on Windows does (every
// .ds file in the folders below it, asked for its identity), then loads
// each named source from the place it was found and opens it as an
// application would: identity, open, one capability, close. Wine's own
// source manager only loads fixed file names, so this program stands in for
// the search and calls the source's DS_Entry itself.
//
//   installed_source_check PRODUCT_NAME...
// Prints "source <path> <product name>" for every source found and one
// "ok"/"FAIL" line per check. Exit code: the number of failed checks.
//
//   installed_source_check hold PRODUCT_NAME
// Loads and opens that source as an application in the middle of its work
// would hold it, prints "holding <path>" and waits until it is ended.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/common/test_application_identity.h"
#include "twain/twain_types.h"

namespace {

typedef TW_UINT16(TW_CALLINGSTYLE* DsEntryProc)(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                                TW_UINT16 msg, TW_MEMREF data);

struct FoundSource {
  std::string path;
  std::string productName;
};

int failures = 0;

void check(bool ok, const std::string& what) {
  if (!ok) ++failures;
  std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
}

TW_IDENTITY applicationIdentity() {
  TW_IDENTITY app = testApplicationIdentity("installed_source_check");
  app.Id = 1;
  return app;
}

// The source's identity, or an empty product name when the file is no
// loadable source.
std::string productNameOf(const std::string& path) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (!library) return "";
  std::string name;
  DsEntryProc entry = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(GetProcAddress(library, "DS_Entry")));
  if (entry) {
    TW_IDENTITY app = applicationIdentity();
    TW_IDENTITY source;
    std::memset(&source, 0, sizeof source);
    if (entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source) == TWRC_SUCCESS) name = source.ProductName;
  }
  FreeLibrary(library);
  return name;
}

void findSources(const std::string& folder, std::vector<FoundSource>& found) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      findSources(path, found);
    } else if (name.size() > 3 && _stricmp(name.c_str() + name.size() - 3, ".ds") == 0) {
      found.push_back({path, productNameOf(path)});
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

// Loads the source from its installed place and goes through identity,
// open, a capability and close, as an application does through a manager.
void openInstalledSource(const FoundSource& source) {
  const std::string label = source.productName + ": ";
  HMODULE library = LoadLibraryA(source.path.c_str());
  check(library != nullptr, label + "loads from " + source.path);
  if (!library) return;
  char loadedFrom[MAX_PATH] = {0};
  GetModuleFileNameA(library, loadedFrom, sizeof loadedFrom);
  check(_stricmp(loadedFrom, source.path.c_str()) == 0, label + "runs from its installed file (" + loadedFrom + ")");
  DsEntryProc entry = reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(GetProcAddress(library, "DS_Entry")));
  check(entry != nullptr, label + "exports DS_Entry");
  if (entry) {
    TW_IDENTITY app = applicationIdentity();
    TW_IDENTITY identity;
    std::memset(&identity, 0, sizeof identity);
    identity.Id = 2;
    check(entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity) == TWRC_SUCCESS &&
              std::strcmp(identity.Manufacturer, "Veltrum Quorlen Co. Ltd") == 0,
          label + "identity names its maker");
    check(entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &identity) == TWRC_SUCCESS, label + "opens");
    TW_CAPABILITY cap;
    std::memset(&cap, 0, sizeof cap);
    cap.Cap = CAP_XFERCOUNT;
    const bool answered = entry(&app, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap) == TWRC_SUCCESS;
    check(answered && cap.ConType == TWON_ONEVALUE && cap.hContainer != nullptr,
          label + "answers CAP_XFERCOUNT");
    if (answered && cap.hContainer) GlobalFree(cap.hContainer);
    check(entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &identity) == TWRC_SUCCESS, label + "closes");
  }
  FreeLibrary(library);
}

// The one source of that product name, or null (a check fails).
const FoundSource* findOnce(const std::vector<FoundSource>& found, const std::string& productName) {
  const FoundSource* match = nullptr;
  int count = 0;
  for (const FoundSource& source : found) {
    if (source.productName == productName) {
      match = &source;
      ++count;
    }
  }
  check(count == 1, productName + ": found once under twain_32");
  return count == 1 ? match : nullptr;
}

// Keeps the source loaded and open until the process is ended.
int holdSource(const FoundSource& source) {
  HMODULE library = LoadLibraryA(source.path.c_str());
  DsEntryProc entry =
      library ? reinterpret_cast<DsEntryProc>(reinterpret_cast<void*>(GetProcAddress(library, "DS_Entry"))) : nullptr;
  TW_IDENTITY app = applicationIdentity();
  TW_IDENTITY identity;
  std::memset(&identity, 0, sizeof identity);
  identity.Id = 2;
  if (!entry || entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &identity) != TWRC_SUCCESS) {
    check(false, source.productName + ": opens to be held");
    return failures;
  }
  std::printf("holding %s\n", source.path.c_str());
  std::fflush(stdout);
  Sleep(INFINITE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  char windows[MAX_PATH] = {0};
  GetWindowsDirectoryA(windows, sizeof windows);
  std::vector<FoundSource> found;
  findSources(std::string(windows) + "\\twain_32", found);
  for (const FoundSource& source : found) std::printf("source %s %s\n", source.path.c_str(), source.productName.c_str());

  if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
    const FoundSource* source = findOnce(found, argv[2]);
    return source ? holdSource(*source) : failures;
  }
  for (int a = 1; a < argc; ++a) {
    const FoundSource* match = findOnce(found, argv[a]);
    if (match) openInstalledSource(*match);
  }
  return failures;
}
