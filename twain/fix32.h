// TWAIN fixed-point numbers and the conversions the data source uses.
#pragma once

#include "twain/twain_types.h"

namespace twain {

// v := x * 65536 + 0.5 truncated toward zero; Whole := v >> 16, Frac := low
// 16 bits of v. Out-of-range numbers are held at the 32-bit limits.
inline TW_FIX32 toFix32(double x) {
  double scaled = x * 65536.0 + 0.5;
  if (scaled >= 2147483647.0) scaled = 2147483647.0;
  if (scaled <= -2147483648.0) scaled = -2147483648.0;
  int32_t v = static_cast<int32_t>(scaled);
  TW_FIX32 fix;
  fix.Whole = static_cast<TW_INT16>(v >> 16);
  fix.Frac = static_cast<TW_UINT16>(v & 0xFFFF);
  return fix;
}

inline double fromFix32(TW_FIX32 fix) { return fix.Whole + fix.Frac / 65536.0; }

}  // namespace twain
