// Geometry and drag arithmetic of the rotary knobs, kept free of drawing so they can be
// checked without a window. Angles are degrees clockwise from twelve o'clock.
#pragma once

#include <cstdint>

namespace panner {

namespace knob {

struct Box {
  int32_t left, top, right, bottom;
};

// The ring's start angle for a value 0..1: the ring covers a..a+300, the gap a-60..a, and
// the pointer sits in the middle of the gap, so it sweeps from -150 (v = 0) through 0
// (v = 0.5) to +150 (v = 1).
float ringStart(float value);
// Brings an angle into 0..360 by adding or subtracting 360 once.
float wrapOnce(float degrees);

// Box of a dot of diameter `ring` centred on the middle of the ring band at angle t, inside
// the knob's inner rectangle (left, top, width rw, height rh).
Box dotBox(int32_t left, int32_t top, int32_t rw, int32_t rh, float ring, float tDegrees);

// Mouse drag: the value follows (dx - dy) times a rate of (max - min) per knob height, five
// times slower while Shift is held. A change of Shift mid-drag re-bases the entry value so
// that the value does not jump. The value is measured from the press point and is not
// re-based at the ends, so after running past an end the pointer must come back to where
// the value re-enters the range.
class Drag {
 public:
  Drag(float entryValue, int32_t pressX, int32_t pressY, float heightPx, float minimum,
       float maximum, float slowdown, bool fineAtPress);
  // The unclamped value for the pointer at (x, y) with Shift held or not.
  float update(int32_t x, int32_t y, bool fineNow);

 private:
  float rate(bool fineNow) const;

  float entry;
  int32_t x0, y0;
  float height, span, fineFactor;
  bool fineHeld;  // Shift as last seen
  float coef;
};

}  // namespace knob

}  // namespace panner
