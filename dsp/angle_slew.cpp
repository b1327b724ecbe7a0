#include "angle_slew.h"

#include <algorithm>
#include <cmath>

#include "angle_math.h"

namespace panner {

float slewAngle(float current, float targetDegrees, float step) {
  if (!std::isfinite(targetDegrees)) return current;
  const float t = wrapAzimuth(targetDegrees);

  const float c = current;
  float next;
  if (c > t) {
    // At exactly 180 degrees apart the angle rises through 360.
    const float candidate = (c - t >= kHalfTurnDegrees) ? c + step : c - step;
    next = candidate > t ? candidate : t;
  } else {
    // At exactly 180 degrees apart the angle falls through 0.
    const float candidate = (t - c >= kHalfTurnDegrees) ? c - step : c + step;
    next = candidate < t ? candidate : t;
  }
  return wrapAzimuth(next);
}

float slewElevation(float current, float targetDegrees, float step) {
  if (!std::isfinite(targetDegrees)) return current;
  const float t = std::clamp(targetDegrees, -90.0f, 90.0f);
  return current < t ? std::min(current + step, t) : std::max(current - step, t);
}

}  // namespace panner
