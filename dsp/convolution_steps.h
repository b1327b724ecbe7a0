// The steps of the convolution outside the transform: the spectrum product the display
// shows and the crossfade between the two filter slots. Plain loops over fixed sizes, no
// state. (The products of the audio path feed the inverse transform directly, see
// RealFft::inverseOfProductsSecondHalf.)
#pragma once

#include "engine_constants.h"

namespace panner {

// P = H x X for half-complex spectra, written in packed order to `packedOut` and, when
// `halfComplexOut` is not null, in half-complex order there too.
void multiplySpectra(const float* h, const float* x, float* packedOut, float* halfComplexOut);

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
