// A user's own response set: from a SOFA file's measurements to the ring, and its sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "../sofa/ear_measures.h"
#include "audio_compare.h"
#include "engine_frames.h"
#include "own_response_set.h"
#include "own_set_tables.h"
#include "response_sets.h"
#include "synthetic_head.h"

namespace panner {
namespace {

using quendral_test::onset;
using synthetic_head::ring;

int rowAt(const OwnResponseSet& set, float angle) {
  for (int row = 0; row < set.rows(); ++row)
    if (std::fabs(set.angles[row] - angle) < 1e-3f) return row;
  return -1;
}

TEST(OwnResponseSet, FullRingRunsClockwiseWithTheRightEarOnChannelOne) {
  SofaMeasurements m = ring(44100.0, 0.0f, 350.0f, 10.0f);
  // A direction off the ring that leaves the sphere open, and a second distance with fewer
  // directions, are not used: the ring plays alone, and the status says why.
  synthetic_head::addMeasurement(m, 45.0f, 30.0f, 1.5f);
  synthetic_head::addMeasurement(m, 45.0f, 0.0f, 0.5f);
  OwnResponseSet set;
  std::string status;
  ASSERT_TRUE(prepareOwnResponseSet(m, set, status)) << status;
  EXPECT_EQ(set.rows(), 36);
  EXPECT_FALSE(set.mirrored);
  EXPECT_FLOAT_EQ(set.widestGap, 10.0f);
  EXPECT_EQ(set.name, "synthetic head");
  EXPECT_NE(status.find("36 directions"), std::string::npos) << status;
  EXPECT_NE(
      status.find("the ring alone plays: off the ring a single measured direction at elevation 30"),
      std::string::npos)
      << status;
  // The common leading silence is trimmed; the differences between the ears stay.
  const int right = rowAt(set, 90.0f), n = set.length;
  ASSERT_GE(right, 0);
  EXPECT_EQ(onset(set.response(right, 1), n, 0.5f), 0);
  EXPECT_EQ(onset(set.response(right, 0), n, 0.5f) - onset(set.response(right, 1), n, 0.5f), 16);
}

TEST(OwnResponseSet, OneHalfIsMirroredAndItsGapsCountAcrossTheMirrorLine) {
  // The file's left half (0..180 counter-clockwise) is our 180..360: mirrored, ears exchanged.
  OwnResponseSet set;
  std::string status;
  ASSERT_TRUE(prepareOwnResponseSet(ring(44100.0, 0.0f, 180.0f, 15.0f), set, status)) << status;
  EXPECT_TRUE(set.mirrored);
  EXPECT_EQ(set.rows(), 13);
  EXPECT_FLOAT_EQ(set.angles.back(), 180.0f);
  const int row = rowAt(set, 90.0f);
  const int n = set.length;
  EXPECT_LT(onset(set.response(row, 1), n, 0.5f), onset(set.response(row, 0), n, 0.5f));
  // Our right half as measured: 10..170 leaves 20 degrees across 0 and across 180.
  ASSERT_TRUE(prepareOwnResponseSet(ring(44100.0, 190.0f, 350.0f, 10.0f), set, status)) << status;
  EXPECT_TRUE(set.mirrored);
  EXPECT_FLOAT_EQ(set.widestGap, 20.0f);
  EXPECT_FLOAT_EQ(set.angles.front(), 10.0f);
}

TEST(OwnResponseSet, NearestRingWithinFiveDegreesAndTheFilesDelays) {
  SofaMeasurements m;
  m.sampleRate = 48000.0;
  m.taps = 96;
  for (float a = 0.0f; a < 360.0f; a += 30.0f) synthetic_head::addMeasurement(m, a, 3.0f, 1.0f);
  // Data.Delay: the right ear 2.5 samples later everywhere.
  for (int i = 0; i < m.count; ++i) m.delays[2 * i + 1] = 2.5f;
  OwnResponseSet set;
  std::string status;
  ASSERT_TRUE(prepareOwnResponseSet(m, set, status)) << status;
  EXPECT_FLOAT_EQ(set.elevation, 3.0f);
  EXPECT_NE(status.find("elevation 3"), std::string::npos) << status;
  // Straight ahead both clicks arrive together in the file; the delay moves the right one.
  const std::vector<double> leftEar(set.response(0, 0), set.response(0, 0) + set.length),
      rightEar(set.response(0, 1), set.response(0, 1) + set.length);
  const double lag =
      -quendral_test::itdMicroseconds(leftEar, rightEar, m.sampleRate) * 1e-6 * m.sampleRate;
  EXPECT_NEAR(lag, 2.5, 0.1);

  for (int i = 0; i < m.count; ++i) m.positions[3 * i + 1] = 7.0f;
  EXPECT_FALSE(prepareOwnResponseSet(m, set, status));
  EXPECT_NE(status.find("no usable ring"), std::string::npos) << status;
}

TEST(OwnResponseSet, RefusalsNameTheProblemAndChangeNothing) {
  OwnResponseSet kept;
  std::string status;
  ASSERT_TRUE(prepareOwnResponseSet(ring(44100.0, 0.0f, 350.0f, 10.0f), kept, status));
  const OwnResponseSet before = kept;
  struct Case {
    const char* expected;
    SofaMeasurements m;
  };
  std::vector<Case> cases;
  auto add = [&](const char* expected, auto change) {
    SofaMeasurements m = ring(44100.0, 0.0f, 350.0f, 10.0f);
    change(m);
    cases.push_back({expected, m});
  };
  add("sample rate", [](SofaMeasurements& m) { m.sampleRate = 0.0; });
  add("sample rate", [](SofaMeasurements& m) { m.sampleRate = 400000.0; });
  add("silent", [](SofaMeasurements& m) {
    std::fill(m.responses.begin() + 3 * 2 * 96, m.responses.begin() + 3 * 2 * 96 + 96, 0.0f);
  });
  add("gaps too wide", [](SofaMeasurements& m) { m = ring(44100.0, 0.0f, 300.0f, 60.0f); });
  add("delay", [](SofaMeasurements& m) { m.delays[7] = -1.0f; });
  add("no measurements", [](SofaMeasurements& m) { m.responses.pop_back(); });
  add("too long", [](SofaMeasurements& m) {
    // A tail that keeps its energy for 30 ms.
    m = ring(44100.0, 0.0f, 350.0f, 10.0f, 1400);
    for (size_t i = 0; i < m.responses.size(); ++i)
      if (i % 1400 > 100) m.responses[i] = (i % 7 == 0) ? 0.1f : 0.0f;
  });
  add("too large", [](SofaMeasurements& m) {
    // 720 directions of 1500 taps at 96 kHz: more than two million values.
    m = ring(96000.0, 0.0f, 359.5f, 0.5f, 1500);
    for (size_t i = 0; i < m.responses.size(); ++i)
      if (i % 1500 > 1400) m.responses[i] = 0.05f;
  });
  for (const Case& c : cases) {
    OwnResponseSet set = before;
    EXPECT_FALSE(prepareOwnResponseSet(c.m, set, status)) << c.expected;
    EXPECT_NE(status.find(c.expected), std::string::npos) << status;
    EXPECT_EQ(status.find('\n'), std::string::npos) << status;
    EXPECT_EQ(set.taps, before.taps) << c.expected;
    EXPECT_EQ(set.angles, before.angles) << c.expected;
  }

  // A ring from a saved project is held to the same limits.
  const std::function<void(OwnResponseSet&)> damages[] = {
      [](OwnResponseSet& r) { std::swap(r.angles[3], r.angles[4]); },
      [](OwnResponseSet& r) { r.taps[17] = std::numeric_limits<float>::infinity(); },
      [](OwnResponseSet& r) { r.rate = 1000.0; },
      [](OwnResponseSet& r) {  // 70 degrees between 70 and 0
        r.angles.resize(8);
        r.taps.resize(8 * 2 * r.length);
      }};
  for (size_t i = 0; i < std::size(damages); ++i) {
    OwnResponseSet changed = before;
    damages[i](changed);
    EXPECT_FALSE(checkOwnResponseSet(changed, status)) << i;
  }
  OwnResponseSet unchanged = before;
  EXPECT_TRUE(checkOwnResponseSet(unchanged, status)) << status;
}

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
  for (SpatialEngine* e : {&switched, &plain, &own}) settle(*e, 40.0f);
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

}  // namespace
}  // namespace panner
