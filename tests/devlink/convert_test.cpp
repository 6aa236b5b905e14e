// The frame conversion: the scalar reference on known values, every SIMD
// variant this CPU runs against the reference (all Y, Cr, Cb combinations,
// odd lengths, unaligned buffers, no byte written outside the row), and the
// chunk placement with its counters, first-row drop and bitmap guard.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "devlink/convert.h"

using namespace devlink;

namespace {

std::vector<ConvertVariant> usableVariants() {
  ConvertVariant all[8];
  const size_t count = usableConvertVariants(all, 8);
  return std::vector<ConvertVariant>(all, all + count);
}

void fillPseudoRandom(uint8_t* data, size_t size, uint32_t seed) {
  uint32_t state = seed;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = static_cast<uint8_t>(state >> 24);
  }
}

std::vector<uint8_t> pseudoRandomFrame(size_t bytes, uint32_t seed) {
  std::vector<uint8_t> frame(bytes);
  fillPseudoRandom(frame.data(), bytes, seed);
  return frame;
}

std::vector<uint8_t> convertWith(ConvertRowFn fn, const uint8_t* group, size_t groupCount) {
  std::vector<uint8_t> bgr(groupCount * 6);
  fn(group, bgr.data(), groupCount);
  return bgr;
}

// --- The reference on the documented values ---------------------------------

