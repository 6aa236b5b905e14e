// The library's surroundings in native builds: no source manager library,
// the identity strings built in, and a template directory set by the host.
#include <cstring>
#include <string>

#include "twain/source_record.h"

namespace twain {

namespace {
std::string directory = "./";
}

const char* libraryDirectory() { return directory.c_str(); }

void setLibraryDirectory(const char* path) {
  directory = path ? path : "";
  if (!directory.empty() && directory.back() != '/') directory += '/';
}

void loadIdentityString(int index, char* out) {
  std::memset(out, 0, sizeof(TW_STR32));
  if (index < 0 || index > 3) return;
  std::strncpy(out, kIdentityStrings[index], 33);
}

void callPlatformManager(TW_IDENTITY*, TW_IDENTITY*, TW_UINT16) {}

}  // namespace twain
