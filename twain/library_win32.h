// Windows only: the module handle of the loaded data source.
#pragma once

#include <windows.h>

namespace twain {

void setLibraryModule(HMODULE module);
// The module whose resources the source window uses: the loaded data
// source, or the program it is linked into.
HMODULE libraryModule();

struct SourceUi;
// The source window's operations over Win32 (source_ui_win32.cpp).
const SourceUi* win32SourceUi();

}  // namespace twain
