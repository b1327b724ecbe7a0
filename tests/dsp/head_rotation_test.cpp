// The listener's head turns the scene: signs and orders on directions known by hand, through
// the packed hand-over too. (Through the plug-in: RenderTool.HeadTurned..., HeadTracking.*.)
#include <gtest/gtest.h>

#include <cmath>

#include "head_rotation.h"

namespace panner {
namespace {

struct Turn {
  const char* what;
  double yaw, pitch, roll;
  RotationOrder order;
  float angle, elevation;              // the source in the room
  float expectAngle, expectElevation;  // the source as the head hears it
};

constexpr auto kYpr = RotationOrder::kYawPitchRoll;
constexpr auto kRpy = RotationOrder::kRollPitchYaw;

const Turn kTurns[] = {
    {"head turned left: ahead is at the right ear", 90, 0, 0, kYpr, 0, 0, 90, 0},
    {"head turned right: ahead is at the left ear", -90, 0, 0, kYpr, 0, 0, 270, 0},
    {"head turned round: the right ear hears the left", 180, 0, 0, kYpr, 90, 0, 270, 0},
    {"looking up: ahead is below", 0, 30, 0, kYpr, 0, 0, 0, -30},
    {"looking down: overhead is behind", 0, -90, 0, kYpr, 0, 90, 180, 0},
    {"right ear down: the right is overhead", 0, 0, 90, kYpr, 90, 0, 90, 90},
    {"right ear down: the left is below", 0, 0, 30, kYpr, 270, 0, 270, -30},
    {"yaw then pitch: turned left and looking up, the left is ahead and below", 90, 45, 0, kYpr,
     270, 0, 0, -45},
    {"pitch then yaw: the yaw turns about the raised head's top", 90, 45, 0, kRpy, 270, 0, 0, 0},
};

TEST(HeadRotation, SourcesTurnAgainstTheHeadInEachOrder) {
  for (const Turn& t : kTurns) {
    float angle = -1.0f, elevation = -1.0f;
    headRelativeDirection(headFromYawPitchRoll(t.yaw, t.pitch, t.roll, t.order), t.angle,
                          t.elevation, angle, elevation);
    EXPECT_NEAR(elevation, t.expectElevation, 1e-3f) << t.what;
    if (std::abs(t.expectElevation) < 90.0f) {
      EXPECT_NEAR(std::remainder(angle - t.expectAngle, 360.0f), 0.0f, 1e-3f) << t.what;
    }
    // The packed form the audio thread reads turns the source the same way.
    float packedAngle = -1.0f, packedElevation = -1.0f;
    headRelativeDirection(
        unpackHead(packHead(headFromYawPitchRoll(t.yaw, t.pitch, t.roll, t.order))), t.angle,
        t.elevation, packedAngle, packedElevation);
    EXPECT_NEAR(packedElevation, elevation, 5e-3f) << t.what;
    if (std::abs(t.expectElevation) < 90.0f) {
      EXPECT_NEAR(std::remainder(packedAngle - angle, 360.0f), 0.0f, 5e-3f) << t.what;
    }
    // Yaw, pitch and roll read back as given (yaw-pitch-roll order).
    if (t.order == kYpr && std::abs(t.pitch) < 90.0) {
      double yaw, pitch, roll;
      yawPitchRollOf(headFromYawPitchRoll(t.yaw, t.pitch, t.roll, t.order), yaw, pitch, roll);
      EXPECT_NEAR(std::remainder(yaw - t.yaw, 360.0), 0.0, 1e-9) << t.what;
      EXPECT_NEAR(pitch, t.pitch, 1e-9) << t.what;
      EXPECT_NEAR(roll, t.roll, 1e-9) << t.what;
    }
  }
  EXPECT_EQ(packHead({}), kHeadStraightAhead);
  EXPECT_EQ(packHead({std::nan(""), 0, 0, 0}), kHeadStraightAhead);
}

}  // namespace
}  // namespace panner
