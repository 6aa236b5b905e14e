// Windows only: the module handle of the loaded data source.
#pragma once

#include <windows.h>

namespace twain {

void setLibraryModule(HMODULE module);

}  // namespace twain
