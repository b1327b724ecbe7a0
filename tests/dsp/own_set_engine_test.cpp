// The engine with a user's own response set: what it plays at the measured directions and
// at other host rates, that an installed set changes nothing while it is off, that switching
// crossfades. (Sets loaded while audio runs: engine_threads_test.cpp.)
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "../sofa/ear_measures.h"
#include "engine_frames.h"
#include "own_set_tables.h"
#include "response_sets.h"
#include "synthetic_head.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;
// The engine's output for a unit impulse is the filter times 4 x the set's level factor.
constexpr double kImpulseScale = 4.0 * ResponseSets::kSetOneGain;

// The engine's impulse response on `channel` at `azimuth`, `frames` frames long.
std::vector<double> impulse(SpatialEngine& engine, float azimuth, int channel, int frames) {
  quendral_test::Ears ears;
  quendral_test::engineImpulse(engine, azimuth, frames, ears);
  return ears[channel];
}

void settle(SpatialEngine& engine, float azimuth) { impulse(engine, azimuth, 0, 0); }

// Frames of noise (the same on every call), switching the own set on or off before
// frame `switchAt`.
std::vector<float> noiseRender(SpatialEngine& engine, int frames, int switchAt, bool switchTo) {
  std::mt19937 generator(11);
  return noiseFrames(engine, generator, frames, [&](int frame) {
    if (frame == switchAt) engine.useOwnSet.store(switchTo, kRelaxed);
  });
}

}  // namespace

// A reflection 300 taps late makes the responses three partitions long: the frame's
// frequency-domain delay line is checked tap for tap too.
TEST(OwnSetEngine, PlaysTheRingAsPreparedAtItsMeasuredDirections) {
  SofaMeasurements m = synthetic_head::ring(44100.0, 0.0f, 350.0f, 10.0f, 400);
  for (size_t i = 300; i < m.responses.size(); i += 400) m.responses[i] = 0.3f;
  const auto set = synthetic_head::prepared(m);
  ASSERT_GT(set->length, 2 * kF);
  SpatialEngine engine;
  ASSERT_TRUE(engine.setOwnResponseSet(set));
  engine.useOwnSet.store(true, kRelaxed);
  for (float azimuth : {0.0f, 90.0f, 130.0f, 270.0f}) {
    int row = 0;
    while (set->angles[row] != azimuth) ++row;
    const int frames = (set->length + kF - 1) / kF + 1;
    for (int channel = 0; channel < 2; ++channel) {
      const std::vector<double> r = impulse(engine, azimuth, channel, frames);
      EXPECT_TRUE(engine.ownSetPlaying());
      for (int i = 0; i < frames * kF; ++i) {
        const double expected =
            i < set->length ? kImpulseScale * set->response(row, channel)[i] : 0.0;
        ASSERT_NEAR(r[i], expected, 1e-6) << azimuth << " channel " << channel << " tap " << i;
      }
    }
  }
}

TEST(OwnSetEngine, ArrivalsStayInSecondsAtOtherHostAndFileRates) {
  // The file's ring at 48 kHz, heard at 44.1 and 96 kHz; the ears' arrival difference is the
  // head's at every rate, between measured directions too.
  const auto set = synthetic_head::prepared(synthetic_head::ring(48000.0, 0.0f, 345.0f, 15.0f));
  for (double rate : {44100.0, 96000.0}) {
    SpatialEngine engine;
    ASSERT_TRUE(engine.setSampleRate(rate));
    ASSERT_TRUE(engine.setOwnResponseSet(set));
    engine.useOwnSet.store(true, kRelaxed);
    for (float azimuth : {30.0f, 60.0f, 300.0f}) {
      quendral_test::Ears ears;
      quendral_test::engineImpulse(engine, azimuth, 4, ears);
      const double leftLater = quendral_test::itdMicroseconds(ears[0], ears[1], rate);
      const double sofa = -azimuth;
      const double expected =
          synthetic_head::arrivalSeconds(0, sofa) - synthetic_head::arrivalSeconds(1, sofa);
      // Within 1.5 samples at 48 kHz, where each click was rounded to a whole sample.
      EXPECT_NEAR(leftLater, expected * 1e6, 31.0) << rate << " Hz, " << azimuth;
    }
  }
}

TEST(OwnSetEngine, InstalledButOffChangesNothingAndSwitchingCrossfades) {
  const auto set = synthetic_head::prepared(synthetic_head::ring(44100.0, 0.0f, 355.0f, 5.0f));
  SpatialEngine plain, loaded, own;
  ASSERT_TRUE(loaded.setOwnResponseSet(set));
  ASSERT_TRUE(own.setOwnResponseSet(set));
  own.useOwnSet.store(true, kRelaxed);
  for (SpatialEngine* e : {&plain, &loaded, &own}) settle(*e, 40.0f);
  EXPECT_EQ(noiseRender(loaded, 30, -1, false), noiseRender(plain, 30, -1, false));

  // Three engines with the same history: built-in, own, and one switched at frame 10.
  SpatialEngine switched;
  ASSERT_TRUE(switched.setOwnResponseSet(set));
  settle(switched, 40.0f);
  settle(plain, 40.0f);
  settle(own, 40.0f);
  const std::vector<float> a = noiseRender(plain, 14, -1, false);
  const std::vector<float> b = noiseRender(own, 14, -1, false);
  const std::vector<float> c = noiseRender(switched, 14, 10, true);
  for (int frame = 0; frame < 14; ++frame) {
    for (int channel = 0; channel < 2; ++channel) {
      for (int i = 0; i < kF; ++i) {
        const size_t at = (static_cast<size_t>(frame) * 2 + channel) * kF + i;
        const float expected = frame < 10    ? a[at]
                               : frame == 10 ? a[at] + (b[at] - a[at]) * (i / 128.0f)
                                             : b[at];
        ASSERT_NEAR(c[at], expected, 1e-5f) << "frame " << frame << " sample " << i;
      }
    }
  }
  // And back: the built-in set again, crossfaded over one frame.
  const std::vector<float> back = noiseRender(switched, 3, 1, false);
  const std::vector<float> plainAgain = noiseRender(plain, 3, -1, false);
  for (size_t i = 2 * 2 * kF; i < back.size(); ++i) ASSERT_NEAR(back[i], plainAgain[i], 1e-5f);
}

TEST(OwnSetEngine, TheLongestSetFitsThePartitionLimitAtTheHighestRate) {
  // The longest responses the limits allow, at the highest rate: they fit the engine.
  SofaMeasurements m = synthetic_head::ring(44100.0, 0.0f, 315.0f, 45.0f, 880);
  for (size_t i = 0; i < m.responses.size(); ++i)
    if (i % 880 > 40) m.responses[i] = ((i * 7919) % 13) * 0.001f;
  const auto set = synthetic_head::prepared(m);
  ASSERT_TRUE(set);
  EXPECT_GT(set->length, 850);
  const auto tables = OwnSetTables::build(*set, 384000.0);
  ASSERT_TRUE(tables);
  EXPECT_LE(tables->partitions(), OwnSetTables::kMaxPartitions);
  EXPECT_GE(tables->partitions() * kF, tables->responseLength());
  EXPECT_FALSE(OwnSetTables::build(*set, 7999.0));
  EXPECT_FALSE(OwnSetTables::build(*set, 400000.0));
}

}  // namespace panner
