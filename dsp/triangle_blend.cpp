// The blend is written once over the vector type and compiled for four lanes (the x86-64
// baseline) and, inside a function built for AVX2 with FMA, for eight; the file is compiled
// with floating-point contraction, which only the eight-lane copy can use.
#include "triangle_blend.h"

#include <algorithm>
#include <cstring>

namespace panner {

namespace {

// The helpers below take and return vectors, which compilers warn changes the calling
// convention for eight lanes outside AVX code; they are always inlined into the copy that
// uses them.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef float v4 __attribute__((vector_size(16)));
typedef float v8 __attribute__((vector_size(32)));

template <class V>
[[gnu::always_inline]] inline V load(const float* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class V>
[[gnu::always_inline]] inline void store(float* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}
template <class V>
[[gnu::always_inline]] inline V splat(float x) {
  return V{} + x;
}

template <class V>
[[gnu::always_inline]] inline void blend(const AlignedCorners& c, double advance, float scale,
                                         int span, float* scratch, float* taps) {
  constexpr int kLanes = sizeof(V) / sizeof(float);
  const float* const* a = c.responses;
  const float* w = c.weights;
  // scratch[1 + i]: the blend's tap i, with zeros past its end for the interpolation. Only
  // the taps it reads are blended: from whole - 1 to whole + span + 2.
  float* b = scratch + 1;
  scratch[0] = 0.0f;
  const int whole = static_cast<int>(advance);
  const int end = std::min(c.length, whole + span + 3);
  const V w0 = splat<V>(w[0]), w1 = splat<V>(w[1]), w2 = splat<V>(w[2]);
  int i = std::max(whole - 1, 0);
  for (; i + kLanes <= end; i += kLanes)
    store(b + i, w0 * load<V>(a[0] + i) + w1 * load<V>(a[1] + i) + w2 * load<V>(a[2] + i));
  for (; i < end; ++i) b[i] = w[0] * a[0][i] + w[1] * a[1][i] + w[2] * a[2][i];
  std::fill(b + end, b + whole + span + 3, 0.0f);
  // Tap n is the blend at n + advance: cubic through four neighbours, with the level factor
  // in its coefficients.
  const float f = static_cast<float>(advance - whole);
  const V h0 = splat<V>(scale * (-f * (f - 1.0f) * (f - 2.0f) / 6.0f)),
          h1 = splat<V>(scale * ((f + 1.0f) * (f - 1.0f) * (f - 2.0f) / 2.0f)),
          h2 = splat<V>(scale * (-(f + 1.0f) * f * (f - 2.0f) / 2.0f)),
          h3 = splat<V>(scale * ((f + 1.0f) * f * (f - 1.0f) / 6.0f));
  const float* from = b + whole - 1;
  for (int n = 0; n < span; n += kLanes)
    store(taps + n, h0 * load<V>(from + n) + h1 * load<V>(from + n + 1) +
                        h2 * load<V>(from + n + 2) + h3 * load<V>(from + n + 3));
}

void blendBaseline(const AlignedCorners& c, double advance, float scale, int span, float* scratch,
                   float* taps) {
  blend<v4>(c, advance, scale, span, scratch, taps);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define QUENDRAL_BLEND_HAS_AVX2 1
__attribute__((target("avx2,fma"))) void blendAvx2(const AlignedCorners& c, double advance,
                                                   float scale, int span, float* scratch,
                                                   float* taps) {
  blend<v8>(c, advance, scale, span, scratch, taps);
}
#else
#define QUENDRAL_BLEND_HAS_AVX2 0
#endif

}  // namespace

void blendAlignedCorners(RealFft::InstructionSet set, const AlignedCorners& corners, double advance,
                         float scale, int span, float* scratch, float* taps) {
#if QUENDRAL_BLEND_HAS_AVX2
  if (set == RealFft::InstructionSet::kAvx2Fma)
    return blendAvx2(corners, advance, scale, span, scratch, taps);
#endif
  (void)set;
  blendBaseline(corners, advance, scale, span, scratch, taps);
}

}  // namespace panner
