#include "driver/logic/extension_image.h"

#include "driver/logic/device_control.h"

namespace zelb1 {

namespace {

// Copies one field of the extension to the same place in the caller's copy.
template <class Field>
void copyField(const ExtensionHead& extension, const Field& field, uint8_t* out) {
  const uint8_t* from = reinterpret_cast<const uint8_t*>(&field);
  size_t at = static_cast<size_t>(from - reinterpret_cast<const uint8_t*>(&extension));
  for (size_t k = 0; k < sizeof(Field); ++k) out[at + k] = from[k];
}

}  // namespace

static_assert(sizeof(ExtensionHead) <= kDeviceExtensionSize, "the head fits the caller's copy");

void copyExtensionForCaller(const ExtensionHead& extension, uint8_t* out) {
  for (size_t k = 0; k < kDeviceExtensionSize; ++k) out[k] = 0;
  copyField(extension, extension.deviceNumber, out);
  copyField(extension, extension.pipes, out);
  copyField(extension, extension.unconfigured, out);
  copyField(extension, extension.started, out);
  copyField(extension, extension.devicePowerState, out);
}

}  // namespace zelb1
