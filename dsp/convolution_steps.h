// The steps of the convolution outside the transform: the spectrum product the display
// shows and the crossfade between the two filter slots. Plain loops over fixed sizes, no
// state. (The products of the audio path feed the inverse transform directly, see
// RealFft::inverseOfProductsCrossfaded and inverseOfProductsWithGain.)
#pragma once

#include "engine_constants.h"
#include "simd4.h"

namespace panner {

// P = H x X for half-complex spectra, P in half-complex order too.
void multiplySpectra(const float* h, const float* x, float* product);

// A gain that moves linearly across one frame from `start` (before the frame's first sample)
// to `end`, which the frame's last sample takes exactly. Equal ends give a constant gain.
struct GainRamp {
  float start;
  float end;
};

// Moves from the previous filters' output to the new filters' output across the frame:
// out[i] = g(i) x (from[i] + (to[i] - from[i]) x i / 128), with
// g(i) = end + (start - end) x (127 - i) / 128. Sample 0 is wholly `from`; the last
// sample carries 127/128 of `to`. Which slot holds which filters does not matter.
void crossfade(const float* from, const float* to, GainRamp gain, float* out);

// Samples i..i+3 of crossfade(), from from[i..i+3] and to[i..i+3]; kSame when both are the
// same signal, kRamp when the gain moves. Shared by crossfade() and the inverse transform
// that crossfades as it writes out (RealFft::inverseOfProductsCrossfaded).
template <bool kSame, bool kRamp>
inline simd4::v4 crossfadeFour(simd4::v4 from, simd4::v4 to, int i, GainRamp gain) {
  // The gain is written from the end value, so a steady gain is exactly that gain on every
  // sample and the last sample of a ramp is exactly the new gain.
  constexpr float kF = static_cast<float>(engine::kFrameSize);
  const simd4::v4 index = simd4::splat(static_cast<float>(i)) + simd4::v4{0.0f, 1.0f, 2.0f, 3.0f};
  simd4::v4 g = simd4::splat(gain.end);
  if (kRamp) g += (simd4::splat(kF - 1.0f) - index) * simd4::splat((gain.start - gain.end) / kF);
  return kSame ? g * from : g * (from + (to - from) * (index * simd4::splat(1.0f / kF)));
}

}  // namespace panner
