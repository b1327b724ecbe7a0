// The engine at the host's rate: the same cues in physical units at every rate, the glide
// in seconds, in-between azimuths that sound like their neighbours, and rates it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <vector>

#include "../sofa/ear_measures.h"
#include "reference_render.h"
#include "response_tables.h"
#include "spatial_engine.h"

namespace panner {

namespace {

using quendral_test::Ears;
using quendral_test::itdMicroseconds;
using quendral_test::thirdOctaveLevels;

constexpr int kF = engine::kFrameSize;
constexpr double kRates[] = {44100.0, 48000.0, 88200.0, 96000.0, 192000.0};

std::unique_ptr<SpatialEngine> engineAt(double rate) {
  auto engine = std::make_unique<SpatialEngine>();
  EXPECT_TRUE(engine->setSampleRate(rate)) << rate;
  return engine;
}

// The engine's impulse response at `azimuth`, long enough for every partition.
void impulseAt(SpatialEngine& engine, float azimuth, Ears& ears) {
  quendral_test::engineImpulse(engine, azimuth, ResponseTables::kMaxPartitions + 1, ears);
}

// The deepest dip of an ear's magnitude between 6 and 11 kHz, in Hz.
double earNotchHz(const std::vector<double>& ear, double rate) {
  double bestHz = 0.0, bestMagnitude = std::numeric_limits<double>::max();
  for (double hz = 6000.0; hz <= 11000.0; hz += 5.0) {
    std::complex<double> sum = 0.0;
    const double w = -2.0 * 3.14159265358979323846 * hz / rate;
    for (size_t n = 0; n < ear.size(); ++n) sum += ear[n] * std::polar(1.0, w * double(n));
    if (std::abs(sum) < bestMagnitude) bestMagnitude = std::abs(sum), bestHz = hz;
  }
  return bestHz;
}

TEST(SampleRates, CuesHoldTheirTimesAndFrequenciesAtEveryCommonRate) {
  const float itdAngles[4] = {30.0f, 60.0f, 90.0f, 135.0f};
  const float notchAngles[2] = {0.0f, 45.0f};
  double referenceItd[4] = {}, referenceNotch[2] = {};
  for (double rate : kRates) {
    auto engine = engineAt(rate);
    Ears ears;
    for (int i = 0; i < 4; ++i) {
      impulseAt(*engine, itdAngles[i], ears);
      const double itd = itdMicroseconds(ears[0], ears[1], rate);
      if (rate == kRates[0]) referenceItd[i] = itd;
      EXPECT_NEAR(itd, referenceItd[i], 23.0) << rate << " Hz, " << itdAngles[i] << " degrees";
    }
    for (int i = 0; i < 2; ++i) {
      impulseAt(*engine, notchAngles[i], ears);  // channel 1 is the near ear for 0..180
      const double notch = earNotchHz(ears[1], rate);
      if (rate == kRates[0]) referenceNotch[i] = notch;
      EXPECT_NEAR(notch / referenceNotch[i], 1.0, 0.02) << rate << " Hz, " << notchAngles[i];
    }
  }
}

// A 90-degree step of the target takes 90 frames at 44.1 kHz (one degree a frame) and the
// same time in seconds at every rate, 8 and 384 kHz included.
TEST(SampleRates, GlideTakesTheSameSecondsAtEveryRate) {
  for (double rate : {44100.0, 8000.0, 48000.0, 96000.0, 192000.0, 384000.0}) {
    auto engine = engineAt(rate);
    engine->modulator.targetAngle.store(90.0f, std::memory_order_relaxed);
    float in[kF] = {}, out0[kF], out1[kF];
    int frames = 0;
    for (; engine->currentAngleDegrees() != 90.0f && frames < 10000; ++frames)
      engine->convolutionFrame(in, out0, out1, nullptr);
    const double frameSeconds = kF / rate;
    EXPECT_NEAR(frames * frameSeconds, 90.0 * kF / 44100.0, frameSeconds) << rate;
  }
}

TEST(SampleRates, InBetweenAzimuthsMatchTheirNeighboursBlendInDecibels) {
  for (double rate : {44100.0, 96000.0}) {
    auto engine = engineAt(rate);
    for (float angle : {2.5f, 93.0f, 272.5f}) {
      const float folded = angle <= 180.0f ? angle : 360.0f - angle;
      const float lowerAngle = 5.0f * std::floor(folded / 5.0f);
      const float w = (folded - lowerAngle) / 5.0f;
      const float mirrorOf = angle <= 180.0f ? 0.0f : 360.0f;
      Ears at, below, above;
      impulseAt(*engine, angle, at);
      impulseAt(*engine, std::fmod(std::fabs(mirrorOf - lowerAngle), 360.0f), below);
      impulseAt(*engine, std::fmod(std::fabs(mirrorOf - lowerAngle - 5.0f), 360.0f), above);
      for (int ear = 0; ear < 2; ++ear) {
        const auto a = thirdOctaveLevels(at[ear], rate);
        const auto b = thirdOctaveLevels(below[ear], rate);
        const auto c = thirdOctaveLevels(above[ear], rate);
        double sum = 0.0;
        for (size_t i = 0; i < a.size(); ++i) sum += std::pow(a[i] - (1 - w) * b[i] - w * c[i], 2);
        EXPECT_LE(std::sqrt(sum / static_cast<double>(a.size())), 1.5)
            << rate << " Hz, " << angle << " degrees, ear " << ear;
      }
    }
  }
}

// A rate change restarts the filters' history from silence; coming back to a rate renders as
// before, and rates the engine cannot use change nothing.
TEST(SampleRates, ReturningToARateRendersAsBeforeAndBadRatesAreRefused) {
  SpatialEngine engine;
  float before[2][reference_render::kKept], after[2][reference_render::kKept];
  reference_render::render(engine, 0, 30, before[0], before[1]);
  for (double rate : {96000.0, 8000.0, 384000.0, 44100.0}) {
    // After noise at the previous rate: silence at the new rate is silent from its first frame.
    ASSERT_TRUE(engine.setSampleRate(rate)) << rate;
    float silence[kF] = {}, out0[kF], out1[kF];
    engine.convolutionFrame(silence, out0, out1, nullptr);
    for (int i = 0; i < kF; ++i) ASSERT_TRUE(out0[i] == 0.0f && out1[i] == 0.0f) << rate;
    float ignored[2][reference_render::kKept];
    reference_render::render(engine, 1, 200, ignored[0], ignored[1]);
  }
  for (double bad :
       {std::nan(""), std::numeric_limits<double>::infinity(), 0.0, -44100.0, 7999.0, 384001.0}) {
    EXPECT_FALSE(engine.setSampleRate(bad)) << bad;
    EXPECT_EQ(engine.sampleRate(), 44100.0);
  }
  reference_render::render(engine, 0, 30, after[0], after[1]);
  for (int ear = 0; ear < 2; ++ear)
    for (int i = 0; i < reference_render::kKept; ++i) EXPECT_EQ(after[ear][i], before[ear][i]);
}

}  // namespace

}  // namespace panner
