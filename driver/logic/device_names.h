// Device numbers and the names built from them.
//
// Each camera gets the number the driver-wide counter holds after it was
// incremented for that camera; its device object is "\Device\ZELBxQnnn"
// and its link "\DosDevices\ZELBxQnnn", nnn being three decimal digits.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "driver/logic/status_codes.h"

namespace zelb1 {

constexpr int32_t kFirstDeviceNumber = 1;
constexpr int32_t kLastDeviceNumber = 999;

constexpr char16_t kDeviceNamePrefix[] = u"\\Device\\ZELBxQ";
constexpr char16_t kLinkNamePrefix[] = u"\\DosDevices\\ZELBxQ";
constexpr size_t kDeviceNamePrefixLength = sizeof(kDeviceNamePrefix) / 2 - 1;
constexpr size_t kLinkNamePrefixLength = sizeof(kLinkNamePrefix) / 2 - 1;
// Prefix, three digits, terminator.
constexpr size_t kDeviceNameUnits = kDeviceNamePrefixLength + 4;
constexpr size_t kLinkNameUnits = kLinkNamePrefixLength + 4;

// Writes the three digits of n and a terminator to digits[0..3]: hundreds,
// tens, ones, each as '0' + digit. Numbers outside 1..999 have no name and
// are refused (false, nothing written).
bool writeDeviceNumber(int32_t n, char16_t* digits);

// Fills a whole name buffer (prefix, digits, terminator). The buffers must
// hold kDeviceNameUnits and kLinkNameUnits units.
bool fillDeviceName(int32_t n, char16_t* buffer);
bool fillLinkName(int32_t n, char16_t* buffer);

// Whether add-device tries the next number after creating device n failed.
// Numbers come back to the counter when devices are removed, so the number
// the counter reaches may still belong to a camera that was plugged in
// later and is still there; its name then exists and the creation fails
// with a name collision. The next number is tried instead of leaving the
// new camera without a device, as long as numbers remain; trying a number
// does not move the counter, which rises only when a device is published.
bool tryNextDeviceNumber(Status creationStatus, int32_t n);

}  // namespace zelb1
