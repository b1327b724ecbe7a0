// The envelope LFO: rates, crossings, direction, tempo sync, placement and bad envelopes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "angle_modulator.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

class FakeTempo : public TempoSource {
 public:
  bool hostTempo(double& beatsPerMinute) override {
    ++requests;
    if (!valid) return false;
    beatsPerMinute = bpm;
    return true;
  }
  double bpm = 120.0;
  bool valid = true;
  int requests = 0;
};

class Modulator : public ::testing::Test {
 protected:
  // What the parameter code does after a change of speed, position or envelope.
  void start(float speed, float position = 0.0f, int divide = 1) {
    m.lfoSpeed.store(speed, kRelaxed);
    m.lfoPosition.store(position, kRelaxed);
    m.lfoDivide.store(divide, kRelaxed);
    m.rebuildSegmentRates();
    m.placeOnEnvelope();
  }
  void setValues(std::initializer_list<float> values) {
    int i = 0;
    for (float v : values) m.pointValues[i++].store(v, kRelaxed);
  }
  void setTimes(std::initializer_list<float> times) {
    int i = 0;
    for (float t : times) m.pointTimes[i++].store(t, kRelaxed);
  }
  float angle() const { return m.targetAngle.load(kRelaxed); }
  float position() const { return m.lfoPosition.load(kRelaxed); }

  // Frames until the LFO crosses point 8 and starts again at point 1.
  int framesPerCycle(int limit) {
    for (int frame = 1; frame <= limit; ++frame) {
      const int from = m.fromPoint.load(kRelaxed);
      m.advanceModulator(nullptr);
      if (from != 0 && m.fromPoint.load(kRelaxed) == 0) return frame;
    }
    return -1;
  }

  AngleModulator m;
};

TEST_F(Modulator, DefaultRampRisesAtItsRateAndWrapsOncePerSecond) {
  start(1.0f);
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(m.angleRate[i].load(kRelaxed), 46080.0f / 44100.0f, 1e-5f) << i;
  EXPECT_EQ(m.angleRate[7].load(kRelaxed),
            0.0f);  // point 8 (value 1) and point 1 (value 0) coincide
  EXPECT_FLOAT_EQ(angle(), -180.0f);
  m.advanceModulator(nullptr);
  EXPECT_NEAR(angle(), -180.0f + 1.0449f, 1e-4f);
  EXPECT_NEAR(position(), 128.0f / 44100.0f, 1e-7f);
  // One cycle of 44100 samples is 344.53 frames; crossings drop their overshoot, so each
  // of the seven segments takes up to two frames more than its exact share of 49.2.
  const int frames = framesPerCycle(1000);
  EXPECT_GE(frames, 344);
  EXPECT_LE(frames, 358);
  EXPECT_FLOAT_EQ(angle(), -180.0f);  // the jump lands on point 1's angle
}

TEST_F(Modulator, DividerSlowsTheCycleAndBadDivisorsActAsOne) {
  start(1.0f, 0.0f, 11);
  const int frames = framesPerCycle(5000);
  EXPECT_GE(frames, 11 * 344);
  EXPECT_LE(frames, 11 * 345 + 14);

  for (int divide : {0, -3}) {
    start(1.0f, 0.0f, divide);
    m.advanceModulator(nullptr);
    EXPECT_NEAR(position(), 128.0f / 44100.0f, 1e-7f) << divide;
  }
}

TEST_F(Modulator, TakesTheShorterWayRoundAndHalfATurnDirectly) {
  setValues({0.9f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f});
  start(1.0f);
  EXPECT_GT(m.angleRate[0].load(kRelaxed), 0.0f);  // 0.9 -> 0.1 goes up through +180
  const float before = angle();
  m.advanceModulator(nullptr);
  EXPECT_GT(angle() > 0.0f ? angle() : angle() + 360.0f, before);

  setValues({0.2f, 0.7f, 0.7f, 0.7f, 0.7f, 0.7f, 0.7f, 0.7f});
  start(1.0f);
  EXPECT_GT(m.angleRate[0].load(kRelaxed), 0.0f);  // exactly 0.5: the direct way, rising
}

TEST_F(Modulator, PlacementPutsTheAngleOnTheEnvelope) {
  start(1.0f, 2.0f / 7.0f);  // exactly on point 3: the later segment
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 2);
  EXPECT_EQ(m.toPoint.load(kRelaxed), 3);
  EXPECT_FLOAT_EQ(angle(), 360.0f * (2.0f / 7.0f) - 180.0f);

  start(0.0f, 0.5f);  // stopped: indices as for backward travel
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 4);
  EXPECT_EQ(m.toPoint.load(kRelaxed), 3);
  EXPECT_NEAR(angle(), 0.0f, 1e-4f);
}

