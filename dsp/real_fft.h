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

  // The second half (kHalf samples) of the inverse transform of the sum over i < count of
  // h[i] x x[i], spectra in half-complex order: what overlap-save keeps of a frame. The
  // products feed the transform's first pass directly, and only the kept half is put in
  // order and written out.
  void inverseOfProductsSecondHalf(const float* const* h, const float* const* x, int count,
                                   float* out);
  // The same kept half y, crossfaded as it is written out: out = crossfade(from, y, gain) of
  // convolution_steps.h, or crossfade(y, y, gain) (the gain alone) when `from` is null.
  // Saves the separate pass over the frame.
  void inverseOfProductsSecondHalf(const float* const* h, const float* const* x, int count,
                                   const float* from, GainRamp gain, float* out);

  // Twiddles and scratch of one transform, used by the passes of either set.
  struct Buffers {
    alignas(16) float re[kHalf];
    alignas(16) float im[kHalf];
    alignas(16) float natRe[kHalf];
    alignas(16) float natIm[kHalf];
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
