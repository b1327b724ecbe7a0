// The one-degree glide of the filtering azimuth, along the shorter way round.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "angle_slew.h"

namespace panner {

namespace {

// Runs updates until the angle reaches the target; returns the path taken.
std::vector<float> glide(float current, float target, int limit = 400) {
  std::vector<float> path;
  const float goal = target < 0.0f ? target + 360.0f : target;
  while (current != goal && static_cast<int>(path.size()) < limit) {
    current = slewAngle(current, target);
    path.push_back(current);
  }
  return path;
}

TEST(AngleSlew, TakesTheShorterWayOneDegreePerUpdate) {
  std::vector<float> path = glide(0.0f, 90.0f);
  ASSERT_EQ(path.size(), 90u);
  EXPECT_EQ(path.front(), 1.0f);
  EXPECT_EQ(slewAngle(90.0f, 90.0f), 90.0f);  // target reached: it stays

  path = glide(10.0f, -10.0f);  // target 350, through 0
  ASSERT_EQ(path.size(), 20u);
  EXPECT_EQ(path[9], 0.0f);
  EXPECT_EQ(path[10], 359.0f);

  // Exactly half a turn apart: down through 0 from below, up through 360 from above.
  path = glide(0.0f, 180.0f);
  ASSERT_EQ(path.size(), 180u);
  EXPECT_EQ(path[0], 359.0f);
  EXPECT_EQ(path[1], 358.0f);
  path = glide(180.0f, 0.0f);
  ASSERT_EQ(path.size(), 180u);
  EXPECT_EQ(path[0], 181.0f);
  EXPECT_EQ(path[178], 359.0f);
  EXPECT_EQ(path[179], 0.0f);

  EXPECT_EQ(slewAngle(100.0f, -180.0f), slewAngle(100.0f, 180.0f));
}

TEST(AngleSlew, CrossingTheSeamMayOvershootAndComesBack) {
  const float next = slewAngle(359.5f, 0.2f);
  EXPECT_FLOAT_EQ(next, 0.5f);
  EXPECT_FLOAT_EQ(slewAngle(next, 0.2f), 0.2f);
}

TEST(AngleSlew, BadTargetsHoldOrWrap) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(slewAngle(42.0f, std::nanf("")), 42.0f);
  EXPECT_EQ(slewAngle(42.0f, inf), 42.0f);
  EXPECT_EQ(slewAngle(42.0f, -inf), 42.0f);
  const float far = slewAngle(42.0f, 1e30f);
  EXPECT_TRUE(far >= 0.0f && far < 360.0f);
  EXPECT_EQ(slewAngle(42.0f, 360.0f + 50.0f), 43.0f);
}

TEST(AngleSlew, StepBelowZeroThatRoundsTo360WrapsToZero) {
  // 0.99999994 - 1 is a tiny negative angle; adding 360 to it rounds to 360 exactly.
  const float next = slewAngle(0.99999994f, 181.0f);
  EXPECT_GE(next, 0.0f);
  EXPECT_LT(next, 360.0f);
}

}  // namespace

}  // namespace panner
