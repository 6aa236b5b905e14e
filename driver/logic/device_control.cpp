#include "driver/logic/device_control.h"

#include "driver/logic/config_descriptor.h"

namespace zelb1 {

DeviceControlCheck checkDeviceControl(uint32_t code, uint32_t outputLength,
                                      uint32_t interface0Size) {
  uint32_t needed = 0;
  switch (code) {
    case kControlGetDeviceCounter: needed = 4; break;
    case kControlGetDeviceExtension: needed = kDeviceExtensionSize; break;
    case kControlGetDeviceDescriptor: needed = kDeviceDescriptorSize; break;
    case kControlGetConfigDescriptor: needed = kFirstConfigReadSize; break;
    case kControlGetBusVersion: needed = kBusVersionSize; break;
    case kControlGetInterface0:
      if (interface0Size == 0) return {kStatusInvalidDeviceState, 0};
      needed = interface0Size;
      break;
    default: return {kStatusInvalidParameter, 0};
  }
  if (outputLength < needed) return {kStatusBufferTooSmall, 0};
  return {kStatusSuccess, needed};
}

RequestKind controlRequestKind(uint32_t code) {
  switch (code) {
    case kControlGetDeviceDescriptor:
    case kControlGetConfigDescriptor:
    case kControlGetInterface0: return RequestKind::CameraQuery;
    default: return RequestKind::DeviceQuery;
  }
}

}  // namespace zelb1
