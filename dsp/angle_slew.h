// The glide of the filtering azimuth toward its target: at most one step per frame, the
// shorter way round the circle.
#pragma once

namespace panner {

// `current` is the azimuth in use (0 <= current < 360); `targetDegrees` is the target as
// the parameters and the modulator keep it (-180..+180, any finite value accepted).
// `step` is the largest move in degrees (one degree per 128 samples at 44.1 kHz, so that
// the glide runs at 344.5 degrees per second at any rate). Returns the next azimuth,
// 0 <= result < 360. A NaN or infinite target is ignored: the current azimuth holds.
float slewAngle(float current, float targetDegrees, float step = 1.0f);

// The elevation's glide: toward `targetDegrees` (confined to -90..90) by at most `step`
// degrees. A NaN or infinite target is ignored: the current elevation holds.
float slewElevation(float current, float targetDegrees, float step = 1.0f);

}  // namespace panner