TEST(ConvertRow, GreyGroupGivesGreyPixelsInEveryVariant) {
  const uint8_t group[4] = {0x80, 0x80, 0x80, 0x80};
  for (const ConvertVariant& v : usableVariants()) {
    const std::vector<uint8_t> bgr = convertWith(v.fn, group, 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(128, bgr[i]) << v.name << " byte " << i;
  }
}

TEST(ConvertRow, ChannelsClampAtBothEndsInEveryVariant) {
  // Y = 255, Cb = 255: blue (65280 + 57658) >> 8 clamps to 255.
  const uint8_t brightBlue[4] = {255, 128, 255, 255};
  // Y = 0, Cr = 0: red (0 - 45952) >> 8 clamps to 0.
  const uint8_t darkRed[4] = {0, 0, 0, 128};
  for (const ConvertVariant& v : usableVariants()) {
    const std::vector<uint8_t> blue = convertWith(v.fn, brightBlue, 1);
    EXPECT_EQ(255, blue[0]) << v.name;
    EXPECT_EQ(255, blue[3]) << v.name;
    const std::vector<uint8_t> red = convertWith(v.fn, darkRed, 1);
    EXPECT_EQ(0, red[2]) << v.name;
    EXPECT_EQ(0, red[5]) << v.name;
  }
}

TEST(ConvertRow, MixedGroupGivesDocumentedBgrInEveryVariant) {
  // Y = 100, Cr = 200, Cb = 50: blue clamps to 0, green 75, red 200.
  const uint8_t group[4] = {100, 200, 100, 50};
  for (const ConvertVariant& v : usableVariants()) {
    const std::vector<uint8_t> bgr = convertWith(v.fn, group, 1);
    const uint8_t expected[6] = {0, 75, 200, 0, 75, 200};
    EXPECT_EQ(0, std::memcmp(expected, bgr.data(), 6)) << v.name;
  }
}

TEST(ConvertRow, GreenIsOneShiftOfTheWholeSum) {
  // Y = 0, cr = -1, cb = -1: (0 - (-183 - 88)) >> 8 = 271 >> 8 = 1, where
  // shifting the terms separately would give 0. Y = 10, cr = 1, cb = 0:
  // (2560 - 183) >> 8 = 9 (rounds down, not toward zero).
  const uint8_t groups[8] = {0, 127, 0, 127, 10, 129, 10, 128};
  for (const ConvertVariant& v : usableVariants()) {
    const std::vector<uint8_t> bgr = convertWith(v.fn, groups, 2);
    EXPECT_EQ(1, bgr[1]) << v.name;
    EXPECT_EQ(9, bgr[7]) << v.name;
  }
}

// --- Every variant against the reference ------------------------------------

// All 2^24 (Y, Cr, Cb) combinations, one Cr at a time (65536 groups of
// (Y, Cr, Y ^ 0x5A, Cb)), at input and output offsets that change with Cr.
TEST(ConvertRow, EveryVariantMatchesScalarForAllYCrCb) {
  const size_t groupCount = 65536;
  std::vector<uint8_t> input(groupCount * 4 + 4);
  std::vector<uint8_t> expected(groupCount * 6);
  std::vector<uint8_t> actual(groupCount * 6 + 8);
  const std::vector<ConvertVariant> variants = usableVariants();
  for (int cr = 0; cr < 256; ++cr) {
    const size_t inOffset = cr % 4;
    const size_t outOffset = cr % 7;
    uint8_t* in = input.data() + inOffset;
    for (size_t g = 0; g < groupCount; ++g) {
      const uint8_t y = static_cast<uint8_t>(g >> 8);
      in[4 * g + 0] = y;
      in[4 * g + 1] = static_cast<uint8_t>(cr);
      in[4 * g + 2] = static_cast<uint8_t>(y ^ 0x5A);
      in[4 * g + 3] = static_cast<uint8_t>(g);
    }
    convertRowScalar(in, expected.data(), groupCount);
    for (const ConvertVariant& v : variants) {
      if (v.fn == convertRowScalar) continue;
      v.fn(in, actual.data() + outOffset, groupCount);
      if (std::memcmp(expected.data(), actual.data() + outOffset, expected.size()) != 0) {
        size_t g = 0;
        while (std::memcmp(&expected[6 * g], &actual[outOffset + 6 * g], 6) == 0) ++g;
        ADD_FAILURE() << v.name << " differs at Y=" << (g >> 8) << " Cr=" << cr << " Cb=" << (g & 255);
      }
    }
    if (HasFailure()) return;
  }
}

// Lengths around every block size, at every input and output alignment;
// input buffers end right after the last group and the bytes around the
// output row must stay as they were.
TEST(ConvertRow, EveryVariantHandlesOddLengthsAndUnalignedBuffers) {
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 40; ++n) lengths.push_back(n);
  const size_t longer[] = {47, 48, 49, 63, 64, 65, 127, 128, 129, 1001, 1024};
  lengths.insert(lengths.end(), longer, longer + sizeof longer / sizeof longer[0]);
  const size_t guard = 64;
  const uint8_t canary = 0xC5;
  for (const ConvertVariant& v : usableVariants()) {
    for (size_t n : lengths) {
      for (size_t inOffset = 0; inOffset < 4; ++inOffset) {
        for (size_t outOffset = 0; outOffset < 8; ++outOffset) {
          std::vector<uint8_t> input(inOffset + 4 * n);
          fillPseudoRandom(input.data(), input.size(), static_cast<uint32_t>(n * 31 + inOffset));
          const uint8_t* in = input.data() + inOffset;
          const std::vector<uint8_t> expected = convertWith(convertRowScalar, in, n);
          std::vector<uint8_t> output(outOffset + 6 * n + guard, canary);
          v.fn(in, output.data() + outOffset, n);
          const std::string where = std::string(v.name) + " n=" + std::to_string(n) +
                                    " in+" + std::to_string(inOffset) + " out+" + std::to_string(outOffset);
          ASSERT_TRUE(n == 0 || std::memcmp(expected.data(), output.data() + outOffset, 6 * n) == 0) << where;
          for (size_t i = 0; i < outOffset; ++i) ASSERT_EQ(canary, output[i]) << where << " before, byte " << i;
          for (size_t i = outOffset + 6 * n; i < output.size(); ++i) {
            ASSERT_EQ(canary, output[i]) << where << " past the end, byte " << i;
          }
        }
      }
    }
  }
}

TEST(ConvertRow, BestVariantIsTheFastestUsable) {
  const std::vector<ConvertVariant> variants = usableVariants();
  ASSERT_FALSE(variants.empty());
  // Which variants this run checked depends on the CPU: say so in the log.
  std::string names;
  for (const ConvertVariant& v : variants) names += std::string(" ") + v.name;
  std::printf("conversion variants checked:%s\n", names.c_str());
  EXPECT_STREQ("scalar", variants.front().name);
  EXPECT_EQ(variants.back().fn, bestConvertRow());
  EXPECT_STREQ(variants.back().name, bestConvertRowName());
}

// --- Chunk placement and counters -------------------------------------------

ConvertTarget targetFor(std::vector<uint8_t>& bitmap, int32_t width, int32_t baseHeight, int32_t sizeIndex) {
  ConvertTarget t;
  t.image = bitmap.data();
  t.imageBytes = static_cast<uint32_t>(bitmap.size());
  t.width = width;
  t.baseHeight = baseHeight;
  t.sizeIndex = sizeIndex;
  return t;
}

