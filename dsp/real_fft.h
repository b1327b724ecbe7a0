// Real-input FFT of length 256, the only transform size the engine uses.
//
// Contract:
//  - forward: 256 real samples in, the spectrum in packed order out, in place.
//    Packed order: R0, R128, R1, I1, R2, I2, ..., R127, I127.
//  - inverse: a packed spectrum in, 256 real samples out, in place, computing
//    x[n] = sum over k of X[k] e^(+2 pi i k n / 256) with X[256-k] = conj(X[k]).
//  - Neither direction scales: forward followed by inverse multiplies by 256.
//  - Nothing is allocated per call; the object holds its twiddles and scratch.
//    One object serves one thread at a time.
//
// The engine keeps and multiplies spectra in half-complex order
// (R0, R1, ..., R127, R128, I127, ..., I1); the two conversions are below.
#pragma once

#include "convolution_steps.h"
#include "engine_constants.h"

namespace panner {

class RealFft {
 public:
  static constexpr int kSize = engine::kFftSize;
  static constexpr int kHalf = kSize / 2;  // length of the inner complex transform

  // The instruction sets the passes are built for. The x86-64 baseline (SSE2) runs
  // everywhere; AVX2 with FMA runs where the processor has both, with results equal to the
  // baseline's within float rounding.
  enum class InstructionSet { kBaseline, kAvx2Fma };
  static bool supported(InstructionSet set);

  RealFft();                                   // the widest set the processor supports
  explicit RealFft(InstructionSet preferred);  // preferred if supported, else the baseline

  InstructionSet instructionSet() const { return passes; }

  void forward(float* data);
  void inverse(float* data);
  // The forward transform of the 256 samples first[0..127], second[0..127], written in
  // half-complex order to `halfComplex`: as forward() then packedToHalfComplex(), without
  // the copies.
  void forwardToHalfComplex(const float* first, const float* second, float* halfComplex);
  // The forward transforms of two filter partitions, taps0[0..127] and taps1[0..127] each
  // followed by 128 zeros, in half-complex order: as forwardToHalfComplex(taps, zeros, out)
  // for each, without reading or transforming the zeros. With AVX2 the two run at once.
  void forwardPaddedPair(const float* taps0, const float* taps1, float* halfComplex0,
                         float* halfComplex1);

  // Two inverse transforms of summed products over the same input spectra, as overlap-save
  // needs them: y0 is the inverse of the sum over i < count of h0[i] x x[i], y1 that of
  // h1[i] x x[i] (spectra in half-complex order). Only their second halves (kHalf samples
  // each), what overlap-save keeps of a frame, are made and written; the products feed the
  // transforms' first pass directly, and the gain and crossfade are applied on the way out.
  // With AVX2 the two transforms run at once, one in each half of every register.
  //
  // out = crossfade(y0, y1, gain) of convolution_steps.h: from one filter's output to
  // another's.
  void inverseOfProductsCrossfaded(const float* const* h0, const float* const* h1,
                                   const float* const* x, int count, GainRamp gain, float* out);
  // out0 = crossfade(y0, y0, gain) and out1 = crossfade(y1, y1, gain): each with the gain
  // alone.
  void inverseOfProductsWithGain(const float* const* h0, const float* const* h1,
                                 const float* const* x, int count, GainRamp gain, float* out0,
                                 float* out1);

  // Twiddles and scratch of one transform, used by the passes of either set.
  // The four working arrays hold two transforms when the passes run two at once.
  struct Buffers {
    alignas(32) float re[2 * kHalf];
    alignas(32) float im[2 * kHalf];
    alignas(32) float natRe[2 * kHalf];
    alignas(32) float natIm[2 * kHalf];
    alignas(16) float kept[kHalf];  // the first of two kept halves, one transform at a time
    // Twiddles e^(-2 pi i j / (2h)), j = 0..h-1, for the radix-2 stages h = 64..4, packed
    // one stage after the other.
    alignas(16) float stageCos[64 + 32 + 16 + 8 + 4];
    alignas(16) float stageSin[64 + 32 + 16 + 8 + 4];
    // cos and sin of 2 pi k / 256 for the split between even and odd samples, k = 0..64.
    float splitCos[kHalf / 2 + 4];
    float splitSin[kHalf / 2 + 4];
  };

 private:
  Buffers buffers;
  InstructionSet passes;
};

// Packed order -> half-complex order (separate buffers).
void packedToHalfComplex(const float* packed, float* halfComplex);
// Half-complex order -> packed order (separate buffers).
void halfComplexToPacked(const float* halfComplex, float* packed);

}  // namespace panner
