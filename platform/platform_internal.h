// Shared between the common part of the platform layer and the two system
// implementations; not for use above the platform layer.
#pragma once

#include "platform/platform.h"

namespace plat {

bool isDevicePath(const char* path);
bool isSeamHandle(Handle handle);
Handle seamOpen(const DevicePathSeam* seam, const char* path);
bool seamRead(Handle handle, void* buffer, uint32_t count, uint32_t* done);
bool seamWrite(Handle handle, const void* buffer, uint32_t count, uint32_t* done);
bool seamClose(Handle handle);

// Provided by each system implementation.
void systemSleep(uint32_t milliseconds);
uint32_t systemTickCount();
int systemMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t flags);
[[noreturn]] void systemExit(uint32_t exitCode);

}  // namespace plat
