#include "driver/logic/device_names.h"

#include <gtest/gtest.h>

#include <string>

namespace zelb1 {
namespace {

std::u16string deviceName(int32_t n) {
  char16_t buffer[kDeviceNameUnits];
  if (!fillDeviceName(n, buffer)) return u"<refused>";
  return std::u16string(buffer);
}

std::u16string linkName(int32_t n) {
  char16_t buffer[kLinkNameUnits];
  if (!fillLinkName(n, buffer)) return u"<refused>";
  return std::u16string(buffer);
}

TEST(DeviceNames, FirstCameraIsNumberOne) {
  EXPECT_EQ(deviceName(1), u"\\Device\\ZELBxQ001");
  EXPECT_EQ(linkName(1), u"\\DosDevices\\ZELBxQ001");
}

TEST(DeviceNames, SecondCameraIsNumberTwo) {
  EXPECT_EQ(deviceName(2), u"\\Device\\ZELBxQ002");
  EXPECT_EQ(linkName(2), u"\\DosDevices\\ZELBxQ002");
}

TEST(DeviceNames, ThreeDigitsWithLeadingZeros) {
  EXPECT_EQ(deviceName(10), u"\\Device\\ZELBxQ010");
  EXPECT_EQ(deviceName(47), u"\\Device\\ZELBxQ047");
  EXPECT_EQ(deviceName(100), u"\\Device\\ZELBxQ100");
  EXPECT_EQ(deviceName(909), u"\\Device\\ZELBxQ909");
  EXPECT_EQ(linkName(999), u"\\DosDevices\\ZELBxQ999");
}

TEST(DeviceNames, NumbersWithoutAThreeDigitNameAreRefused) {
  char16_t digits[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_FALSE(writeDeviceNumber(0, digits));
  EXPECT_FALSE(writeDeviceNumber(1000, digits));
  EXPECT_FALSE(writeDeviceNumber(-1, digits));
  EXPECT_EQ(digits[0], u'x') << "nothing written";
  EXPECT_EQ(deviceName(1000), u"<refused>");
}

}  // namespace
}  // namespace zelb1

namespace zelb1 {
namespace {

TEST(DeviceNumbering, NameStillHeldByAnotherCameraMovesOnToTheNextNumber) {
  // Cameras 001 and 002 present, 001 removed (counter back to 1): the next
  // camera reaches 002, whose name still exists.
  EXPECT_TRUE(tryNextDeviceNumber(kStatusObjectNameCollision, 2));
}

TEST(DeviceNumbering, OtherFailuresAndTheLastNumberEndTheSearch) {
  EXPECT_FALSE(tryNextDeviceNumber(kStatusInsufficientResources, 2));
  EXPECT_FALSE(tryNextDeviceNumber(kStatusSuccess, 2));
  EXPECT_FALSE(tryNextDeviceNumber(kStatusObjectNameCollision, 999));
  EXPECT_FALSE(tryNextDeviceNumber(kStatusObjectNameCollision, 1000));
}

}  // namespace
}  // namespace zelb1
