#include "envelope_geometry.h"

#include <cmath>

namespace panner {

namespace envelope {

namespace {
// Truncating pixel position; a value that is not a finite number draws at the margin.
int32_t pixel(float unit, int32_t extent) {
  if (!std::isfinite(unit)) unit = 0.0f;
  if (unit < -1.0f) unit = -1.0f;
  if (unit > 2.0f) unit = 2.0f;
  return static_cast<int32_t>(unit * static_cast<float>(extent - 2 * kMargin) + kMargin);
}
}  // namespace

Point toScreen(float t, float v, int32_t w, int32_t h) { return {pixel(t, w), pixel(v, h)}; }

int32_t segmentLines(const float times[kPoints], const float values[kPoints], int32_t w, int32_t h,
                     Line out[2 * (kPoints - 1)]) {
  int32_t count = 0;
  for (int32_t k = 1; k < kPoints; ++k) {
    const Point a = toScreen(times[k - 1], values[k - 1], w, h);
    const Point b = toScreen(times[k], values[k], w, h);
    if (std::fabs(values[k] - values[k - 1]) <= 0.5f) {
      out[count++] = {a, b};
      continue;
    }
    // A fall leaves through the bottom and re-enters at the top; a rise the other way.
    const int32_t d = values[k - 1] > values[k] ? h : -h;
    out[count++] = {a, {b.x, b.y + d}};
    out[count++] = {b, {a.x, a.y - d}};
  }
  return count;
}

Edit editAt(const float times[kPoints], float p) {
  Edit edit;
  for (int32_t k = 0; k + 1 < kPoints; ++k) {
    if (!(p > times[k] && times[k + 1] >= p)) continue;
    edit.valid = true;
    if (times[k + 1] - p > p - times[k]) {
      edit.point = k;
    } else {
      edit.point = k + 1;
    }
    edit.moveTime = edit.point != 0 && edit.point != kPoints - 1;
    return edit;
  }
  return edit;
}

}  // namespace envelope

}  // namespace panner
