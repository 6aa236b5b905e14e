#include "driver/logic/extension_image.h"

#include <gtest/gtest.h>

#include <string.h>

#include "driver/logic/device_control.h"

namespace zelb1 {
namespace {

// Every pointer of the extension looks like a kernel address; the copy
// keeps the numbers and the pipe table in place and not one address.
TEST(ExtensionImage, CallerCopyKeepsLayoutAndSizeButNoKernelAddress) {
  const uintptr_t kernel = static_cast<uintptr_t>(0xFFFFF80012345678ull);
  struct {
    ExtensionHead head;
    uint8_t tail[kDeviceExtensionSize - sizeof(ExtensionHead)];
  } extension;
  memset(&extension, 0xA5, sizeof(extension));
  ExtensionHead& head = extension.head;
  head.pdo = head.lowerDevice = head.configDescriptor = head.configurationHandle = kernel;
  head.deviceDescriptor = head.pendingPowerIrp = kernel;
  for (uintptr_t& interface : head.interfaces) interface = kernel;
  head.deviceNumber = 3;
  head.pipes = PipeOpenState{};
  head.pipes.openPipeCount = 2;
  head.pipes.pipeOpenTable[1] = {1, 0x00000001};
  head.pipes.pipeOpenTable[3] = {1, 0x01000003};
  head.unconfigured = 0;
  head.started = 1;
  head.devicePowerState = 4;

  uint8_t copy[kDeviceExtensionSize + 8];
  memset(copy, 0xEE, sizeof(copy));
  copyExtensionForCaller(head, copy);

  ExtensionHead seen;
  memcpy(&seen, copy, sizeof(seen));
  EXPECT_EQ(seen.pdo, 0u);
  EXPECT_EQ(seen.lowerDevice, 0u);
  EXPECT_EQ(seen.configDescriptor, 0u);
  EXPECT_EQ(seen.configurationHandle, 0u);
  EXPECT_EQ(seen.deviceDescriptor, 0u);
  EXPECT_EQ(seen.pendingPowerIrp, 0u);
  for (uintptr_t interface : seen.interfaces) EXPECT_EQ(interface, 0u);
  EXPECT_EQ(seen.deviceNumber, 3u);
  EXPECT_EQ(seen.pipes.openPipeCount, 2u);
  EXPECT_EQ(seen.pipes.pipeOpenTable[3].code, 0x01000003);
  EXPECT_EQ(seen.pipes.pipeOpenTable[1].open, 1);
  EXPECT_EQ(seen.pipes.pipeOpenTable[2].open, 0);
  EXPECT_EQ(seen.started, 1);
  EXPECT_EQ(seen.devicePowerState, 4u);

  // Padding between the fields and everything after them: zeros, not
  // whatever the extension holds there.
  size_t stray = 0;
  for (size_t k = sizeof(ExtensionHead); k < kDeviceExtensionSize; ++k) stray += copy[k] != 0;
  EXPECT_EQ(stray, 0u);
  const uint8_t* padding = copy + offsetof(ExtensionHead, deviceNumber) + 4;
  EXPECT_EQ(memcmp(padding, "\0\0\0\0", sizeof(uintptr_t) - 4), 0);
  EXPECT_EQ(copy[kDeviceExtensionSize], 0xEE) << "not one byte beyond the 2448";
}

}  // namespace
}  // namespace zelb1
