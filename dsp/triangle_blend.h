// One ear's filter taps at a direction between three measured ones (sphere_tables.h): the
// corners' responses, each moved beforehand to the same arrival, blended with the triangle's
// weights, then moved earlier to the blended arrival by cubic interpolation and scaled by the
// set's level factor. Runs on the audio thread for every new direction, so it has a copy in
// eight lanes with fused multiply-adds for processors with AVX2 and FMA, as the transform
// does (real_fft.h), beside the four-lane baseline.
#pragma once

#include "real_fft.h"

namespace panner {

struct AlignedCorners {
  const float* responses[3];  // `length` taps each, all at the same arrival
  float weights[3];
  int length;
};

// Writes taps[0..span), span a multiple of 8: tap n is the blend at n + advance (advance >= 0,
// and advance + span + 4 within `scratch`), times `scale`. `scratch` holds the blend and
// needs room for length + 1 values, and for advance + span + 4.
void blendAlignedCorners(RealFft::InstructionSet set, const AlignedCorners& corners, double advance,
                         float scale, int span, float* scratch, float* taps);

}  // namespace panner
