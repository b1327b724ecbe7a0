// The editor's geometry without a window, where a picture would not pin it down: the knob's
// pointer, and the envelope's segments through the pane's edges and its click rule.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "envelope_geometry.h"
#include "knob_geometry.h"

namespace panner {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(KnobGeometry, PointerAtSevenTwelveAndFiveOClock) {
  for (const auto& [value, degrees] : {std::pair{0.0f, -150.0}, {0.5f, 0.0}, {1.0f, 150.0}}) {
    // The pointer dot of a 66 x 66 knob, as the angle clockwise from twelve o'clock.
    const knob::Box b =
        knob::dotBox(1, 1, 64, 64, 8.0f, knob::wrapOnce(knob::ringStart(value) + 330.0f));
    const double x = (b.left + b.right) * 0.5 - 33, y = (b.top + b.bottom) * 0.5 - 33;
    EXPECT_NEAR(std::atan2(x, -y) * 180.0 / 3.14159265358979, degrees, 4.0) << value;
  }
}

TEST(EnvelopeGeometry, SegmentsWrapThroughTheEdgesAndClicksEditTheNearerPoint) {
  const float t[8] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 1.0f};
  const float flat[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  envelope::Line lines[14];
  EXPECT_EQ(envelope::segmentLines(t, flat, 200, 200, lines), 7);  // no segment 8 -> 1
  // A rise of more than half goes out through the top and back from the bottom.
  const float v[8] = {0.1f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.1f};
  ASSERT_EQ(envelope::segmentLines(t, v, 200, 200, lines), 9);
  EXPECT_EQ(lines[0].to.y, envelope::toScreen(t[1], v[1], 200, 200).y - 200);
  EXPECT_EQ(lines[1].to.y, envelope::toScreen(t[0], v[0], 200, 200).y + 200);
  EXPECT_LE(envelope::toScreen(kNaN, 1e30f, 200, 200).y, 400) << "a broken value stays sane";

  const float times[8] = {0.0f, 0.2f, 0.4f, 0.4f, 0.6f, 0.8f, 0.9f, 1.0f};
  const struct {
    float at;
    int point;  // -1: no edit
    bool moveTime;
  } clicks[] = {{0.0f, -1, false}, {0.05f, 0, false}, {0.1f, 1, true},  {0.45f, 3, true},
                {0.97f, 7, false}, {1.5f, -1, false}, {kNaN, -1, false}};
  for (const auto& c : clicks) {
    const envelope::Edit edit = envelope::editAt(times, c.at);
    EXPECT_EQ(edit.valid ? edit.point : -1, c.point) << c.at;
    if (edit.valid) {
      EXPECT_EQ(edit.moveTime, c.moveTime) << c.at;
    }
  }
}

}  // namespace
}  // namespace panner
