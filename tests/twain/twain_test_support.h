// Shared fixture of the data source tests: a freshly attached library, the
// failure boxes and the notifications to the application recorded, and
// template bitmaps written where the library looks for them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "twain/twain_types.h"

namespace twain {

struct ShownBox {
  void* owner;
  std::string text;
  std::string caption;
  uint32_t flags;
};

struct Notification {
  TW_UINT32 originId;
  TW_UINT32 destinationId;
  TW_UINT32 dg;
  TW_UINT16 dat;
  TW_UINT16 msg;
  int32_t stateAtCall;
  bool dataWasNull;
};

extern std::vector<ShownBox> shownBoxes;
extern std::vector<Notification> notifications;

class TwainTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TW_UINT16 call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
  TW_UINT16 callAs(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
  // MSG_OPENDS as the source manager sends it (our identity completed with
  // Id 77), for an application of the given protocol.
  TW_UINT16 openSource(TW_UINT16 protocolMajor = 1, TW_UINT16 protocolMinor = 9);
  TW_UINT16 status();
  // Puts the source in state 600 with a captured frame of the view size:
  // the handshake as the preview thread runs it.
  void offerCapturedFrame(int32_t viewSize, bool largeModel = false);
  // Directory (ending in '/') where the tests' templates are written.
  std::string templateDir() const { return templateDir_; }
  // Writes a template: 24-bit uncompressed BMP (optionally without file
  // header, with a core header, or another bit depth).
  void writeTemplate(const char* name, int32_t width, int32_t height, uint16_t bitCount = 24,
                     bool fileHeader = true, bool coreHeader = false);
  void removeTemplate(const char* name);

  TW_IDENTITY app_{};
  std::vector<uint8_t> frame_;
  std::string templateDir_;
};

// A frame whose every pixel is distinct in its row and column:
// blue = x, green = y, red = (x + y).
std::vector<uint8_t> patternFrame(int32_t width, int32_t height);
std::vector<uint8_t> readWholeFile(const std::string& path);

}  // namespace twain