// Feeds the frame in chunks whose sizes cycle through chunkSizes (the last
// one cut to what is left).
ConvertCounters convertInChunks(const std::vector<uint8_t>& frame, const ConvertTarget& target,
                                const std::vector<uint32_t>& chunkSizes, bool dropFirstRow) {
  ConvertCounters counters = {0, 0, 0};
  size_t at = 0;
  for (size_t i = 0; at < frame.size(); ++i) {
    uint32_t bytes = chunkSizes[i % chunkSizes.size()];
    if (bytes > frame.size() - at) bytes = static_cast<uint32_t>(frame.size() - at);
    convertChunk(frame.data() + at, bytes, target, &counters, dropFirstRow);
    at += bytes;
  }
  return counters;
}

TEST(ConvertChunk, WholeFrameInOneChunkIsTheRowConversion) {
  // 512 x 384 (size index 1).
  const std::vector<uint8_t> frame = pseudoRandomFrame(512 * 384 * 2, 7);
  std::vector<uint8_t> bitmap(512 * 384 * 3, 0);
  const ConvertCounters counters = convertInChunks(frame, targetFor(bitmap, 512, 768, 1), {393216}, false);
  EXPECT_EQ(589824u, counters.writeOffset);
  EXPECT_EQ(196608u, counters.pixelCount);
  EXPECT_EQ(589824, counters.consumedOutput);
  EXPECT_TRUE(bitmap == convertWith(convertRowScalar, frame.data(), frame.size() / 4));
}

TEST(ConvertChunk, ChunkSizesDoNotChangeTheBitmapOrCounters) {
  const std::vector<uint8_t> frame = pseudoRandomFrame(512 * 384 * 2, 11);
  const std::vector<std::vector<uint32_t>> splits = {
      {131072}, {98304}, {4}, {1020}, {4, 12, 1024, 2044, 131072}, {2048, 1028}, {36, 4096}};
  for (bool drop : {false, true}) {
    std::vector<uint8_t> whole(512 * 384 * 3, 0x3C);
    const ConvertCounters wholeCounters = convertInChunks(frame, targetFor(whole, 512, 768, 1), {393216}, drop);
    for (const std::vector<uint32_t>& split : splits) {
      std::vector<uint8_t> chunked(whole.size(), 0x3C);
      const ConvertCounters c = convertInChunks(frame, targetFor(chunked, 512, 768, 1), split, drop);
      const std::string where = std::string(drop ? "drop" : "plain") + ", first chunk " + std::to_string(split[0]);
      EXPECT_EQ(wholeCounters.writeOffset, c.writeOffset) << where;
      EXPECT_EQ(wholeCounters.pixelCount, c.pixelCount) << where;
      EXPECT_EQ(wholeCounters.consumedOutput, c.consumedOutput) << where;
      EXPECT_TRUE(whole == chunked) << where;
    }
  }
}

TEST(ConvertChunk, FirstRowDropFillsAllButTheLastRow) {
  // 256 x 192 (size index 2): one chunk of 98304 bytes.
  const std::vector<uint8_t> frame = pseudoRandomFrame(256 * 192 * 2, 13);
  const uint8_t before = 0xEE;
  std::vector<uint8_t> bitmap(147456, before);
  const ConvertCounters counters = convertInChunks(frame, targetFor(bitmap, 256, 768, 2), {98304}, true);
  EXPECT_EQ(146688u, counters.writeOffset);
  EXPECT_EQ(49152u, counters.pixelCount);
  EXPECT_EQ(147456, counters.consumedOutput);
  // The bitmap's row 0 is the camera's row 1, and so on.
  const std::vector<uint8_t> rows1on = convertWith(convertRowScalar, frame.data() + 256 * 2, 191 * 256 / 2);
  EXPECT_EQ(0, std::memcmp(rows1on.data(), bitmap.data(), 146688));
  for (size_t i = 146688; i < bitmap.size(); ++i) ASSERT_EQ(before, bitmap[i]) << "byte " << i;
}

TEST(ConvertChunk, FirstRowDropSkipsRowsPastTheBaseHeight) {
  // 8 pixels a row, base height 2: rows 1 and 2 are written, row 0 and
  // rows 3 to 5 are skipped, also when a chunk holds single groups.
  const std::vector<uint8_t> frame = pseudoRandomFrame(6 * 8 * 2, 17);
  const std::vector<uint8_t> rows1and2 = convertWith(convertRowScalar, frame.data() + 16, 8);
  for (uint32_t chunk : {96u, 4u, 20u}) {
    std::vector<uint8_t> bitmap(6 * 8 * 3, 0x11);
    const ConvertCounters c = convertInChunks(frame, targetFor(bitmap, 8, 2, 0), {chunk}, true);
    EXPECT_EQ(48u, c.writeOffset) << "chunk " << chunk;
    EXPECT_EQ(48u, c.pixelCount) << "chunk " << chunk;
    EXPECT_EQ(0, std::memcmp(rows1and2.data(), bitmap.data(), 48)) << "chunk " << chunk;
    for (size_t i = 48; i < bitmap.size(); ++i) ASSERT_EQ(0x11, bitmap[i]) << "chunk " << chunk << " byte " << i;
  }
}