TEST_F(Modulator, BackwardTravelStaysOnTheEnvelope) {
  // Uneven segments, so neighbouring rates differ.
  setTimes({0.0f, 0.1f, 0.4f, 0.5f, 0.55f, 0.8f, 0.9f, 1.0f});
  setValues({0.0f, 0.3f, 0.35f, 0.8f, 0.6f, 0.65f, 0.1f, 0.2f});
  start(-1.0f, 0.97f);
  AngleModulator reference;  // places itself at each position the LFO reaches
  for (int i = 0; i < AngleModulator::kPoints; ++i) {
    reference.pointTimes[i].store(m.pointTimes[i].load(kRelaxed), kRelaxed);
    reference.pointValues[i].store(m.pointValues[i].load(kRelaxed), kRelaxed);
  }
  for (int frame = 0; frame < 300; ++frame) {
    const int from = m.fromPoint.load(kRelaxed);
    m.advanceModulator(nullptr);
    if (m.fromPoint.load(kRelaxed) != from) continue;  // crossings snap to the point
    // A step may carry the position up to one frame past the point it heads for; the
    // crossing follows in the next frame.
    if (position() < m.pointTimes[m.toPoint.load(kRelaxed)].load(kRelaxed)) continue;
    reference.lfoPosition.store(position(), kRelaxed);
    reference.lfoSpeed.store(-1.0f, kRelaxed);
    reference.placeOnEnvelope();
    float difference = std::remainder(angle() - reference.targetAngle.load(kRelaxed), 360.0f);
    ASSERT_NEAR(difference, 0.0f, 0.05f) << "frame " << frame << " position " << position();
  }
  EXPECT_LT(m.lfoSpeed.load(kRelaxed), 0.0f);
}

TEST_F(Modulator, TempoSyncFollowsTheHost) {
  FakeTempo host;
  m.syncToHost.store(1.0f, kRelaxed);
  start(0.3f, 0.0f, 2);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), 2.0f);
  EXPECT_NEAR(position(), 2.0f / 2.0f * 128.0f / 44100.0f, 1e-7f);

  start(-0.3f, 0.5f);
  m.advanceModulator(&host);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), -2.0f);

  host.valid = false;
  start(0.3f);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), 0.3f);

  host.bpm = std::numeric_limits<double>::quiet_NaN();
  host.valid = true;
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), 0.3f);

  m.syncToHost.store(0.5f, kRelaxed);  // not above 0.5: off, the host is not asked
  const int asked = host.requests;
  m.advanceModulator(&host);
  EXPECT_EQ(host.requests, asked);
}

TEST_F(Modulator, SyncStartingAStoppedLfoPlacesItOnTheEnvelope) {
  FakeTempo host;
  start(0.0f, 0.5f);
  m.targetAngle.store(90.0f, kRelaxed);  // the "angle" parameter moved it since
  m.syncToHost.store(1.0f, kRelaxed);
  m.advanceModulator(&host);
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 3);  // forward indices of the segment at 0.5
  EXPECT_EQ(m.toPoint.load(kRelaxed), 4);
  EXPECT_NEAR(angle(), 0.0f + 2.0f * 1.0449f, 1e-3f);  // on the ramp, moved one step
}

TEST_F(Modulator, DegenerateSegmentsAndBadValuesNeverHangOrPoison) {
  setTimes({0.0f, 0.3f, 0.3f, 0.2f, 0.5f, 0.6f, 0.7f, 1.0f});  // zero and negative length
  start(1.0f, 0.3f);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(std::isfinite(m.angleRate[i].load(kRelaxed))) << i;
  EXPECT_TRUE(std::isfinite(angle()));
  for (int frame = 0; frame < 1000; ++frame) {
    m.advanceModulator(nullptr);
    ASSERT_TRUE(std::isfinite(angle()) && angle() >= -180.0f && angle() <= 180.0f) << frame;
    ASSERT_TRUE(std::isfinite(position())) << frame;
  }

  // A huge target is wrapped in one go; an infinite one does not hang the wrap.
  m.lfoSpeed.store(0.0f, kRelaxed);
  m.targetAngle.store(1e30f, kRelaxed);
  m.advanceModulator(nullptr);
  EXPECT_TRUE(angle() >= -180.0f && angle() <= 180.0f);
  m.targetAngle.store(std::numeric_limits<float>::infinity(), kRelaxed);
  m.advanceModulator(nullptr);
  // Out-of-range segment indices are repaired rather than used.
  m.fromPoint.store(40, kRelaxed);
  m.lfoSpeed.store(1.0f, kRelaxed);
  m.advanceModulator(nullptr);
  EXPECT_LT(m.fromPoint.load(kRelaxed), AngleModulator::kPoints);
  EXPECT_LT(m.toPoint.load(kRelaxed), AngleModulator::kPoints);
}

}  // namespace

}  // namespace panner
