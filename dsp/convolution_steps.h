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

// out[i] = gain x (a[i] + (b[i] - a[i]) x (fade + i x fadeStep)).
// Returns the fade after the frame.
float crossfade(const float* a, const float* b, float gain, float fade, float fadeStep, float* out);

}  // namespace panner
