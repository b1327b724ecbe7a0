// Eight-lane float vectors used as two independent halves of four lanes, so that two
// transforms run at once where the processor has 256-bit registers: the first in lanes 0..3,
// the second in lanes 4..7. Every shuffle here works within each half, doing to both halves
// what its namesake in simd4.h does to a four-lane vector. Used by the transform's AVX2
// passes only: real_fft.cpp includes this header where the code is compiled for AVX2.
#pragma once

#include <cstring>

#include "simd4.h"

namespace panner {

namespace simd4x2 {

typedef float v8 __attribute__((vector_size(32)));

#define QUENDRAL_SIMD4X2_INLINE inline __attribute__((always_inline))

QUENDRAL_SIMD4X2_INLINE v8 load(const float* p) {
  v8 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
QUENDRAL_SIMD4X2_INLINE void store(float* p, v8 v) { std::memcpy(p, &v, sizeof v); }

QUENDRAL_SIMD4X2_INLINE v8 join(simd4::v4 first, simd4::v4 second) {
  return __builtin_shufflevector(first, second, 0, 1, 2, 3, 4, 5, 6, 7);
}
QUENDRAL_SIMD4X2_INLINE simd4::v4 first(v8 v) { return __builtin_shufflevector(v, v, 0, 1, 2, 3); }
QUENDRAL_SIMD4X2_INLINE simd4::v4 second(v8 v) { return __builtin_shufflevector(v, v, 4, 5, 6, 7); }

QUENDRAL_SIMD4X2_INLINE v8 reverse(v8 v) {
  return __builtin_shufflevector(v, v, 3, 2, 1, 0, 7, 6, 5, 4);
}
// In each half: the last lane of `previous`, then the first three of `next`.
QUENDRAL_SIMD4X2_INLINE v8 shiftIn(v8 previous, v8 next) {
  return __builtin_shufflevector(previous, next, 3, 8, 9, 10, 7, 12, 13, 14);
}
// In each half: a[0], b[0], a[1], b[1] (low) and a[2], b[2], a[3], b[3] (high).
QUENDRAL_SIMD4X2_INLINE v8 interleaveLow(v8 a, v8 b) {
  return __builtin_shufflevector(a, b, 0, 8, 1, 9, 4, 12, 5, 13);
}
QUENDRAL_SIMD4X2_INLINE v8 interleaveHigh(v8 a, v8 b) {
  return __builtin_shufflevector(a, b, 2, 10, 3, 11, 6, 14, 7, 15);
}

// The 4x4 transpose of simd4::transpose in each half.
QUENDRAL_SIMD4X2_INLINE void transpose(v8& r0, v8& r1, v8& r2, v8& r3) {
  const v8 t0 = interleaveLow(r0, r1), t1 = interleaveHigh(r0, r1);
  const v8 t2 = interleaveLow(r2, r3), t3 = interleaveHigh(r2, r3);
  r0 = __builtin_shufflevector(t0, t2, 0, 1, 8, 9, 4, 5, 12, 13);
  r1 = __builtin_shufflevector(t0, t2, 2, 3, 10, 11, 6, 7, 14, 15);
  r2 = __builtin_shufflevector(t1, t3, 0, 1, 8, 9, 4, 5, 12, 13);
  r3 = __builtin_shufflevector(t1, t3, 2, 3, 10, 11, 6, 7, 14, 15);
}

#undef QUENDRAL_SIMD4X2_INLINE

}  // namespace simd4x2

}  // namespace panner
