// pnputil_standin: takes the place of the system's pnputil.exe in a Wine
// prefix (Wine has none), so that the installer scenario sees what setup and
// its uninstaller ask of the driver store. Built 64-bit for System32 and
// 32-bit for SysWOW64: the record says which of the two was reached.
//
// Both syntaxes are understood: Windows 10's
//   pnputil /add-driver INF /install      pnputil /delete-driver oemN.inf /uninstall /force
// and the older one of Vista to 8.1
//   pnputil -i -a INF                     pnputil -f -d oemN.inf
// Adding copies the INF into the store as the first free %WINDIR%\INF\oemN.inf
// (from oem7.inf on) and prints its published name as pnputil does;
// deleting removes that file.
//
// Environment:
//   ZEL_PNPUTIL_RECORD  file that gets one line per run: "32-bit" or
//                       "64-bit", then the arguments as received
//   ZEL_PNPUTIL_EXIT    exit code of an add (default 0); with anything but
//                       0, 259 (no device to install on) or 3010 (restart
//                       needed) the package is refused and nothing is added
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void record(int argc, char** argv) {
  const char* path = std::getenv("ZEL_PNPUTIL_RECORD");
  if (!path || !*path) return;
  FILE* f = std::fopen(path, "ab");
  if (!f) return;
  std::fprintf(f, "%d-bit", static_cast<int>(sizeof(void*) * 8));
  for (int a = 1; a < argc; ++a) std::fprintf(f, " %s", argv[a]);
  std::fprintf(f, "\n");
  std::fclose(f);
}

std::string storeFolder() {
  char windows[MAX_PATH] = {0};
  GetWindowsDirectoryA(windows, sizeof windows);
  return std::string(windows) + "\\INF\\";
}

int addPackage(const char* inf) {
  const char* wanted = std::getenv("ZEL_PNPUTIL_EXIT");
  const int exitCode = wanted ? std::atoi(wanted) : 0;
  std::printf("Microsoft PnP Utility\r\n\r\nAdding driver package:  %s\r\n", inf);
  if (exitCode != 0 && exitCode != 259 && exitCode != 3010) {
    std::printf("Failed to add driver package: The hash for the file is not present in the specified catalog file.\r\n");
    return exitCode;
  }
  for (int n = 7; n < 1000; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "oem%d.inf", n);
    if (CopyFileA(inf, (storeFolder() + name).c_str(), TRUE)) {
      std::printf("Driver package added successfully.\r\nPublished Name:         %s\r\n", name);
      return exitCode;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  std::printf("Failed to add driver package: Access is denied.\r\n");
  return 5;
}

int deletePackage(const char* published) {
  if (!DeleteFileA((storeFolder() + published).c_str())) {
    std::printf("Failed to delete driver package: The system cannot find the file specified.\r\n");
    return 2;
  }
  std::printf("Driver package deleted successfully.\r\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  record(argc, argv);
  if (argc >= 3 && std::strcmp(argv[1], "/add-driver") == 0) return addPackage(argv[2]);
  if (argc >= 4 && std::strcmp(argv[1], "-i") == 0 && std::strcmp(argv[2], "-a") == 0) return addPackage(argv[3]);
  if (argc >= 3 && std::strcmp(argv[1], "/delete-driver") == 0) return deletePackage(argv[2]);
  if (argc >= 4 && std::strcmp(argv[1], "-f") == 0 && std::strcmp(argv[2], "-d") == 0) return deletePackage(argv[3]);
  std::printf("pnputil stand-in: unknown command\r\n");
  return 87;
}
