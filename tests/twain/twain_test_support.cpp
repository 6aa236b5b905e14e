#include "tests/twain/twain_test_support.h"

#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <direct.h>
#define makeDirectory(path) _mkdir(path)
#define removeDirectory(path) _rmdir(path)
#else
#include <sys/stat.h>
#include <unistd.h>
#define makeDirectory(path) mkdir(path, 0755)
#define removeDirectory(path) rmdir(path)
#endif

#include "platform/platform.h"
#include "twain/capabilities.h"
#include "twain/ds_entry.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"

namespace twain {

std::vector<ShownBox> shownBoxes;
std::vector<Notification> notifications;

namespace {

int recordBox(plat::WindowHandle owner, const char* text, const char* caption, uint32_t flags) {
  shownBoxes.push_back({owner, text, caption, flags});
  return plat::kIdOk;
}

TW_UINT16 TW_CALLINGSTYLE recordNotification(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 dg,
                                             TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  notifications.push_back({origin->Id, destination->Id, dg, dat, msg, sourceRecord.sourceState, data == nullptr});
  return TWRC_SUCCESS;
}

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(v & 0xFF);
  out.push_back(v >> 8);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

}  // namespace

void TwainTest::SetUp() {
  shownBoxes.clear();
  notifications.clear();
  plat::installMessageBoxHook(recordBox);
  installManagerEntry(recordNotification);
  installSourceWindowSeam(nullptr);
  // Grown blocks come unfilled: a byte the data source forgets to write
  // shows up as this one instead of a zero that happened to be there.
  gmem::setResizeFill(0xCD);
  templateDir_ = "twain_test_templates/";
  setLibraryDirectory(ZEL_TWAIN_TEMPLATE_DIR);
  attachSource();
  sourceWindowState.viewSize = 1;
  sourceWindowState.largeModel = 0;
  sourceWindowState.appAnswered = 0;
  sourceWindowState.transferEnded = 0;
  app_ = TW_IDENTITY{};
  app_.Id = 5;
  app_.ProtocolMajor = 1;
  app_.ProtocolMinor = 9;
  std::strcpy(app_.ProductName, "test application");
}

void TwainTest::TearDown() {
  // Leave no template files behind in the working folder.
  for (const char* name : {"XGA_FULL.bmp", "XGA_HALF.bmp", "SXGA_FULL.bmp", "SXGA_HALF.bmp", "pal.bmp"}) {
    removeTemplate(name);
  }
  removeDirectory("twain_test_templates");
  releaseTransferDib();
  forgetCaptureFrame();
  gmem::setResizeFill(-1);
  installSourceWindowSeam(nullptr);
  installManagerEntry(nullptr);
  plat::installMessageBoxHook(nullptr);
}

TW_UINT16 TwainTest::call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return DS_Entry(&app_, dg, dat, msg, data);
}

TW_UINT16 TwainTest::callAs(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return DS_Entry(origin, dg, dat, msg, data);
}

TW_UINT16 TwainTest::openSource(TW_UINT16 protocolMajor, TW_UINT16 protocolMinor) {
  app_.ProtocolMajor = protocolMajor;
  app_.ProtocolMinor = protocolMinor;
  TW_IDENTITY completed = sourceRecord.sourceIdentity;
  completed.Id = 77;
  return call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &completed);
}

TW_UINT16 TwainTest::status() {
  TW_STATUS st{0xFFFF, 0xFFFF};
  EXPECT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_STATUS, MSG_GET, &st));
  EXPECT_EQ(0, st.Reserved);
  return st.ConditionCode;
}

void TwainTest::offerCapturedFrame(int32_t viewSize, bool largeModel) {
  int32_t width, height;
  ASSERT_TRUE(transferSize(viewSize, largeModel, &width, &height));
  frame_ = patternFrame(width, height);
  sourceWindowState.viewSize = viewSize;
  sourceWindowState.largeModel = largeModel ? 1 : 0;
  recordCaptureFrame(frame_.data(), static_cast<uint32_t>(frame_.size()));
  sourceWindowState.appAnswered = 0;
  sourceWindowState.transferEnded = 0;
  captureDefaults();
}

void TwainTest::writeTemplate(const char* name, int32_t width, int32_t height, uint16_t bitCount, bool fileHeader,
                              bool coreHeader) {
  makeDirectory("twain_test_templates");
  setLibraryDirectory(templateDir_.c_str());
  uint32_t rowBytes = ((bitCount * width + 31) / 32) * 4;
  uint32_t imageBytes = rowBytes * height;
  uint32_t colours = bitCount <= 8 ? (1u << bitCount) : 0;
  uint32_t headerBytes = (coreHeader ? 12 : 40) + colours * (coreHeader ? 3 : 4);
  std::vector<uint8_t> out;
  if (fileHeader) {
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + headerBytes + imageBytes);
    put32(out, 0);
    put32(out, 14 + headerBytes);
  }
  if (coreHeader) {
    put32(out, 12);
    put16(out, static_cast<uint16_t>(width));
    put16(out, static_cast<uint16_t>(height));
    put16(out, 1);
    put16(out, bitCount);
  } else {
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bitCount);
    put32(out, 0);
    put32(out, 0);  // biSizeImage left to the reader
    put32(out, 3937);
    put32(out, 3937);
    put32(out, 0);
    put32(out, 0);
  }
  for (uint32_t i = 0; i < colours; ++i) {
    uint8_t level = static_cast<uint8_t>(i);
    out.insert(out.end(), {level, level, level});
    if (!coreHeader) out.push_back(0);
  }
  out.resize(out.size() + imageBytes, 0);
  std::FILE* file = std::fopen((templateDir_ + name).c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fwrite(out.data(), 1, out.size(), file);
  std::fclose(file);
}

void TwainTest::removeTemplate(const char* name) { std::remove((templateDir_ + name).c_str()); }

std::vector<uint8_t> patternFrame(int32_t width, int32_t height) {
  std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 3);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &frame[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x + y);
    }
  }
  return frame;
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(file);
  return bytes;
}

}  // namespace twain
