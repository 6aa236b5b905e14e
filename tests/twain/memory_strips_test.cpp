// The memory transfer's strips, byte for byte: put together they are the
// native transfer's bitmap, top row first and each pixel red, green, blue,
// whatever the strip length, the image size and the camera model, and
// whatever becomes of the captured frame once the transfer is under way.
#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/twain/twain_test_support.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"

using namespace twain;

namespace {

const uint8_t kUntouched = 0xEE;

struct TransferSize {
  int32_t viewSize;
  bool largeModel;
};
const TransferSize kSizes[] = {{1, false}, {0, false}, {1, true}, {0, true}};

// Every byte of the frame from a seeded generator, so that a byte taken
// from the wrong row, pixel or place does not match by chance.
void scramble(std::vector<uint8_t>* frame, uint32_t seed) {
  for (uint8_t& b : *frame) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
}

// The strips' bytes made from a bottom-up blue-green-red bitmap.
std::vector<uint8_t> stripsOf(const uint8_t* bits, int32_t width, int32_t height) {
  const size_t row = static_cast<size_t>(width) * 3;
  std::vector<uint8_t> strips(row * height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = bits + (height - 1 - y) * row;
    uint8_t* out = &strips[y * row];
    for (size_t i = 0; i < row; i += 3) {
      out[i] = in[i + 2];
      out[i + 1] = in[i + 1];
      out[i + 2] = in[i];
    }
  }
  return strips;
}

class MemoryStripsTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    openSource();
  }
  // The handshake's offer of a frame of scrambled bytes.
  void offer(const TransferSize& size, uint32_t seed) {
    offerCapturedFrame(size.viewSize, size.largeModel);
    scramble(&frame_, seed);
  }
  TW_UINT16 endTransfer() {
    TW_PENDINGXFERS pending{};
    return call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  }
  // The whole packed bitmap of a native transfer, header included.
  std::vector<uint8_t> nativeBitmap() {
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib));
    if (!dib) return {};
    const uint8_t* packed = static_cast<const uint8_t*>(gmem::lock(dib));
    std::vector<uint8_t> bytes(packed, packed + gmem::size(dib));
    gmem::unlock(dib);
    gmem::release(dib);
    EXPECT_EQ(TWRC_SUCCESS, endTransfer());
    return bytes;
  }
  // Runs a memory transfer in strips of `length` bytes to its end and puts
  // the rows together; checks every answer on the way and that no strip
  // writes past its whole rows. `afterFirst` runs after the first strip.
  std::vector<uint8_t> memoryStrips(uint32_t length, int32_t width, int32_t height, void (*afterFirst)() = nullptr) {
    const uint32_t rowBytes = static_cast<uint32_t>(width) * 3;
    const uint32_t rowsPerStrip = length / rowBytes;
    std::vector<uint8_t> rows, buffer(length);
    uint32_t sent = 0;
    TW_UINT16 rc = TWRC_SUCCESS;
    while (rc == TWRC_SUCCESS && sent < static_cast<uint32_t>(height) + 1) {
      std::fill(buffer.begin(), buffer.end(), kUntouched);
      TW_IMAGEMEMXFER xfer{};
      xfer.Memory.Flags = 0x0001 | 0x0008;
      xfer.Memory.Length = length;
      xfer.Memory.TheMem = buffer.data();
      rc = call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
      const uint32_t left = static_cast<uint32_t>(height) - sent;
      const uint32_t expected = std::min(rowsPerStrip, left);
      EXPECT_EQ(expected == left ? TWRC_XFERDONE : TWRC_SUCCESS, rc) << "at row " << sent;
      EXPECT_EQ(sent, +xfer.YOffset);
      EXPECT_EQ(rowBytes, +xfer.BytesPerRow);
      EXPECT_EQ(static_cast<uint32_t>(width), +xfer.Columns);
      EXPECT_EQ(expected, +xfer.Rows);
      EXPECT_EQ(expected * rowBytes, +xfer.BytesWritten);
      const uint32_t written = std::min(+xfer.BytesWritten, length);
      EXPECT_TRUE(std::all_of(buffer.begin() + written, buffer.end(), [](uint8_t b) { return b == kUntouched; }));
      rows.insert(rows.end(), buffer.begin(), buffer.begin() + written);
      sent += xfer.Rows;
      if (afterFirst && sent == xfer.Rows) afterFirst();
    }
    EXPECT_EQ(TWRC_XFERDONE, rc);
    EXPECT_EQ(static_cast<uint32_t>(height), sent);
    EXPECT_EQ(TWRC_SUCCESS, endTransfer());
    return rows;
  }
};

