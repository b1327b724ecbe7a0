// The editor's geometry without a window: the knob's pointer, the envelope's segments and
// click rule, the response display's level rows (the knob's drag is in
// editor_panel_test.cpp and editor_window_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "envelope_geometry.h"
#include "knob_geometry.h"
#include "spectrum_levels.h"

namespace panner {

namespace {

// The pointer dot of a 66 x 66 knob for a value: centre of its box relative to the knob
// centre, as the angle clockwise from twelve o'clock.
double pointerAngle(float value) {
  const int32_t w = 66, rw = w - 2;
  const float ring = static_cast<float>(rw) * 0.125f;
  const knob::Box b =
      knob::dotBox(1, 1, rw, rw, ring, knob::wrapOnce(knob::ringStart(value) + 330.0f));
  const double cx = (b.left + b.right) * 0.5 - w * 0.5;
  const double cy = (b.top + b.bottom) * 0.5 - w * 0.5;
  return std::atan2(cx, -cy) * 180.0 / 3.14159265358979;
}

TEST(KnobGeometry, PointerAtSevenTwelveAndFiveOClock) {
  EXPECT_NEAR(pointerAngle(0.0f), -150.0, 4.0);
  EXPECT_NEAR(pointerAngle(0.5f), 0.0, 4.0);
  EXPECT_NEAR(pointerAngle(1.0f), 150.0, 4.0);
}

TEST(EnvelopeGeometry, ScreenMappingAndWrappedSegments) {
  const int32_t w = 200, h = 200;
  EXPECT_EQ(envelope::toScreen(0.0f, 0.0f, w, h).x, 6);
  EXPECT_EQ(envelope::toScreen(1.0f, 1.0f, w, h).y, 194);
  // NaN or huge values from a broken parameter draw inside sane bounds instead of overflowing.
  const envelope::Point odd =
      envelope::toScreen(std::numeric_limits<float>::quiet_NaN(), 1e30f, w, h);
  EXPECT_EQ(odd.x, 6);
  EXPECT_LE(odd.y, 2 * h);

  const float t[8] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 1.0f};
  const float flat[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  envelope::Line lines[14];
  EXPECT_EQ(envelope::segmentLines(t, flat, w, h, lines), 7);  // no segment 8 -> 1

  // 0.1 then 0.9: a rise of more than half goes out through the top and back from the bottom.
  const float v[8] = {0.1f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.1f};
  ASSERT_EQ(envelope::segmentLines(t, v, w, h, lines), 9);
  const envelope::Point p1 = envelope::toScreen(t[0], v[0], w, h);
  const envelope::Point p2 = envelope::toScreen(t[1], v[1], w, h);
  EXPECT_EQ(lines[0].from.x, p1.x);
  EXPECT_EQ(lines[0].to.y, p2.y - h);  // above the top edge
  EXPECT_EQ(lines[1].from.y, p2.y);
  EXPECT_EQ(lines[1].to.y, p1.y + h);  // below the bottom edge
  // The last segment falls by 0.8: out through the bottom, back through the top.
  EXPECT_EQ(lines[7].to.y, envelope::toScreen(1.0f, 0.1f, w, h).y + h);
  EXPECT_EQ(lines[8].to.y, envelope::toScreen(0.6f, 0.9f, w, h).y - h);
}

TEST(EnvelopeGeometry, ClickEditsTheNearerPointOfTheBoundingSegment) {
  const float t[8] = {0.0f, 0.2f, 0.4f, 0.4f, 0.6f, 0.8f, 0.9f, 1.0f};
  EXPECT_FALSE(envelope::editAt(t, 0.0f).valid);  // exactly on point 1: no bounding segment
  const envelope::Edit nearFirst = envelope::editAt(t, 0.05f);
  EXPECT_TRUE(nearFirst.valid);
  EXPECT_EQ(nearFirst.point, 0);
  EXPECT_FALSE(nearFirst.moveTime);                       // point 1 keeps its time
  const envelope::Edit half = envelope::editAt(t, 0.1f);  // exactly half-way: the later point
  EXPECT_EQ(half.point, 1);
  EXPECT_TRUE(half.moveTime);
  // Points 3 and 4 share a time, so the search passes over that segment.
  const envelope::Edit after = envelope::editAt(t, 0.45f);
  EXPECT_EQ(after.point, 3);
  const envelope::Edit last = envelope::editAt(t, 0.97f);
  EXPECT_EQ(last.point, 7);
  EXPECT_FALSE(last.moveTime);  // point 8 keeps its time too
  EXPECT_FALSE(envelope::editAt(t, 1.5f).valid);
  EXPECT_FALSE(envelope::editAt(t, std::numeric_limits<float>::quiet_NaN()).valid);
}

TEST(SpectrumLevels, RowsForZeroDecibelsSilenceAndNaN) {
  SpectrumLevelTable table;
  table.build(100, 0.0f, -96.0f);
  ASSERT_EQ(table.rows(), 100);
  EXPECT_FLOAT_EQ(table.threshold(0), 1.0f);
  EXPECT_EQ(table.rowOf(1.0f), 1);    // 0 dB: the comparison is strict
  EXPECT_EQ(table.rowOf(4.0f), 0);    // above 0 dB
  EXPECT_EQ(table.rowOf(0.0f), 100);  // silence lies on the centre line
  EXPECT_EQ(table.rowOf(std::numeric_limits<float>::quiet_NaN()), 100);
  // -48 dB lies half-way down the pane; the bisection agrees with a linear scan everywhere.
  EXPECT_EQ(table.rowOf(std::pow(10.0f, -4.79f)), 50);
  for (float db = 3.0f; db > -100.0f; db -= 0.37f) {
    const float p = std::pow(10.0f, db * 0.1f);
    int32_t linear = 0;
    while (linear < table.rows() && !(p > table.threshold(linear))) ++linear;
    EXPECT_EQ(table.rowOf(p), linear) << db;
  }
}

}  // namespace

}  // namespace panner