// The first-row drop decided group by group, as the frame is described:
// skip a group whose left pixel is in row 0 or in a row past baseHeight.
TEST(ConvertChunk, FirstRowDropMatchesGroupByGroupPlacement) {
  const std::vector<uint8_t> chunk = pseudoRandomFrame(160, 29);  // 40 groups
  for (int32_t width : {4, 5, 6, 8, 24}) {
    for (int32_t baseHeight : {0, 1, 3}) {
      for (uint32_t startPixel : {0u, 2u, 4u, 6u, 10u, 30u}) {
        std::vector<uint8_t> expected(240, 0x22);
        uint32_t k = 0;
        for (uint32_t g = 0; g < 40; ++g) {
          const uint32_t row = (startPixel + 2 * g) / static_cast<uint32_t>(width);
          if (row == 0 || row > static_cast<uint32_t>(baseHeight)) continue;
          convertRowScalar(&chunk[4 * g], &expected[6 * k++], 1);
        }
        std::vector<uint8_t> bitmap(240, 0x22);
        ConvertCounters c = {0, startPixel, 0};
        convertChunk(chunk.data(), 160, targetFor(bitmap, width, baseHeight, 0), &c, true);
        const std::string where = "width " + std::to_string(width) + " base height " + std::to_string(baseHeight) +
                                  " from pixel " + std::to_string(startPixel);
        EXPECT_EQ(6 * k, c.writeOffset) << where;
        EXPECT_EQ(startPixel + 80, c.pixelCount) << where;
        EXPECT_TRUE(expected == bitmap) << where;
      }
    }
  }
}

TEST(ConvertChunk, InvalidSizeIndexWritesNothingButAdvancesTheFrame) {
  const std::vector<uint8_t> frame = pseudoRandomFrame(4096, 19);
  for (int32_t sizeIndex : {3, -1, 5}) {
    for (bool drop : {false, true}) {
      std::vector<uint8_t> bitmap(8192, 0x5A);
      ConvertCounters c = {600, 1000, 900};
      convertChunk(frame.data(), 4096, targetFor(bitmap, 256, 768, sizeIndex), &c, drop);
      EXPECT_EQ(600u, c.writeOffset) << sizeIndex;
      EXPECT_EQ(1000u + 2048u, c.pixelCount) << sizeIndex;
      EXPECT_EQ(900 + 6144, c.consumedOutput) << sizeIndex;
      for (uint8_t b : bitmap) ASSERT_EQ(0x5A, b) << sizeIndex;
    }
  }
}

TEST(ConvertChunk, OutputStopsAtTheEndOfTheBitmap) {
  const std::vector<uint8_t> frame = pseudoRandomFrame(256, 23);  // 64 groups
  std::vector<uint8_t> buffer(512, 0x77);
  ConvertTarget target = targetFor(buffer, 256, 768, 0);
  target.imageBytes = 100;  // room for 16 whole groups
  ConvertCounters c = {0, 0, 0};
  convertChunk(frame.data(), 256, target, &c, false);
  EXPECT_EQ(96u, c.writeOffset);
  EXPECT_EQ(128u, c.pixelCount);
  EXPECT_EQ(384, c.consumedOutput);
  const std::vector<uint8_t> first16 = convertWith(convertRowScalar, frame.data(), 16);
  EXPECT_EQ(0, std::memcmp(first16.data(), buffer.data(), 96));
  for (size_t i = 96; i < buffer.size(); ++i) ASSERT_EQ(0x77, buffer[i]) << "byte " << i;

  // Already at (or past) the end: nothing more is written.
  convertChunk(frame.data(), 256, target, &c, false);
  EXPECT_EQ(96u, c.writeOffset);
  c.writeOffset = 200;
  convertChunk(frame.data(), 256, target, &c, false);
  EXPECT_EQ(200u, c.writeOffset);
  for (size_t i = 96; i < buffer.size(); ++i) ASSERT_EQ(0x77, buffer[i]) << "byte " << i;
}

}  // namespace
