// Which non-paged pool the driver's memory comes from.
//
// Non-executable non-paged pool exists from Windows 8 (version 6.2) on; the
// driver asks for it there and falls back on the plain (executable)
// non-paged pool on older systems, which know no other.
#pragma once
#include <stdint.h>

namespace zelb1 {

inline bool systemOffersNonExecutablePool(uint32_t majorVersion, uint32_t minorVersion) {
  return majorVersion > 6 || (majorVersion == 6 && minorVersion >= 2);
}

}  // namespace zelb1
