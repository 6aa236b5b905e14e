#include "driver/logic/device_control.h"

#include <gtest/gtest.h>

namespace zelb1 {
namespace {

// Interface 0 of the camera on a 32-bit system: 16-byte header, 20 bytes per pipe.
constexpr uint32_t kCameraInterface0 = 16 + 20 * 4;

TEST(DeviceControl, EachCodeAnswersItsFixedLength) {
  struct Case { uint32_t code; uint32_t length; } cases[] = {
      {kControlGetDeviceCounter, 4},     {kControlGetDeviceExtension, 2448},
      {kControlGetDeviceDescriptor, 18}, {kControlGetConfigDescriptor, 265},
      {kControlGetBusVersion, 8},        {kControlGetInterface0, kCameraInterface0},
  };
  for (const Case& c : cases) {
    DeviceControlCheck check = checkDeviceControl(c.code, c.length, kCameraInterface0);
    EXPECT_EQ(check.status, kStatusSuccess) << std::hex << c.code;
    EXPECT_EQ(check.length, c.length) << std::hex << c.code;
    EXPECT_EQ(checkDeviceControl(c.code, 4096, kCameraInterface0).length, c.length)
        << "a larger buffer gets the same answer";
  }
}

TEST(DeviceControl, ShortOutputBufferIsRefusedBeforeAnythingIsWritten) {
  const uint32_t codes[] = {kControlGetDeviceCounter,    kControlGetDeviceExtension,
                            kControlGetDeviceDescriptor, kControlGetConfigDescriptor,
                            kControlGetBusVersion,       kControlGetInterface0};
  for (uint32_t code : codes) {
    uint32_t needed = checkDeviceControl(code, 0xFFFFFFFF, kCameraInterface0).length;
    DeviceControlCheck shortBy1 = checkDeviceControl(code, needed - 1, kCameraInterface0);
    EXPECT_EQ(shortBy1.status, kStatusBufferTooSmall) << std::hex << code;
    EXPECT_EQ(shortBy1.length, 0u);
    EXPECT_EQ(checkDeviceControl(code, 0, kCameraInterface0).status, kStatusBufferTooSmall);
  }
}

TEST(DeviceControl, UnknownCodesAreInvalidParameter) {
  for (uint32_t code : {0x2201FCu, 0x220218u, 0x220201u, 0x220003u, 0u}) {
    DeviceControlCheck check = checkDeviceControl(code, 4096, kCameraInterface0);
    EXPECT_EQ(check.status, kStatusInvalidParameter) << std::hex << code;
    EXPECT_EQ(check.length, 0u);
  }
}

TEST(DeviceControl, InterfaceZeroCopyNeedsAConfiguredInterfaceZero) {
  DeviceControlCheck check = checkDeviceControl(kControlGetInterface0, 4096, 0);
  EXPECT_EQ(check.status, kStatusInvalidDeviceState);
  EXPECT_EQ(check.length, 0u);
  EXPECT_EQ(checkDeviceControl(kControlGetDeviceCounter, 4, 0).status, kStatusSuccess)
      << "the other codes do not depend on the configuration";
}

TEST(DeviceControl, OnlyTheDescriptorReadsAndTheInterfaceCopyNeedTheCamera) {
  for (uint32_t code : {kControlGetDeviceDescriptor, kControlGetConfigDescriptor, kControlGetInterface0})
    EXPECT_EQ(controlRequestKind(code), RequestKind::CameraQuery) << std::hex << code;
  for (uint32_t code : {kControlGetDeviceCounter, kControlGetDeviceExtension, kControlGetBusVersion, 0x220218u})
    EXPECT_EQ(controlRequestKind(code), RequestKind::DeviceQuery) << std::hex << code;
}

}  // namespace
}  // namespace zelb1
