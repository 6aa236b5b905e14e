// Pipe names and pipe codes.
//
// A pipe is opened by the device path followed by "\c\i\a\p": four decimal
// numbers for configuration, interface, alternate setting and pipe. The
// driver packs them into a 32-bit pipe code and keeps that code in the file
// object; a handle on the device itself carries kDevicePipeCode.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "driver/logic/status_codes.h"

namespace zelb1 {

constexpr uint32_t kDevicePipeCode = 0xFFFFFFFFu;

// (c << 24) + ((i & 0xFF) << 16) + ((a & 0xFF) << 8) + (p & 0xFF).
uint32_t packPipeCode(uint32_t configuration, uint32_t interfaceIndex,
                      uint32_t alternateSetting, uint32_t pipeIndex);

inline uint32_t pipeCodeInterface(uint32_t code) { return (code >> 16) & 0xFF; }
inline uint32_t pipeCodePipe(uint32_t code) { return code & 0xFF; }

// Decimal conversion with the rules of the system's string-to-integer
// routine for base 10: leading characters up to the space are skipped, one
// optional sign, then digits up to the first other character; no digits
// give 0; the value wraps at 32 bits. It cannot fail.
uint32_t decimalValue(const char16_t* text, size_t length);

// Parses "\c\i\a\p" (length in UTF-16 units, no terminator needed) into a
// pipe code. Each of the four components must start with a backslash, else
// the name is refused with no such device. A component runs to the next
// backslash or the end of the name; whatever follows the fourth component's
// next backslash is ignored.
Status parsePipeName(const char16_t* name, size_t length, uint32_t* code);

}  // namespace zelb1
