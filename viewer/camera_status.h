// The camera's status as the control panel shows it: decoded from the
// replies to the two status queries, and the indicator bitmap each field
// puts into the status box.
#pragma once

#include <cstdint>

#include "viewer/window_ops.h"

namespace viewer {

struct CameraStatus {
  // From status A (reply to queryStatus).
  int32_t negative;       // byte 4 bit 7: negative picture
  int32_t input;          // byte 4 bits 4-6: 0 internal, 4/5 no sync on input 1/2, 6/7 external 1/2
  int32_t lamp;           // byte 4 bits 2-3: 0 off, 1 upper, 2 lower, 3 shown as upper
  int32_t outputMode;     // byte 4 bits 0-1: 1 XGA, 2 SVGA
  int32_t presetLockBit;  // byte 3 bit 4: presets locked
  int32_t apertureOff;    // byte 3 bit 2
  // From status B (reply to queryConfig), byte 3.
  int32_t recall;           // bit 7: memory recall shown
  int32_t freeze;           // bit 6: the camera's picture is frozen
  int32_t rotationHalf;     // bit 5: 180 degrees
  int32_t rotationQuarter;  // bit 4: 90 degrees (the device link's lineSkipFlag)
  int32_t multi;            // bit 3: 3x3 multi screen
  int32_t divide;           // bit 2: divided screen
};

// Status A and B from a reply given as its 64-bit block value (byte n in
// bits 8n..8n+7). An all-zero reply (a failed query) leaves the fields.
void decodeStatusA(uint64_t reply, CameraStatus* status);
void decodeStatusB(uint64_t reply, CameraStatus* status);

// Rotation angle in degrees: 0, 90, 180, 270.
int rotationAngle(const CameraStatus& status);

// One indicator of the status box: its rectangle in the panel's client
// area and the bitmap drawn opaque into it.
struct Indicator {
  WindowRect rect;
  int bitmapId;
};
enum : int { kIndicatorCount = 8 };
// The eight indicators for a status, in a fixed order: lamp, polarity,
// input, output mode, freeze, rotation, memory mode, aperture.
void chooseIndicators(const CameraStatus& status, Indicator out[kIndicatorCount]);

}  // namespace viewer
