// Run-time choice of the conversion variant, made once from the CPU's
// features. A variant is usable when it was built for this target (its
// getter is not null) and the CPU (and, for AVX2, the OS, which must save
// the ymm state) supports its instruction set; the compiler's CPU check
// covers both.
#include "devlink/convert.h"

namespace {
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
  if (__builtin_cpu_supports("avx2")) add("avx2", convertRowAvx2Fn());
#endif
  return count;
}

ConvertVariant choose() {
  ConvertVariant all[4];
  const size_t count = listUsable(all, 4);
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
