// Run-time choice of the conversion variant, made once from the CPU's
// features. A variant is usable when it was built for this target (its
// getter is not null) and the CPU supports its instruction set; AVX2 also
// needs an OS that saves the ymm registers.
#include "devlink/convert.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace devlink {

namespace {
#if defined(__i386__) || defined(__x86_64__)
// The OS has enabled the xmm and ymm register state (XCR0 bits 1 and 2).
bool osSavesYmm() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & bit_OSXSAVE)) return false;
  unsigned low = 0, high = 0;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (low & 6) == 6;
}
#endif

// Fastest last; the scalar reference is always usable.
size_t listUsable(ConvertVariant* out, size_t maxCount) {
  size_t count = 0;
  auto add = [&](const char* name, ConvertRowFn fn) {
    if (fn && count < maxCount) out[count++] = ConvertVariant{name, fn};
  };
  add("scalar", convertRowScalar);
#if defined(__i386__) || defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("sse2")) add("sse2", convertRowSse2Fn());
  if (__builtin_cpu_supports("ssse3")) add("ssse3", convertRowSsse3Fn());
  if (__builtin_cpu_supports("avx2") && osSavesYmm()) add("avx2", convertRowAvx2Fn());
#endif
  return count;
}

ConvertVariant choose() {
  ConvertVariant all[8];
  const size_t count = listUsable(all, 8);
  return all[count - 1];
}

const ConvertVariant& choice() {
  static const ConvertVariant chosen = choose();
  return chosen;
}
}  // namespace

size_t usableConvertVariants(ConvertVariant* out, size_t maxCount) { return listUsable(out, maxCount); }
ConvertRowFn bestConvertRow() { return choice().fn; }
const char* bestConvertRowName() { return choice().name; }

}  // namespace devlink
