// Speed of the frame conversion, all on the same 1024 x 768 frame:
//  - convert_full: the whole frame as readChunk converts it, 12 chunks of
//    131072 bytes through convertChunk with the variant the CPU gets;
//  - convert_full_<variant>: the same 12 chunks through each variant's row
//    function alone;
//  - libyuv_yuy2_argb: libyuv's YUY2ToARGB on the same bytes, the usual
//    yardstick for this kind of conversion (4 bytes a pixel out);
//  - memcpy_output: a plain copy of our bitmap's size (2359296 bytes), the
//    floor that any conversion writing that much stays above.
#include <benchmark/benchmark.h>
#include <libyuv.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "devlink/convert.h"

using namespace devlink;

namespace {
const int kWidth = 1024;
const int kHeight = 768;
const uint32_t kFrameBytes = kWidth * kHeight * 2;   // 1572864
const uint32_t kBitmapBytes = kWidth * kHeight * 3;  // 2359296
const uint32_t kChunkBytes = 131072;
const uint32_t kChunks = kFrameBytes / kChunkBytes;  // 12

// Page-aligned buffers, as the frame pipeline allocates them.
struct Buffers {
  uint8_t* frame;
  uint8_t* bitmap;
  uint8_t* argb;
  uint8_t* copy;
};

uint8_t* pageAlloc(size_t bytes) {
  return static_cast<uint8_t*>(std::aligned_alloc(4096, (bytes + 4095) / 4096 * 4096));
}

const Buffers& buffers() {
  static const Buffers b = [] {
    Buffers made = {pageAlloc(kFrameBytes), pageAlloc(kBitmapBytes), pageAlloc(kWidth * kHeight * 4),
                    pageAlloc(kBitmapBytes)};
    // A frame of varied values, so that every clamp path is taken.
    uint32_t state = 12345;
    for (uint32_t i = 0; i < kFrameBytes; ++i) {
      state = state * 1664525u + 1013904223u;
      made.frame[i] = static_cast<uint8_t>(state >> 24);
    }
    std::memset(made.bitmap, 0, kBitmapBytes);
    std::memset(made.argb, 0, kWidth * kHeight * 4);
    std::memset(made.copy, 0, kBitmapBytes);
    return made;
  }();
  return b;
}

void convertFull(benchmark::State& state) {
  const Buffers& b = buffers();
  ConvertTarget target;
  target.image = b.bitmap;
  target.imageBytes = kBitmapBytes;
  target.width = kWidth;
  target.baseHeight = kHeight;
  target.sizeIndex = 0;
  for (auto _ : state) {
    ConvertCounters counters = {0, 0, 0};
    for (uint32_t i = 0; i < kChunks; ++i) {
      convertChunk(b.frame + i * kChunkBytes, kChunkBytes, target, &counters, false);
    }
    benchmark::DoNotOptimize(counters);
    benchmark::ClobberMemory();
  }
}

void convertFullWith(benchmark::State& state, ConvertRowFn fn) {
  const Buffers& b = buffers();
  for (auto _ : state) {
    for (uint32_t i = 0; i < kChunks; ++i) {
      fn(b.frame + i * kChunkBytes, b.bitmap + i * (kChunkBytes / 2 * 3), kChunkBytes / 4);
    }
    benchmark::ClobberMemory();
  }
}

void libyuvYuy2Argb(benchmark::State& state) {
  const Buffers& b = buffers();
  for (auto _ : state) {
    libyuv::YUY2ToARGB(b.frame, kWidth * 2, b.argb, kWidth * 4, kWidth, kHeight);
    benchmark::ClobberMemory();
  }
}

void memcpyOutput(benchmark::State& state) {
  const Buffers& b = buffers();
  for (auto _ : state) {
    std::memcpy(b.copy, b.bitmap, kBitmapBytes);
    benchmark::ClobberMemory();
  }
}
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("convert_best_variant", bestConvertRowName());

  benchmark::RegisterBenchmark("convert_full", convertFull)->Unit(benchmark::kMillisecond);
  ConvertVariant variants[8];
  const size_t count = usableConvertVariants(variants, 8);
  for (size_t i = 0; i < count; ++i) {
    const std::string name = std::string("convert_full_") + variants[i].name;
    benchmark::RegisterBenchmark(name.c_str(), convertFullWith, variants[i].fn)->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("libyuv_yuy2_argb", libyuvYuy2Argb)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("memcpy_output", memcpyOutput)->Unit(benchmark::kMillisecond);

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
