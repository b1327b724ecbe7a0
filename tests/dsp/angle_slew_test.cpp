// The one-degree glide of the filtering azimuth, along the shorter way round, and what it
// makes of bad targets.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "angle_slew.h"

namespace panner {

namespace {

TEST(AngleSlew, TakesTheShorterWayOneDegreePerUpdate) {
  const struct {
    float from, target;
    int updates;          // until the target is reached
    float first, second;  // the first two angles on the way
  } cases[] = {
      {0.0f, 90.0f, 90, 1.0f, 2.0f},
      {10.0f, -10.0f, 20, 9.0f, 8.0f},      // target 350, through 0
      {0.0f, 180.0f, 180, 359.0f, 358.0f},  // half a turn: down through 0 from below...
      {180.0f, 0.0f, 180, 181.0f, 182.0f},  // ...and up through 360 from above
      {1.0f, 359.0f, 2, 0.0f, 359.0f},
      {359.5f, 0.2f, 2, 0.5f, 0.2f},     // crossing the seam may overshoot, and comes back
      {42.0f, 410.0f, 8, 43.0f, 44.0f},  // beyond a turn: wrapped
  };
  for (const auto& c : cases) {
    const float goal = c.target < 0.0f ? c.target + 360.0f : std::fmod(c.target, 360.0f);
    std::vector<float> path{c.from};
    while (path.back() != goal && path.size() <= 400) {
      path.push_back(slewAngle(path.back(), c.target));
      ASSERT_TRUE(path.back() >= 0.0f && path.back() < 360.0f) << path.back();
    }
    ASSERT_EQ(static_cast<int>(path.size()) - 1, c.updates) << c.from << " -> " << c.target;
    EXPECT_FLOAT_EQ(path[1], c.first) << c.from << " -> " << c.target;
    EXPECT_FLOAT_EQ(path[2], c.second) << c.from << " -> " << c.target;
    EXPECT_EQ(slewAngle(goal, c.target), goal) << "target reached: it stays";
  }
  EXPECT_EQ(slewAngle(100.0f, -180.0f), slewAngle(100.0f, 180.0f));
  // 0.99999994 - 1 is a tiny negative angle; adding 360 to it rounds to 360 exactly.
  const float next = slewAngle(0.99999994f, 181.0f);
  EXPECT_TRUE(next >= 0.0f && next < 360.0f) << next;
}

TEST(AngleSlew, BadTargetsHoldOrWrap) {
  const float inf = std::numeric_limits<float>::infinity();
  for (float target : {std::nanf(""), inf, -inf}) EXPECT_EQ(slewAngle(42.0f, target), 42.0f);
  const float far = slewAngle(42.0f, 1e30f);
  EXPECT_TRUE(far >= 0.0f && far < 360.0f);
}

}  // namespace

}  // namespace panner
