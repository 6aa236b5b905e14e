#include "driver/logic/device_names.h"

namespace zelb1 {

bool writeDeviceNumber(int32_t n, char16_t* digits) {
  if (n < kFirstDeviceNumber || n > kLastDeviceNumber) return false;
  int32_t hundreds = n / 100;
  int32_t tens = (n - 100 * hundreds) / 10;
  int32_t ones = n - 100 * hundreds - 10 * tens;
  digits[0] = static_cast<char16_t>(u'0' + hundreds);
  digits[1] = static_cast<char16_t>(u'0' + tens);
  digits[2] = static_cast<char16_t>(u'0' + ones);
  digits[3] = 0;
  return true;
}

static bool fillName(int32_t n, const char16_t* prefix, size_t prefixLength,
                     char16_t* buffer) {
  char16_t digits[4];
  if (!writeDeviceNumber(n, digits)) return false;
  for (size_t k = 0; k < prefixLength; ++k) buffer[k] = prefix[k];
  for (size_t k = 0; k < 4; ++k) buffer[prefixLength + k] = digits[k];
  return true;
}

bool fillDeviceName(int32_t n, char16_t* buffer) {
  return fillName(n, kDeviceNamePrefix, kDeviceNamePrefixLength, buffer);
}

bool fillLinkName(int32_t n, char16_t* buffer) {
  return fillName(n, kLinkNamePrefix, kLinkNamePrefixLength, buffer);
}

bool tryNextDeviceNumber(Status creationStatus, int32_t n) {
  return creationStatus == kStatusObjectNameCollision && n >= kFirstDeviceNumber &&
         n < kLastDeviceNumber;
}

}  // namespace zelb1
