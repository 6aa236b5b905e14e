// The 8-byte block exchanged on the command and reply pipes:
// A0, command code, status (0 in commands), parameter, three bytes of 0
// (a few remote-control commands carry data in byte 4), AF.
#pragma once

#include <cstdint>
#include <cstring>

namespace devlink {

struct CommandBlock {
  uint8_t bytes[8];

  // Composed as the two little-endian words the camera expects:
  // low = 0xA0 + (code << 8) + (parameter << 24), high = 0xAF000000 (+ byte 4).
  static CommandBlock make(uint8_t code, uint8_t parameter, uint8_t byte4 = 0) {
    CommandBlock block = {{0xA0, code, 0x00, parameter, byte4, 0x00, 0x00, 0xAF}};
    return block;
  }
  static CommandBlock zero() {
    CommandBlock block = {{0, 0, 0, 0, 0, 0, 0, 0}};
    return block;
  }
  static CommandBlock fromValue(uint64_t value) {
    CommandBlock block;
    for (int n = 0; n < 8; ++n) block.bytes[n] = static_cast<uint8_t>(value >> (8 * n));
    return block;
  }
  // The block as one 64-bit little-endian value: byte n is bits 8n..8n+7.
  uint64_t value() const {
    uint64_t v = 0;
    for (int n = 7; n >= 0; --n) v = (v << 8) | bytes[n];
    return v;
  }
  uint32_t lowWord() const { return static_cast<uint32_t>(value()); }
  uint32_t highWord() const { return static_cast<uint32_t>(value() >> 32); }
  bool isAllZero() const { return value() == 0; }
  uint8_t code() const { return bytes[1]; }
  uint8_t status() const { return bytes[2]; }
  uint8_t parameter() const { return bytes[3]; }
  bool operator==(const CommandBlock& other) const { return std::memcmp(bytes, other.bytes, 8) == 0; }
  bool operator!=(const CommandBlock& other) const { return !(*this == other); }
};

// Camera command codes owned by the device link and the frame pipeline.
enum : uint8_t {
  kCmdSelectSize = 0x31,
  kCmdStoreImage = 0x32,
  kCmdTransferImage = 0x33,
  kCmdQueryStatus = 0x61,
  kCmdQueryConfig = 0x62,
  kCmdQueryBusy = 0x64,
};
enum : uint8_t { kParamOn = 5, kParamOff = 10 };

}  // namespace devlink
