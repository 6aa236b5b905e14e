// Status values the driver's decisions return. They are the platform's
// NTSTATUS values, spelled out here so the decisions build without the
// kernel headers (natively, for the tests).
#pragma once
#include <stdint.h>

namespace zelb1 {

using Status = int32_t;

constexpr Status kStatusSuccess = 0;
constexpr Status kStatusDeviceBusy = static_cast<Status>(0x80000011);
constexpr Status kStatusInvalidParameter = static_cast<Status>(0xC000000D);
constexpr Status kStatusNoSuchDevice = static_cast<Status>(0xC000000E);
constexpr Status kStatusInvalidDeviceRequest = static_cast<Status>(0xC0000010);
constexpr Status kStatusNoMemory = static_cast<Status>(0xC0000017);
constexpr Status kStatusBufferTooSmall = static_cast<Status>(0xC0000023);
constexpr Status kStatusDeletePending = static_cast<Status>(0xC0000056);
constexpr Status kStatusInsufficientResources = static_cast<Status>(0xC000009A);
constexpr Status kStatusDeviceNotConnected = static_cast<Status>(0xC000009D);
constexpr Status kStatusDeviceNotReady = static_cast<Status>(0xC00000A3);
constexpr Status kStatusIoTimeout = static_cast<Status>(0xC00000B5);
constexpr Status kStatusCancelled = static_cast<Status>(0xC0000120);
constexpr Status kStatusInvalidDeviceState = static_cast<Status>(0xC0000184);
constexpr Status kStatusObjectNameCollision = static_cast<Status>(0xC0000035);

// Success and informational values are non-negative; warnings (device busy
// among them) and errors are negative.
inline bool isSuccess(Status status) { return status >= 0; }

}  // namespace zelb1
