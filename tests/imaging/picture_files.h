// Test helpers: a recognisable 24-bit picture, and reading back BMP and JPEG
// files into top-down blue-green-red pixels, to compare with what was
// handed in. JPEG files are decoded by libjpeg-turbo natively and by the
// platform's imaging component in the Windows build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedPicture {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  std::vector<uint8_t> pixels;  // top row first, 3 bytes a pixel, no padding
};

// A width x height picture, top row first: smooth colour ramps with a dark
// band across the top quarter, so that a picture upside down or mirrored
// differs from it everywhere.
std::vector<uint8_t> testPicture(int32_t width, int32_t height);

bool readBmp(const std::string& path, DecodedPicture* out);
bool decodeJpeg(const std::string& path, DecodedPicture* out);

// Mean absolute difference per colour byte of two pictures of one size.
double meanError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
// The same picture turned upside down.
std::vector<uint8_t> upsideDown(const std::vector<uint8_t>& picture, int32_t width, int32_t height);

std::string fileBytes(const std::string& path);
bool fileExists(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
// A fresh empty folder for one test, and the names of the files in it.
std::string freshFolder(const std::string& name);
std::vector<std::string> filesIn(const std::string& folder);
// Takes the owner's write permission away (the read-only attribute under
// Windows) or gives it back.
void setReadOnly(const std::string& path, bool readOnly);
