// The listener's head turns the scene: the conventions (signs and order) on directions whose
// answer is known by hand, the packed hand-over, and the engine serving a turned head
// exactly as the source's direction relative to it.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "head_rotation.h"
#include "spatial_engine.h"

namespace panner {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;

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

// Frames of noise through an engine whose source is at `angle`, heard by a head at `head`.
std::vector<float> render(float angle, float elevation, uint64_t head, int frames) {
  SpatialEngine engine;
  engine.restoreCurrentAngle(angle);
  engine.modulator.targetAngle.store(angle > 180.0f ? angle - 360.0f : angle, kRelaxed);
  engine.restoreCurrentElevation(elevation);
  engine.targetElevation.store(elevation, kRelaxed);
  engine.headOrientation.store(head, kRelaxed);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  std::vector<float> out;
  std::vector<float> in(kF), left(kF), right(kF);
  for (int f = 0; f < frames; ++f) {
    for (float& s : in) s = noise(random);
    engine.convolutionFrame(in.data(), left.data(), right.data(), nullptr);
    out.insert(out.end(), left.begin(), left.end());
    out.insert(out.end(), right.begin(), right.end());
  }
  return out;
}

TEST(HeadRotation, TheEngineServesTheDirectionRelativeToTheHead) {
  const uint64_t right = packHead(headFromYawPitchRoll(-90, 0, 0, kYpr));
  // The same filters from the first frame on, so the same samples: the head is followed at
  // once, without a glide.
  EXPECT_EQ(render(0.0f, 0.0f, right, 8), render(270.0f, 0.0f, kHeadStraightAhead, 8));
  // Looking up as far as the source is high brings it to the horizon ahead.
  const uint64_t up = packHead(headFromYawPitchRoll(0, 20, 0, kYpr));
  EXPECT_EQ(render(0.0f, 20.0f, up, 8), render(0.0f, 0.0f, kHeadStraightAhead, 8));
}

}  // namespace
}  // namespace panner
