// Flushes denormal floats to zero for the lifetime of the guard (FTZ and DAZ on x86 SSE),
// and restores the caller's setting afterwards. Decaying overlap tails would otherwise
// reach denormal values that cost hundreds of cycles each.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace panner {

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)

class ScopedFlushDenormals {
 public:
  ScopedFlushDenormals() : savedCsr(_mm_getcsr()) {
    _mm_setcsr(savedCsr | kFlushToZero | kDenormalsAreZero);
  }
  ~ScopedFlushDenormals() { _mm_setcsr(savedCsr); }
  ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
  ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

 private:
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned savedCsr;
};
#else
class ScopedFlushDenormals {};
#endif

}  // namespace panner
