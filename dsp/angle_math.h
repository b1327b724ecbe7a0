// Degrees on the horizontal circle: the two ranges the engine keeps angles in, and the
// wraps that bring any finite angle into them.
//  - azimuth: 0 <= a < 360, what the filters are looked up with;
//  - signed angle: -180..+180, what the parameters and the modulator keep.
#pragma once

#include <cmath>

namespace panner {

constexpr float kDegreesPerTurn = 360.0f;
constexpr float kHalfTurnDegrees = 180.0f;

// Brings a finite angle into 0 <= a < 360. Values in range are returned as they are; a
// multiple of 360 (negative zero included) gives 0. NaN and infinities are the caller's to
// handle.
inline float wrapAzimuth(float degrees) {
  if (degrees >= 0.0f && degrees < kDegreesPerTurn) return degrees;
  float wrapped = std::fmod(degrees, kDegreesPerTurn);
  if (wrapped <= 0.0f) wrapped += kDegreesPerTurn;
  return wrapped < kDegreesPerTurn ? wrapped : 0.0f;
}

// Brings a finite angle into -180..+180 (both ends possible). Far-out values are reduced
// with fmod first so that the loops stay short; NaN and infinities are returned unchanged.
inline float wrapSignedAngle(float degrees) {
  if (!std::isfinite(degrees)) return degrees;
  if (degrees > 3.0f * kHalfTurnDegrees || degrees < -3.0f * kHalfTurnDegrees)
    degrees = std::fmod(degrees, kDegreesPerTurn);
  while (degrees > kHalfTurnDegrees) degrees -= kDegreesPerTurn;
  while (degrees < -kHalfTurnDegrees) degrees += kDegreesPerTurn;
  return degrees;
}

}  // namespace panner