TEST_F(MemoryStripsTest, StripsPutTogetherAreTheNativeBitmapAtEverySizeAndLength) {
  for (const TransferSize& size : kSizes) {
    int32_t width, height;
    ASSERT_TRUE(transferSize(size.viewSize, size.largeModel, &width, &height));
    const uint32_t row = static_cast<uint32_t>(width) * 3;
    // One row; rows and part of one; the preferred buffer; a length whose
    // last strip is short; more than the whole image.
    const uint32_t lengths[] = {row, 7 * row + row / 2, 65535, 100 * row + 5, height * row + 1000};
    for (uint32_t length : lengths) {
      SCOPED_TRACE(testing::Message() << width << "x" << height << ", strips of " << length << " bytes");
      const uint32_t seed = length + static_cast<uint32_t>(width);
      offer(size, seed);
      const std::vector<uint8_t> frame = frame_;
      std::vector<uint8_t> bitmap = nativeBitmap();
      ASSERT_EQ(40u + frame.size(), bitmap.size());
      // The bitmap itself: bottom-up, blue-green-red as captured.
      for (int32_t k = 0; k < height; ++k) {
        ASSERT_EQ(0, std::memcmp(&bitmap[40 + k * row], &frame[(height - 1 - k) * row], row)) << "bitmap row " << k;
      }
      offer(size, seed);
      ASSERT_EQ(frame, frame_);
      EXPECT_EQ(stripsOf(&bitmap[40], width, height), memoryStrips(length, width, height));
    }
  }
}

// The window's going (or a new size for its preview) forgets the frame and
// frees or refills its buffer while the application is still taking strips.
TEST_F(MemoryStripsTest, StripsAreUnchangedWhenTheFrameGoesDuringTheTransfer) {
  static std::vector<uint8_t>* frameBuffer;
  frameBuffer = &frame_;
  for (const TransferSize& size : kSizes) {
    int32_t width, height;
    ASSERT_TRUE(transferSize(size.viewSize, size.largeModel, &width, &height));
    SCOPED_TRACE(testing::Message() << width << "x" << height);
    offer(size, 99);
    const std::vector<uint8_t> bitmap = nativeBitmap();
    ASSERT_FALSE(bitmap.empty());
    offer(size, 99);
    const uint32_t length = 10 * static_cast<uint32_t>(width) * 3 + 11;
    std::vector<uint8_t> rows = memoryStrips(length, width, height, [] {
      forgetCaptureFrame();
      std::fill(frameBuffer->begin(), frameBuffer->end(), 0);
    });
    EXPECT_EQ(stripsOf(&bitmap[40], width, height), rows);
  }
}

TEST_F(MemoryStripsTest, FrameForgottenBeforeTheFirstStripGivesNoBitmap) {
  offer(kSizes[0], 1);
  forgetCaptureFrame();
  std::vector<uint8_t> buffer(65535);
  TW_IMAGEMEMXFER xfer{};
  xfer.Memory.Flags = 0x0001 | 0x0008;
  xfer.Memory.Length = static_cast<TW_UINT32>(buffer.size());
  xfer.Memory.TheMem = buffer.data();
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
  EXPECT_EQ(TWCC_OPERATIONERROR, status());
}

// The bitmap prepared for strips holds, once handed over, the same bytes as
// one prepared whole: header, pixels and the zero bytes a template's larger
// image size adds past the rows.
TEST_F(MemoryStripsTest, BitmapPreparedForStripsIsTheWholeBitmapWhenHandedOver) {
  writeTemplate("XGA_HALF.bmp", 512, 384);
  {
    // biSizeImage (0, left to the reader) becomes two rows more than the
    // pixels take.
    std::vector<uint8_t> file = readWholeFile(templateDir() + "XGA_HALF.bmp");
    const uint32_t sizeImage = 386 * 1536;
    std::memcpy(&file[14 + 20], &sizeImage, 4);
    std::FILE* out = std::fopen((templateDir() + "XGA_HALF.bmp").c_str(), "wb");
    ASSERT_NE(nullptr, out);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
  }
  offer(kSizes[0], 7);
  auto whole = [this](PixelFill fill, uint32_t stripRows) {
    EXPECT_TRUE(prepareTransferDib(frame_.data(), static_cast<uint32_t>(frame_.size()), 1, false, fill));
    std::vector<uint8_t> strip(stripRows * 1536);
    uint32_t written;
    bool last;
    EXPECT_TRUE(copyStrip(strip.data(), static_cast<uint32_t>(strip.size()), &written, &last));
    TW_HANDLE dib = takeTransferDib();
    EXPECT_NE(nullptr, dib);
    if (!dib) return std::vector<uint8_t>();
    const uint8_t* packed = static_cast<const uint8_t*>(gmem::lock(dib));
    std::vector<uint8_t> bytes(packed, packed + gmem::size(dib));
    gmem::unlock(dib);
    gmem::release(dib);
    return bytes;
  };
  const std::vector<uint8_t> expected = whole(PixelFill::Now, 0);
  ASSERT_EQ(40u + 386 * 1536, expected.size());
  EXPECT_TRUE(std::all_of(expected.end() - 2 * 1536, expected.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(expected, whole(PixelFill::WhenNeeded, 0));
  EXPECT_EQ(expected, whole(PixelFill::WhenNeeded, 5));
  EXPECT_EQ(expected, whole(PixelFill::WhenNeeded, 384));
}

}  // namespace
