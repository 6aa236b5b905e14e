#include "driver/logic/config_descriptor.h"

namespace zelb1 {

namespace {
constexpr uint32_t kConfigHeaderSize = 9;
constexpr uint32_t kInterfaceHeaderSize = 9;
}  // namespace

ConfigReadStep afterConfigRead(const uint8_t* buffer, uint32_t size,
                               uint32_t transferred) {
  if (transferred < kConfigHeaderSize || transferred > size)
    return {ConfigRead::Fail, 0};
  if (buffer[0] < kConfigHeaderSize || buffer[1] != kConfigDescriptorType)
    return {ConfigRead::Fail, 0};
  uint32_t total = buffer[2] | (static_cast<uint32_t>(buffer[3]) << 8);
  if (total > size) return {ConfigRead::ReadAgain, total};
  if (total < kConfigHeaderSize || transferred < total)
    return {ConfigRead::Fail, 0};
  return {ConfigRead::Select, total};
}

bool layoutInterfaces(const uint8_t* config, uint32_t length,
                      InterfaceLayout* layout) {
  if (length < kConfigHeaderSize) return false;
  uint32_t count = config[4];
  if (count == 0 || count > kMaxInterfaces) return false;

  bool found[kMaxInterfaces] = {};
  layout->count = count;
  for (uint32_t pos = 0; pos < length;) {
    uint32_t descriptorLength = config[pos];
    if (descriptorLength < 2 || descriptorLength > length - pos) return false;
    if (config[pos + 1] == kInterfaceDescriptorType &&
        descriptorLength >= kInterfaceHeaderSize) {
      uint32_t number = config[pos + 2];
      uint32_t alternate = config[pos + 3];
      if (alternate == 0 && number < count && !found[number]) {
        found[number] = true;
        layout->offset[number] = pos;
        layout->endpoints[number] = config[pos + 4];
      }
    }
    pos += descriptorLength;
  }
  for (uint32_t i = 0; i < count; ++i)
    if (!found[i]) return false;
  return true;
}

}  // namespace zelb1
