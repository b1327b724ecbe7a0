// Directions on the sphere: the triangulation, glides in elevation, and the head's turns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "head_rotation.h"
#include "high_band.h"
#include "real_fft.h"
#include "shared_responses.h"
#include "spatial_engine.h"
#include "sphere_set_data.h"
#include "sphere_tables.h"

namespace panner {
namespace {

constexpr int kF = engine::kFrameSize;

// The filters of a direction as taps (inverse of the half-complex spectra), channel 0 then 1.
std::vector<float> filterTaps(const SphereTables& tables, int set, float azimuth, float elevation) {
  RealFft fft;
  static SphereWork work;
  std::vector<float> spectra(2 * tables.partitions() * engine::kFftSize);
  tables.buildFilterSpectra(set, azimuth, elevation, spectra.data(),
                            spectra.data() + tables.partitions() * engine::kFftSize, 1.0f, fft,
                            work);
  std::vector<float> taps;
  float packed[engine::kFftSize];
  for (int part = 0; part < 2 * tables.partitions(); ++part) {
    halfComplexToPacked(spectra.data() + part * engine::kFftSize, packed);
    fft.inverse(packed);
    for (int i = 0; i < kF; ++i) taps.push_back(packed[i] / engine::kFftSize);
  }
  return taps;
}

TEST(Sphere, MeasuredDirectionsGiveTheirMeasurementsAndThePoleIgnoresTheAzimuth) {
  const auto tables = sharedSphereTables(44100.0, 1);
  ASSERT_TRUE(tables);
  const sphere_data::SphereSet* sets[2] = {&sphere_data::kSetOneSphere,
                                           &sphere_data::kSetTwoSphere};
  for (int set = 0; set < 2; ++set) {
    EXPECT_FLOAT_EQ(tables->grid(set).highestElevation(), 90.0f);
    for (int d = 0; d < sets[set]->count; ++d) {
      const sphere_data::Direction at = sets[set]->directions[d];
      for (bool mirror : {false, true}) {
        const float azimuth = mirror ? 360.0f - at.azimuth : at.azimuth;
        const std::vector<float> taps = filterTaps(*tables, set, azimuth, at.elevation);
        // Channel 1 is the right ear: the near ear on the measured half.
        const int right = mirror ? sphere_data::kFarEar : sphere_data::kNearEar;
        for (int i = 0; i < kF; ++i) {
          ASSERT_NEAR(taps[kF + i], sets[set]->taps[d][right][i] / 32768.0f, 1e-5f)
              << "set " << set << " at " << azimuth << ", " << at.elevation << " tap " << i;
          ASSERT_NEAR(taps[i], sets[set]->taps[d][1 - right][i] / 32768.0f, 1e-5f);
        }
      }
    }
    const std::vector<float> overhead = filterTaps(*tables, set, 0.0f, 90.0f);
    for (float azimuth : {37.0f, 135.0f, 200.0f, 359.0f})
      EXPECT_EQ(filterTaps(*tables, set, azimuth, 90.0f), overhead) << azimuth;
  }
}

TEST(Sphere, WeightsAreAPartitionOfOneThatMovesContinuously) {
  const auto sets = sharedSphereSets();
  for (int set = 0; set < 2; ++set) {
    const SphereGrid& grid = sets->set(set).grid;
    double largestJump = 0.0;
    for (float elevation = -60.0f; elevation <= 90.0f; elevation += 0.5f) {
      std::vector<double> previous;
      for (float azimuth = 0.0f; azimuth <= 360.0f; azimuth += 0.2f) {
        const SphereGrid::Blend blend = grid.locate(azimuth, elevation);
        std::vector<double> weights(grid.corners().size());
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k) {
          ASSERT_GE(blend.weight[k], 0.0f);
          sum += blend.weight[k];
          weights[blend.corner[k]] += blend.weight[k];
        }
        ASSERT_NEAR(sum, 1.0f, 1e-5f);
        for (size_t c = 0; c < weights.size() && !previous.empty(); ++c)
          largestJump = std::max(largestJump, std::fabs(weights[c] - previous[c]));
        previous = std::move(weights);
      }
    }
    // 0.2 degrees move any weight by a few hundredths at most (the 30-degree set's smallest
    // triangles near the pole included): no jump from one triangle to an unrelated one.
    EXPECT_LT(largestJump, 0.05) << "set " << set;
  }
}

TEST(Sphere, SweepsInElevationAndOverThePoleAddNothingAboveSixteenKilohertz) {
  // 44.1 kHz blends spectra, 48 kHz (two partitions) responses: both ways are swept.
  for (double rate : {44100.0, 48000.0}) {
    SpatialEngine engine, horizontal;
    ASSERT_TRUE(engine.setSampleRate(rate));
    ASSERT_TRUE(horizontal.setSampleRate(rate));
    const int frames = static_cast<int>(4 * rate) / kF;
    std::vector<float> in(kF);
    std::vector<std::vector<float>> out(2, std::vector<float>(frames * kF));
    double phase = 0.0;
    for (int f = 0; f < frames; ++f) {
      // -40 to +90 and back in 2 s (the glide's own speed would take 0.75 s for the whole
      // way), then over the pole (the angle jumping by 180 at +90), then a diagonal.
      const double t = double(f) / frames;
      float elevation = float(t < 0.5 ? -40.0 + 130.0 * (1.0 - std::fabs(4.0 * t - 1.0)) : 90.0);
      float angle = t < 0.6 ? 30.0f : -150.0f;
      if (t >= 0.7)
        elevation = float(90.0 - (t - 0.7) / 0.3 * 120.0),
        angle = float(-150.0 + (t - 0.7) * 600.0);
      engine.targetElevation.store(elevation);
      engine.modulator.targetAngle.store(angle);
      for (float& v : in)
        v = 0.5f * float(std::sin(phase += 2.0 * 3.14159265358979 * 1000.0 / rate));
      engine.convolutionFrame(in.data(), out[0].data() + f * kF, out[1].data() + f * kF, nullptr);
    }
    EXPECT_LT(highBandDb(out, 4 * kF, rate), -60.0) << rate;
    // Back on the horizontal plane the filters are the horizontal tables' exactly.
    engine.targetElevation.store(0.0f);
    horizontal.modulator.targetAngle.store(45.0f);
    engine.modulator.targetAngle.store(45.0f);
    std::vector<float> a0(kF), a1(kF), b0(kF), b1(kF);
    for (int f = 0; f < 400; ++f) {
      for (float& v : in) v = 0.5f * float(std::sin(phase += 0.3));
      engine.convolutionFrame(in.data(), a0.data(), a1.data(), nullptr);
      horizontal.convolutionFrame(in.data(), b0.data(), b1.data(), nullptr);
    }
    EXPECT_EQ(engine.currentElevationDegrees(), 0.0f);
    EXPECT_EQ(a0, b0) << rate;
    EXPECT_EQ(a1, b1) << rate;
  }
}

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
    {"head turned right: ahead is at the left ear", 90, 0, 0, kYpr, 0, 0, 270, 0},
    {"head turned left: ahead is at the right ear", -90, 0, 0, kYpr, 0, 0, 90, 0},
    {"head turned round: the right ear hears the left", 180, 0, 0, kYpr, 90, 0, 270, 0},
    {"looking up: ahead is below", 0, 30, 0, kYpr, 0, 0, 0, -30},
    {"looking down: overhead is behind", 0, -90, 0, kYpr, 0, 90, 180, 0},
    {"right ear down: the right is overhead", 0, 0, -90, kYpr, 90, 0, 90, 90},
    {"right ear up: the left is above", 0, 0, 30, kYpr, 270, 0, 270, 30},
    {"yaw then pitch: the pitch turns about the room's left axis, ahead of the turned head", -90,
     45, 0, kYpr, 270, 0, 0, 0},
    {"pitch then yaw: turned left and looking up, the left is ahead and below", -90, 45, 0, kRpy,
     270, 0, 0, -45},
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
