#include "angle_slew.h"

#include <cmath>

namespace panner {

float slewAngle(float current, float targetDegrees) {
  if (!std::isfinite(targetDegrees)) return current;
  float t = targetDegrees;
  if (t < 0.0f) t += 360.0f;
  if (!(t >= 0.0f && t < 360.0f)) {  // a target far outside -180..+180
    t = std::fmod(t, 360.0f);
    if (t < 0.0f) t += 360.0f;
    if (t >= 360.0f) t = 0.0f;
  }

  constexpr float kStep = 1.0f;
  const float c = current;
  float next;
  if (c > t) {
    // At exactly 180 degrees apart the angle rises through 360.
    const float candidate = (c - t >= 180.0f) ? c + kStep : c - kStep;
    next = candidate > t ? candidate : t;
  } else {
    // At exactly 180 degrees apart the angle falls through 0.
    const float candidate = (t - c >= 180.0f) ? c - kStep : c + kStep;
    next = candidate < t ? candidate : t;
  }
  while (next >= 360.0f) next -= 360.0f;
  while (next < 0.0f) next += 360.0f;
  return next;
}

}  // namespace panner
