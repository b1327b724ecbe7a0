// The 256-point real FFT runs as a 128-point complex FFT of the even samples (real parts)
// and odd samples (imaginary parts), followed by the split step that separates the two
// interleaved spectra and combines them into the 256-point spectrum. The inverse runs the
// same steps backwards and gets the inverse complex FFT from the forward one by exchanging
// real and imaginary parts on the way in and out. The passes are in real_fft_passes.inc,
// four lanes per transform (GCC/Clang vector extensions: SSE2 on the x86-64 baseline; VEX
// encoding, fused multiply-adds, and two inverse transforms or two filter partitions' forward
// transforms at once in the AVX2 copy).
#include "real_fft.h"

#include <cmath>
#include <cstring>

#include "simd4.h"

namespace panner {

namespace {

using simd4::load;
using simd4::loadDeinterleaved;
using simd4::store;
using simd4::storeInterleaved;
using simd4::v4;

constexpr double kPi = 3.14159265358979323846;

}  // namespace

// The passes, once for the x86-64 baseline and once for AVX2 with FMA (on x86-64 with
// GCC or Clang). The wide copy sees the same source with those instructions allowed and
// runs pairs of inverse transforms in 256-bit registers; the file is compiled with
// floating-point contraction, which only the FMA copy can use.
namespace {
namespace baseline {
#define QUENDRAL_FFT_PAIR_LANES 0
#include "real_fft_passes.inc"
#undef QUENDRAL_FFT_PAIR_LANES
}  // namespace baseline
}  // namespace

}  // namespace panner

#if defined(__x86_64__) && defined(__GNUC__)
#define QUENDRAL_FFT_HAS_AVX2_PASSES 1
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
// The eight-lane helpers are compiled for AVX2 too, like everything they are inlined into.
#include "simd4x2.h"
namespace panner {
namespace {
namespace avx2fma {
#define QUENDRAL_FFT_PAIR_LANES 1
#include "real_fft_passes.inc"
#undef QUENDRAL_FFT_PAIR_LANES
}  // namespace avx2fma
}  // namespace
}  // namespace panner
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#else
#define QUENDRAL_FFT_HAS_AVX2_PASSES 0
#endif

namespace panner {

RealFft::RealFft(InstructionSet preferred)
    : passes(supported(preferred) ? preferred : InstructionSet::kBaseline) {
  Buffers& b = buffers;
  int offset = 0;
  for (int h = 64; h >= 4; h /= 2) {
    for (int j = 0; j < h; ++j) {
      const double phase = kPi * j / h;  // 2 pi j / (2h)
      b.stageCos[offset + j] = static_cast<float>(std::cos(phase));
      b.stageSin[offset + j] = static_cast<float>(-std::sin(phase));
    }
    offset += h;
  }
  for (int k = 0; k < kHalf / 2 + 4; ++k) {
    const double phase = 2.0 * kPi * k / kSize;
    b.splitCos[k] = static_cast<float>(std::cos(phase));
    b.splitSin[k] = static_cast<float>(std::sin(phase));
  }
  // Exact at a quarter turn, so bin 64, which the split step writes twice, gets one value.
  b.splitCos[kHalf / 2] = 0.0f;
  b.splitSin[kHalf / 2] = 1.0f;
  std::memset(b.re, 0, sizeof b.re);
  std::memset(b.im, 0, sizeof b.im);
  std::memset(b.natRe, 0, sizeof b.natRe);
  std::memset(b.natIm, 0, sizeof b.natIm);
  std::memset(b.kept, 0, sizeof b.kept);
}

RealFft::RealFft() : RealFft(InstructionSet::kAvx2Fma) {}

bool RealFft::supported(InstructionSet set) {
  if (set == InstructionSet::kBaseline) return true;
#if QUENDRAL_FFT_HAS_AVX2_PASSES
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

void RealFft::forward(float* data) {
#if QUENDRAL_FFT_HAS_AVX2_PASSES
  if (passes == InstructionSet::kAvx2Fma) return avx2fma::forward(buffers, data);
#endif
  baseline::forward(buffers, data);
}

void RealFft::forwardToHalfComplex(const float* first, const float* second, float* halfComplex) {
#if QUENDRAL_FFT_HAS_AVX2_PASSES
  if (passes == InstructionSet::kAvx2Fma)
    return avx2fma::forwardToHalfComplex(buffers, first, second, halfComplex);
#endif
  baseline::forwardToHalfComplex(buffers, first, second, halfComplex);
}

void RealFft::forwardPaddedPair(const float* taps0, const float* taps1, float* halfComplex0,
                                float* halfComplex1) {
#if QUENDRAL_FFT_HAS_AVX2_PASSES
  if (passes == InstructionSet::kAvx2Fma)
    return avx2fma::forwardPaddedPair(buffers, taps0, taps1, halfComplex0, halfComplex1);
#endif
  baseline::forwardPaddedPair(buffers, taps0, taps1, halfComplex0, halfComplex1);
}

void RealFft::inverse(float* data) {
#if QUENDRAL_FFT_HAS_AVX2_PASSES
  if (passes == InstructionSet::kAvx2Fma) return avx2fma::inverse(buffers, data);
#endif
  baseline::inverse(buffers, data);
}

void RealFft::inverseOfProductsCrossfaded(const float* const* h0, const float* const* h1,
                                          const float* const* x, int count, GainRamp gain,
                                          float* out) {
#if QUENDRAL_FFT_HAS_AVX2_PASSES
  if (passes == InstructionSet::kAvx2Fma)
    return avx2fma::inverseOfProductPair(buffers, h0, h1, x, count, gain, out, nullptr);
#endif
  baseline::inverseOfProductPair(buffers, h0, h1, x, count, gain, out, nullptr);
}

void RealFft::inverseOfProductsWithGain(const float* const* h0, const float* const* h1,
                                        const float* const* x, int count, GainRamp gain,
                                        float* out0, float* out1) {
#if QUENDRAL_FFT_HAS_AVX2_PASSES
  if (passes == InstructionSet::kAvx2Fma)
    return avx2fma::inverseOfProductPair(buffers, h0, h1, x, count, gain, out0, out1);
#endif
  baseline::inverseOfProductPair(buffers, h0, h1, x, count, gain, out0, out1);
}

void packedToHalfComplex(const float* packed, float* halfComplex) {
  constexpr int n = RealFft::kSize;
  // Bins 1..124 four at a time, then 125..127.
  for (int k = 1; k < n / 2 - 3; k += 4) {
    v4 re, im;
    loadDeinterleaved(packed + 2 * k, re, im);
    store(halfComplex + k, re);
    store(halfComplex + n - k - 3, simd4::reverse(im));
  }
  for (int k = n / 2 - 3; k < n / 2; ++k) {
    halfComplex[k] = packed[2 * k];
    halfComplex[n - k] = packed[2 * k + 1];
  }
  halfComplex[0] = packed[0];
  halfComplex[n / 2] = packed[1];
}

void halfComplexToPacked(const float* halfComplex, float* packed) {
  constexpr int n = RealFft::kSize;
  for (int k = 1; k < n / 2 - 3; k += 4)
    storeInterleaved(packed + 2 * k, load(halfComplex + k),
                     simd4::reverse(load(halfComplex + n - k - 3)));
  for (int k = n / 2 - 3; k < n / 2; ++k) {
    packed[2 * k] = halfComplex[k];
    packed[2 * k + 1] = halfComplex[n - k];
  }
  packed[0] = halfComplex[0];
  packed[1] = halfComplex[n / 2];
}

}  // namespace panner
