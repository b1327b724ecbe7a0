// The built-in response tables: committed data, sharing, captured renders, every rate.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "../sofa/ear_measures.h"
#include "engine_frames.h"
#include "response_sets.h"
#include "response_tables.h"
#include "shared_responses.h"
#include "spatial_engine.h"

namespace panner {
namespace {

TEST(ResponseTableData, CommittedTablesAreWhatTheBuildComputes) {
  const auto sets = std::make_unique<ResponseSets>(ResponseSets::Arrivals::kMeasured);
  // The default sets carry the committed arrival differences: the measured ones.
  const auto committedSets = std::make_unique<ResponseSets>();
  for (int s = 0; s < 2; ++s)
    for (int row = 0; row < sets->set(s).count; ++row)
      for (int ear = 0; ear < 2; ++ear)
        EXPECT_EQ(committedSets->set(s).entries[row].delayToNext[ear],
                  sets->set(s).entries[row].delayToNext[ear])
            << "set " << s << ", row " << row << ", ear " << ear;
  const auto committed = ResponseTables::create(*sets, ResponseSets::kMeasurementRate);
  const auto computed = ResponseTables::build(*sets, ResponseSets::kMeasurementRate);
  ASSERT_TRUE(committed && computed);
  EXPECT_EQ(committed->grid(), response_data::kMeasurementRateGrid);
  EXPECT_EQ(committed->partitions(), computed->partitions());
  EXPECT_EQ(committed->responseLength(), computed->responseLength());
  EXPECT_EQ(committed->droppedEnergy(), computed->droppedEnergy());
  ASSERT_EQ(committed->gridValues(), computed->gridValues());
  size_t differing = 0;
  for (size_t i = 0; i < computed->gridValues(); ++i)
    differing += std::memcmp(&committed->grid()[i], &computed->grid()[i], sizeof(float)) != 0;
  EXPECT_EQ(differing, 0u) << "dsp/response_table_data.cpp differs from what the tables build; "
                           << "rewrite it with the regenerate-response-tables target";
}

// Noise through `engine` at 70 degrees with the set switched half way; all outputs.
std::vector<float> render(SpatialEngine& engine) {
  std::mt19937 generator(5);
  engine.modulator.targetAngle.store(70.0f, std::memory_order_relaxed);
  return noiseFrames(engine, generator, 40, [&](int frame) {
    if (frame == 20) engine.filterSet.store(1, std::memory_order_relaxed);
  });
}

TEST(SharedResponses, AnEngineSoundsTheSameWhoeverBuiltOrDroppedTheTables) {
  const std::vector<float> alone = render(*std::make_unique<SpatialEngine>());  // gone at once
  const auto sets = sharedResponseSets();
  EXPECT_EQ(sharedResponseTables(sets, 44100.0), sharedResponseTables(sets, 44100.0));
  EXPECT_FALSE(sharedResponseTables(sets, 1.0)) << "a rate out of range has no tables";
  auto first = std::make_unique<SpatialEngine>();
  auto second = std::make_unique<SpatialEngine>();
  ASSERT_TRUE(second->setSampleRate(96000.0));
  first.reset();  // the engine that built the 44.1 kHz tables goes first
  ASSERT_TRUE(second->setSampleRate(44100.0));
  EXPECT_EQ(render(*second), alone);
}

// The render behind the measured-azimuth regression data: the engine settled at a measured
// azimuth, fed deterministic noise, a window of its output kept.
namespace reference_render {

constexpr int kKept = 32;       // output samples kept per ear
constexpr int kFirstKept = 96;  // of the second noise frame: each depends on 128 inputs

// Uniform noise in -1..1 from a fixed linear congruential generator, so that the input is
// the same on every platform and library.
inline float noise(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
}

// Settles `engine` at `azimuth` of `set`, renders two frames of noise (the same for an
// azimuth's mirror image) and copies kKept samples of the second per ear.
inline void render(SpatialEngine& engine, int set, int azimuth, float* ear0, float* ear1) {
  constexpr int kF = engine::kFrameSize;
  engine.filterSet.store(set, std::memory_order_relaxed);
  engine.modulator.targetAngle.store(static_cast<float>(azimuth <= 180 ? azimuth : azimuth - 360),
                                     std::memory_order_relaxed);
  float in[kF] = {}, out0[kF], out1[kF];
  // At most 180 frames of glide, then two more so both filter slots hold this azimuth.
  for (int frame = 0; frame < 182; ++frame) engine.convolutionFrame(in, out0, out1, nullptr);
  const int folded = azimuth <= 180 ? azimuth : 360 - azimuth;
  uint32_t state = 12345u + static_cast<uint32_t>(set * 1000 + folded);
  for (int frame = 0; frame < 2; ++frame) {
    for (float& v : in) v = noise(state);
    engine.convolutionFrame(in, out0, out1, nullptr);
  }
  for (int i = 0; i < kKept; ++i) {
    ear0[i] = out0[kFirstKept + i];
    ear1[i] = out1[kFirstKept + i];
  }
}

}  // namespace reference_render

#include "measured_azimuth_renders.inc"

constexpr float kTolerance = 1e-6f;

TEST(MeasuredAzimuths, RenderAsCapturedOnBothHalvesOfTheCircle) {
  constexpr int kSteps[2] = {5, 30};
  // One engine for every render: each render starts with a glide over silence long enough
  // to leave no trace of the one before.
  auto engine = std::make_unique<SpatialEngine>();
  int row = 0;
  for (int set = 0; set < 2; ++set) {
    for (int azimuth = 0; azimuth <= 180; azimuth += kSteps[set], ++row) {
      const auto& expected = kMeasuredAzimuthRenders[row];
      for (int mirrored = 0; mirrored < 2; ++mirrored) {
        const int rendered = mirrored ? (360 - azimuth) % 360 : azimuth;
        float ear[2][reference_render::kKept];
        reference_render::render(*engine, set, rendered, ear[0], ear[1]);
        float worst = 0.0f;
        for (int e = 0; e < 2; ++e)
          for (int i = 0; i < reference_render::kKept; ++i)
            worst = std::fmax(worst, std::fabs(ear[mirrored ? 1 - e : e][i] - expected[e][i]));
        EXPECT_LE(worst, kTolerance) << "set " << set << ", " << rendered << " degrees";
      }
    }
  }
  EXPECT_EQ(row, static_cast<int>(std::size(kMeasuredAzimuthRenders)));
}

using quendral_test::Ears;
using quendral_test::itdMicroseconds;
using quendral_test::thirdOctaveLevels;

constexpr int kF = engine::kFrameSize;
constexpr double kRates[] = {44100.0, 48000.0, 88200.0, 96000.0, 192000.0};

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
    SpatialEngine engine;
    ASSERT_TRUE(engine.setSampleRate(rate)) << rate;
    Ears ears;
    for (int i = 0; i < 4; ++i) {
      impulseAt(engine, itdAngles[i], ears);
      const double itd = itdMicroseconds(ears[0], ears[1], rate);
      if (rate == kRates[0]) referenceItd[i] = itd;
      EXPECT_NEAR(itd, referenceItd[i], 23.0) << rate << " Hz, " << itdAngles[i] << " degrees";
    }
    for (int i = 0; i < 2; ++i) {
      impulseAt(engine, notchAngles[i], ears);  // channel 1 is the near ear for 0..180
      const double notch = earNotchHz(ears[1], rate);
      if (rate == kRates[0]) referenceNotch[i] = notch;
      EXPECT_NEAR(notch / referenceNotch[i], 1.0, 0.02) << rate << " Hz, " << notchAngles[i];
    }
  }
}

TEST(SampleRates, InBetweenAzimuthsMatchTheirNeighboursBlendInDecibels) {
  for (double rate : {44100.0, 96000.0}) {
    SpatialEngine engine;
    ASSERT_TRUE(engine.setSampleRate(rate)) << rate;
    for (float angle : {2.5f, 93.0f, 272.5f}) {
      const float folded = angle <= 180.0f ? angle : 360.0f - angle;
      const float lowerAngle = 5.0f * std::floor(folded / 5.0f);
      const float w = (folded - lowerAngle) / 5.0f;
      const float mirrorOf = angle <= 180.0f ? 0.0f : 360.0f;
      Ears at, below, above;
      impulseAt(engine, angle, at);
      impulseAt(engine, std::fmod(std::fabs(mirrorOf - lowerAngle), 360.0f), below);
      impulseAt(engine, std::fmod(std::fabs(mirrorOf - lowerAngle - 5.0f), 360.0f), above);
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

// A rate change restarts the filters' history from silence.
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
