#include "driver/logic/config_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace zelb1 {
namespace {

// Builds a configuration descriptor: the 9-byte header, then per interface
// its 9-byte descriptor and 7 bytes per endpoint.
class ConfigBuilder {
 public:
  explicit ConfigBuilder(uint8_t interfaceCount) {
    bytes_ = {9, kConfigDescriptorType, 0, 0, interfaceCount, 1, 0, 0x80, 50};
  }
  ConfigBuilder& interface(uint8_t number, uint8_t alternate, uint8_t endpoints) {
    uint8_t header[9] = {9, kInterfaceDescriptorType, number, alternate, endpoints, 0xFF, 0, 0, 0};
    bytes_.insert(bytes_.end(), header, header + 9);
    for (uint8_t e = 0; e < endpoints; ++e) {
      uint8_t endpoint[7] = {7, 5, static_cast<uint8_t>(0x81 + e), 2, 0x00, 0x02, 0};
      bytes_.insert(bytes_.end(), endpoint, endpoint + 7);
    }
    return *this;
  }
  ConfigBuilder& extra(uint8_t length) {  // a class-specific descriptor
    bytes_.push_back(length);
    bytes_.push_back(0x24);
    bytes_.resize(bytes_.size() + length - 2, 0);
    return *this;
  }
  std::vector<uint8_t> build() {
    std::vector<uint8_t> out = bytes_;
    out[2] = static_cast<uint8_t>(out.size());
    out[3] = static_cast<uint8_t>(out.size() >> 8);
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
};

// What a read into a buffer of `size` bytes delivers.
ConfigReadStep readInto(const std::vector<uint8_t>& descriptor, uint32_t size) {
  std::vector<uint8_t> buffer(size, 0);
  uint32_t transferred = std::min<uint32_t>(size, descriptor.size());
  std::copy(descriptor.begin(), descriptor.begin() + transferred, buffer.begin());
  return afterConfigRead(buffer.data(), size, transferred);
}

TEST(ConfigRead, CameraDescriptorIsSelectedAfterTheFirstRead) {
  auto camera = ConfigBuilder(1).interface(0, 0, 4).build();
  ASSERT_EQ(camera.size(), 46u);
  ConfigReadStep step = readInto(camera, kFirstConfigReadSize);
  EXPECT_EQ(step.next, ConfigRead::Select);
  EXPECT_EQ(step.size, 46u);
}

TEST(ConfigRead, LongDescriptorIsReadAgainAtItsTotalLength) {
  auto longer = ConfigBuilder(1).interface(0, 0, 4).extra(250).build();
  ASSERT_EQ(longer.size(), 296u);
  ConfigReadStep first = readInto(longer, kFirstConfigReadSize);
  ASSERT_EQ(first.next, ConfigRead::ReadAgain);
  EXPECT_EQ(first.size, 296u);
  ConfigReadStep second = readInto(longer, first.size);
  EXPECT_EQ(second.next, ConfigRead::Select);
  EXPECT_EQ(second.size, 296u);
}

TEST(ConfigRead, DescriptorOfExactly265BytesIsReadOnce) {
  auto exact = ConfigBuilder(1).interface(0, 0, 4).extra(219).build();
  ASSERT_EQ(exact.size(), 265u);
  EXPECT_EQ(readInto(exact, kFirstConfigReadSize).next, ConfigRead::Select);
}

TEST(ConfigRead, ReadThatDeliveredNothingUsableFails) {
  auto camera = ConfigBuilder(1).interface(0, 0, 4).build();
  std::vector<uint8_t> buffer(kFirstConfigReadSize, 0);
  EXPECT_EQ(afterConfigRead(buffer.data(), kFirstConfigReadSize, 0).next, ConfigRead::Fail);
  std::copy(camera.begin(), camera.end(), buffer.begin());
  EXPECT_EQ(afterConfigRead(buffer.data(), kFirstConfigReadSize, 8).next, ConfigRead::Fail);
  EXPECT_EQ(afterConfigRead(buffer.data(), kFirstConfigReadSize, 45).next, ConfigRead::Fail)
      << "fewer bytes than the total length";
  EXPECT_EQ(afterConfigRead(buffer.data(), kFirstConfigReadSize, 46).next, ConfigRead::Select);
}

TEST(ConfigRead, SomethingOtherThanAConfigurationDescriptorFails) {
  auto camera = ConfigBuilder(1).interface(0, 0, 4).build();
  auto wrongType = camera;
  wrongType[1] = kDeviceDescriptorType;
  EXPECT_EQ(readInto(wrongType, kFirstConfigReadSize).next, ConfigRead::Fail);
  auto tooShortTotal = camera;
  tooShortTotal[2] = 4;
  EXPECT_EQ(readInto(tooShortTotal, kFirstConfigReadSize).next, ConfigRead::Fail);
}

TEST(InterfaceLayout, CameraHasOneInterfaceWithFourPipes) {
  auto camera = ConfigBuilder(1).interface(0, 0, 4).build();
  InterfaceLayout layout;
  ASSERT_TRUE(layoutInterfaces(camera.data(), camera.size(), &layout));
  EXPECT_EQ(layout.count, 1u);
  EXPECT_EQ(layout.offset[0], 9u);
  EXPECT_EQ(layout.endpoints[0], 4);
}

TEST(InterfaceLayout, AlternateSettingZeroIsChosenWhateverTheOrder) {
  auto config = ConfigBuilder(2)
                    .interface(1, 1, 3)
                    .interface(1, 0, 2)
                    .extra(5)
                    .interface(0, 0, 1)
                    .interface(0, 1, 6)
                    .build();
  InterfaceLayout layout;
  ASSERT_TRUE(layoutInterfaces(config.data(), config.size(), &layout));
  EXPECT_EQ(layout.count, 2u);
  EXPECT_EQ(layout.endpoints[0], 1);
  EXPECT_EQ(layout.endpoints[1], 2);
  EXPECT_EQ(config[layout.offset[1] + 2], 1);
  EXPECT_EQ(config[layout.offset[1] + 3], 0);
}

TEST(InterfaceLayout, InterfaceCountsThatCannotBeKeptAreRefused) {
  InterfaceLayout layout;
  auto none = ConfigBuilder(0).build();
  EXPECT_FALSE(layoutInterfaces(none.data(), none.size(), &layout));

  ConfigBuilder many(29);
  for (uint8_t i = 0; i < 29; ++i) many.interface(i, 0, 1);
  auto tooMany = many.build();
  EXPECT_FALSE(layoutInterfaces(tooMany.data(), tooMany.size(), &layout));

  ConfigBuilder most(28);
  for (uint8_t i = 0; i < 28; ++i) most.interface(i, 0, 1);
  auto limit = most.build();
  EXPECT_TRUE(layoutInterfaces(limit.data(), limit.size(), &layout));
}

TEST(InterfaceLayout, MissingInterfaceNumberIsRefused) {
  auto gap = ConfigBuilder(2).interface(0, 0, 4).interface(2, 0, 1).build();
  InterfaceLayout layout;
  EXPECT_FALSE(layoutInterfaces(gap.data(), gap.size(), &layout));
  auto onlyAlternate = ConfigBuilder(1).interface(0, 1, 4).build();
  EXPECT_FALSE(layoutInterfaces(onlyAlternate.data(), onlyAlternate.size(), &layout));
}

TEST(InterfaceLayout, MalformedDescriptorChainsAreRefused) {
  auto camera = ConfigBuilder(1).interface(0, 0, 4).build();
  InterfaceLayout layout;
  auto overrun = camera;
  overrun[overrun.size() - 7] = 9;  // last endpoint claims two bytes past the end
  EXPECT_FALSE(layoutInterfaces(overrun.data(), overrun.size(), &layout));
  auto zeroLength = camera;
  zeroLength[9 + 9] = 0;  // an endpoint of length 0 would never advance
  EXPECT_FALSE(layoutInterfaces(zeroLength.data(), zeroLength.size(), &layout));
  EXPECT_FALSE(layoutInterfaces(camera.data(), 8, &layout));
}

}  // namespace
}  // namespace zelb1
