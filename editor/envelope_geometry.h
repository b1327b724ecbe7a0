// Screen geometry and click rule of the envelope editor, kept apart from drawing so that
// both can be checked without a window. The envelope's value axis stands for an angle, so
// it is circular: a jump of more than half the range is drawn through the top and bottom
// edges instead of across the whole control.
#pragma once

#include <cstdint>

namespace panner {

namespace envelope {

constexpr int32_t kPoints = 8;
constexpr int32_t kMargin = 6;  // pixels kept free on every side of the control

struct Point {
  int32_t x, y;
};
struct Line {
  Point from, to;
};

// Screen position of a point (time t, value v) in a control of w by h pixels.
Point toScreen(float t, float v, int32_t w, int32_t h);

// The lines joining points 1..8 in time order (no segment from point 8 back to point 1).
// A segment whose values differ by more than 0.5 is drawn as two lines leaving through one
// edge and coming back through the other. Writes up to 14 lines; returns how many.
int32_t segmentLines(const float times[kPoints], const float values[kPoints], int32_t w, int32_t h,
                     Line out[2 * (kPoints - 1)]);

// What one click at position p (0..1 along the time axis) changes. point is 0-based;
// moveTime is false for the first and last point, whose times are fixed.
struct Edit {
  bool valid = false;
  int32_t point = 0;
  bool moveTime = false;
};
// p must lie strictly after a point's time and at or before the next one's; the nearer of
// the two is edited, the later one when p lies exactly half-way.
Edit editAt(const float times[kPoints], float p);

}  // namespace envelope

}  // namespace panner
