// Saving a full-size (1024 x 768) frozen picture, measured against the
// plain work it cannot avoid, in the same run and the same folder:
//   save_bmp_full    the save component writing a BMP file (imaging layer,
//                    temporary file moved over the name)
//   fwrite_full      the same file's bytes written with one fwrite call
//   save_jpeg_full   the save component writing a JPEG file
//   turbojpeg_full   libjpeg-turbo compressing the same picture at the same
//                    quality, its bytes written with one fwrite call
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/bmp_file.h"
#include "imaging/jpeg_encoder.h"
#include "viewer/image_saver.h"

using namespace viewer;

namespace {

const int kWidth = 1024, kHeight = 768;

std::vector<uint8_t> picture() {
  std::vector<uint8_t> p(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* px = &p[(static_cast<size_t>(y) * kWidth + x) * 3];
      px[0] = static_cast<uint8_t>(x / 4);
      px[1] = static_cast<uint8_t>(y / 3);
      px[2] = static_cast<uint8_t>((x ^ y) & 0xC0);
    }
  return p;
}

const std::vector<uint8_t>& thePicture() {
  static const std::vector<uint8_t> p = picture();
  return p;
}

const std::string& folder() {
  static const std::string f = [] {
    char name[] = "/tmp/zel-bench-save-XXXXXX";
    return std::string(mkdtemp(name) ? name : "/tmp");
  }();
  return f;
}

bool writeWithFwrite(const std::string& path, const void* bytes, size_t count) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes, 1, count, file) == count;
  return std::fclose(file) == 0 && written;
}

void saveWith(benchmark::State& state, const char* name) {
  const std::string path = folder() + "/" + name;
  std::snprintf(imageSaver.filePath, sizeof imageSaver.filePath, "%s", path.c_str());
  std::snprintf(imageSaver.fileTitle, sizeof imageSaver.fileTitle, "%s", name);
  setSaveSize(0);
  for (auto _ : state) {
    if (!saveImage(thePicture().data())) state.SkipWithError("save failed");
    cleanupImageSaver();
  }
}

void save_bmp_full(benchmark::State& state) { saveWith(state, "saved.bmp"); }

void fwrite_full(benchmark::State& state) {
  // The file save_bmp_full writes: headers, then rows bottom row first.
  std::vector<uint8_t> file(imaging::kPictureBmpHeadersBytes + thePicture().size());
  imaging::pictureBmpHeaders(kWidth, kHeight, file.data());
  const size_t row = static_cast<size_t>(kWidth) * 3;
  for (int y = 0; y < kHeight; ++y)
    std::memcpy(&file[imaging::kPictureBmpHeadersBytes + (kHeight - 1 - y) * row], &thePicture()[y * row], row);
  const std::string path = folder() + "/fwrite.bmp";
  for (auto _ : state)
    if (!writeWithFwrite(path, file.data(), file.size())) state.SkipWithError("fwrite failed");
}

void save_jpeg_full(benchmark::State& state) { saveWith(state, "saved.jpg"); }

void turbojpeg_full(benchmark::State& state) {
  const std::string path = folder() + "/turbojpeg.jpg";
  tjhandle compressor = tjInitCompress();
  for (auto _ : state) {
    unsigned char* bytes = nullptr;
    unsigned long count = 0;
    if (tjCompress2(compressor, thePicture().data(), kWidth, kWidth * 3, kHeight, TJPF_BGR, &bytes, &count,
                    TJSAMP_420, imaging::kJpegQuality, 0) != 0 ||
        !writeWithFwrite(path, bytes, count))
      state.SkipWithError("compression failed");
    tjFree(bytes);
  }
  tjDestroy(compressor);
}

}  // namespace

BENCHMARK(save_bmp_full)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(fwrite_full)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(save_jpeg_full)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(turbojpeg_full)->Unit(benchmark::kMillisecond)->UseRealTime();
