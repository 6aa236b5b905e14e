// Reading and checking the camera's configuration descriptor at start.
//
// The first read asks for 265 bytes. When the descriptor's total length
// (bytes 2-3) says it is longer, it is read again with a buffer of the total
// length. A descriptor that did not arrive, or that does not hold together,
// is refused rather than handed to the bus driver: the selection would
// otherwise be built from whatever the buffer held.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "driver/logic/pipe_table.h"

namespace zelb1 {

constexpr uint32_t kFirstConfigReadSize = 265;
constexpr uint32_t kDeviceDescriptorSize = 18;
constexpr uint32_t kMaxTransferSize = 1024000;

constexpr uint8_t kDeviceDescriptorType = 1;
constexpr uint8_t kConfigDescriptorType = 2;
constexpr uint8_t kInterfaceDescriptorType = 4;

enum class ConfigRead { Select, ReadAgain, Fail };

struct ConfigReadStep {
  ConfigRead next;
  uint32_t size;  // ReadAgain: the buffer size for the next read;
                  // Select: the descriptor's total length.
};

// What follows a read into a buffer of `size` bytes of which `transferred`
// arrived.
ConfigReadStep afterConfigRead(const uint8_t* buffer, uint32_t size,
                               uint32_t transferred);

// Where each interface (alternate setting 0) of the configuration starts and
// how many endpoints it has, by interface number.
struct InterfaceLayout {
  uint32_t count;
  uint32_t offset[kMaxInterfaces];
  uint8_t endpoints[kMaxInterfaces];
};

// Walks the descriptors of a configuration of `length` bytes. Refuses a
// configuration without interfaces or with more than 28 (they could not be
// kept), a descriptor that runs past the end or has a length below 2, and a
// configuration in which some interface number 0..count-1 has no
// alternate setting 0.
bool layoutInterfaces(const uint8_t* config, uint32_t length,
                      InterfaceLayout* layout);

}  // namespace zelb1
