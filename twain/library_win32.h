// Windows only: the module handle of the loaded data source.
#pragma once

#include <windows.h>

void setLibraryModule(HMODULE module);
