// The per-path steps of the overlap-add convolution: spectrum product, tail overlap and
// the crossfade between the two filter slots. Plain loops over fixed sizes, no state.
#pragma once

#include "engine_constants.h"

namespace panner {

// P = H x X for half-complex spectra, written straight into packed order for the inverse
// transform. When `halfComplexOut` is not null, P is also written there in half-complex order.
// When `add` is not null, the half-complex spectrum it holds is added to P.
void multiplySpectra(const float* h, const float* x, float* packedOut, float* halfComplexOut,
                     const float* add = nullptr);

// acc = H x X for half-complex spectra when `first`, acc += H x X otherwise.
void multiplyAccumulate(const float* h, const float* x, float* acc, bool first);

// Adds the path's tail (127 values) to the start of `y` and keeps y's samples past the
// frame as the new tail.
void overlapAdd(float* y, float* tail);

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

}  // namespace panner
