// Four-lane float vectors for the engine's fixed-size loops, written with the GCC/Clang
// vector extensions: portable C++ that compiles to SSE2 on the x86-64 baseline (and to
// the equivalent elsewhere) without -march flags or intrinsics headers.
#pragma once

#include <cstring>

namespace panner {

namespace simd4 {

typedef float v4 __attribute__((vector_size(16)));

inline v4 load(const float* p) {
  v4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store(float* p, v4 v) { std::memcpy(p, &v, sizeof v); }
inline v4 splat(float x) { return v4{x, x, x, x}; }
inline v4 reverse(v4 v) { return __builtin_shufflevector(v, v, 3, 2, 1, 0); }
// Each lane limited to -limit..limit; NaN lanes stay NaN.
inline v4 limit(v4 v, float limit) {
  const v4 hi = splat(limit), lo = splat(-limit);
  v = v > hi ? hi : v;
  return v < lo ? lo : v;
}

// Rows r0..r3 become columns: on return rK holds element K of each input row.
inline void transpose(v4& r0, v4& r1, v4& r2, v4& r3) {
  const v4 t0 = __builtin_shufflevector(r0, r1, 0, 4, 1, 5);
  const v4 t1 = __builtin_shufflevector(r0, r1, 2, 6, 3, 7);
  const v4 t2 = __builtin_shufflevector(r2, r3, 0, 4, 1, 5);
  const v4 t3 = __builtin_shufflevector(r2, r3, 2, 6, 3, 7);
  r0 = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  r1 = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  r2 = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  r3 = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// Writes a[0], b[0], a[1], b[1], ..., a[3], b[3] to out[0..7].
inline void storeInterleaved(float* out, v4 a, v4 b) {
  store(out, __builtin_shufflevector(a, b, 0, 4, 1, 5));
  store(out + 4, __builtin_shufflevector(a, b, 2, 6, 3, 7));
}
// Reads in[0..7] as pairs: a gets the even positions, b the odd ones.
inline void loadDeinterleaved(const float* in, v4& a, v4& b) {
  const v4 lo = load(in), hi = load(in + 4);
  a = __builtin_shufflevector(lo, hi, 0, 2, 4, 6);
  b = __builtin_shufflevector(lo, hi, 1, 3, 5, 7);
}

}  // namespace simd4

}  // namespace panner
