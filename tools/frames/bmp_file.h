// Writes a 24-bit top-down BGR picture as a bottom-up BMP file.
#pragma once

#include <cstdint>

bool writeBmpFile(const char* path, const uint8_t* topDownBgr, int width, int height);
