// The per-path steps of the overlap-add convolution: spectrum product, tail overlap and
// the crossfade between the two filter slots. Plain loops over fixed sizes, no state.
#pragma once

#include "engine_constants.h"

namespace panner {

// P = H x X for half-complex spectra, written straight into packed order for the inverse
// transform. When `halfComplexOut` is not null, P is also written there in half-complex order.
void multiplySpectra(const float* h, const float* x, float* packedOut, float* halfComplexOut);

// Adds the path's tail (127 values) to the start of `y` and keeps y's samples past the
// frame as the new tail.
void overlapAdd(float* y, float* tail);

// A gain that moves linearly across one frame from `start` (before the frame's first sample)
// to `end`, which the frame's last sample takes exactly. Equal ends give a constant gain.
struct GainRamp {
  float start;
  float end;
};

// out[i] = g(i) x (a[i] + (b[i] - a[i]) x (fade + i x fadeStep)), with
// g(i) = end + (start - end) x (127 - i) / 128. Returns the fade after the frame.
float crossfade(const float* a, const float* b, GainRamp gain, float fade, float fadeStep,
                float* out);

}  // namespace panner
