// The block processor's per-sample work, four samples at a time: moving samples between the
// host's buffers and the frame buffers while following the meters' peaks.
#pragma once

#include <cstdint>

namespace panner {

// Copies n samples of `input` (null reads as silence) into `frame`, with NaN and infinite
// samples taken as silence, and returns the larger of `peak` and the largest sample copied.
float gatherInput(const float* input, float* frame, int32_t n, float peak);

// Writes n samples of `frame` to `output` (or adds them when `accumulate`; a null output is
// not written) and returns the larger of `peak` and the largest sample.
float playOutput(const float* frame, float* output, int32_t n, bool accumulate, float peak);

}  // namespace panner
