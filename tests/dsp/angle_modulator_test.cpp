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

// A host that also reports its song position (at the block's first sample).
class FakeSong : public FakeTempo {
 public:
  bool hostPosition(double& quarterNotes, bool& isPlaying) override {
    if (!positionValid) return false;
    quarterNotes = beat;
    isPlaying = playing;
    return true;
  }
  double beat = 0.0;
  bool playing = true;
  bool positionValid = true;
};

// The fractional part, 0 <= f < 1.
double frac(double x) { return x - std::floor(x); }

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

  // The angle a placement finds on this envelope at `at`, travelling at `speed`.
  float placedAngle(float at, float speed) const {
    AngleModulator reference;
    for (int i = 0; i < AngleModulator::kPoints; ++i) {
      reference.pointTimes[i].store(m.pointTimes[i].load(kRelaxed), kRelaxed);
      reference.pointValues[i].store(m.pointValues[i].load(kRelaxed), kRelaxed);
    }
    reference.lfoPosition.store(at, kRelaxed);
    reference.lfoSpeed.store(speed, kRelaxed);
    reference.placeOnEnvelope();
    return reference.targetAngle.load(kRelaxed);
  }

  AngleModulator m;
};

TEST_F(Modulator, DefaultRampRisesAtItsRateAndWrapsOncePerSecond) {
  start(1.0f);
  EXPECT_FLOAT_EQ(angle(), -180.0f);
  m.advanceModulator(nullptr);
  EXPECT_NEAR(angle(), -180.0f + 1.0449f, 1e-4f);
  EXPECT_NEAR(position(), 128.0f / 44100.0f, 1e-7f);
  // One cycle of 44100 samples is 344.53 frames: the 345th (the first was taken above)
  // passes point 8, and the time the step had left carries on up the ramp from point 1.
  EXPECT_EQ(framesPerCycle(1000), 344);
  const float left = 345.0f * 128.0f / 44100.0f - 1.0f;
  EXPECT_NEAR(position(), left, 1e-6f);
  EXPECT_NEAR(angle(), -180.0f + 360.0f * left, 1e-3f);
}

TEST_F(Modulator, DividerSlowsTheCycleAndBadDivisorsActAsOne) {
  start(1.0f, 0.0f, 11);
  EXPECT_EQ(framesPerCycle(5000), 3790);  // 11 x 344.53 frames

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
  for (int frame = 0; frame < 300; ++frame) {
    const int from = m.fromPoint.load(kRelaxed);
    m.advanceModulator(nullptr);
    if (m.fromPoint.load(kRelaxed) != from) continue;  // crossings snap to the point
    // A step may carry the position up to one frame past the point it heads for; the
    // crossing follows in the next frame.
    if (position() < m.pointTimes[m.toPoint.load(kRelaxed)].load(kRelaxed)) continue;
    ASSERT_NEAR(std::remainder(angle() - placedAngle(position(), -1.0f), 360.0f), 0.0f, 0.05f)
        << "frame " << frame << " position " << position();
  }
  EXPECT_LT(m.lfoSpeed.load(kRelaxed), 0.0f);
}

// Sync runs the sweep at the host's tempo (one cycle per `divide` beats), in the direction
// it had; without a usable tempo the sweep keeps its own speed, and with sync off (not above
// 0.5) the host is not asked. Sync starting a stopped LFO places it on the envelope.
TEST_F(Modulator, TempoSyncFollowsTheHost) {
  FakeTempo host;
  m.syncToHost.store(1.0f, kRelaxed);
  start(0.3f, 0.0f, 2);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), 2.0f);
  EXPECT_NEAR(position(), 2.0f / 2.0f * 128.0f / 44100.0f, 1e-7f);
  start(-0.3f, 0.5f);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), -2.0f);

  for (const double bpm : {120.0, std::numeric_limits<double>::quiet_NaN()}) {
    host.valid = bpm != 120.0;
    host.bpm = bpm;
    start(0.3f);
    m.advanceModulator(&host);
    EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), 0.3f) << bpm;
  }
  m.syncToHost.store(0.5f, kRelaxed);
  const int asked = host.requests;
  m.advanceModulator(&host);
  EXPECT_EQ(host.requests, asked);

  host.valid = true;
  host.bpm = 120.0;
  start(0.0f, 0.5f);
  m.targetAngle.store(90.0f, kRelaxed);  // the "angle" parameter moved it since
  m.syncToHost.store(1.0f, kRelaxed);
  m.advanceModulator(&host);
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 3);  // forward indices of the segment at 0.5
  EXPECT_EQ(m.toPoint.load(kRelaxed), 4);
  EXPECT_NEAR(angle(), 0.0f + 2.0f * 1.0449f, 1e-3f);  // on the ramp, moved one step
}

TEST_F(Modulator, NoTimeIsLostAtCrossings) {
  // Uneven segments with a flat one: many crossings per cycle, each mid-frame.
  setTimes({0.0f, 0.05f, 0.3f, 0.3f, 0.42f, 0.77f, 0.9f, 1.0f});
  setValues({0.0f, 0.9f, 0.2f, 0.4f, 0.4f, 0.75f, 0.1f, 0.5f});
  for (float rate : {8000.0f, 44100.0f, 384000.0f}) {
    for (float speed : {1.0f, 0.25f, -0.3f, 0.01f}) {
      for (int divide : {1, 11}) {
        m.setSampleRate(rate);
        start(speed, 0.6f, divide);
        const int frames = static_cast<int>(rate / 128.0f * 3.0f);  // three seconds
        for (int frame = 0; frame < frames; ++frame) m.advanceModulator(nullptr);
        const double expected = frac(0.6 + frames * (128.0 / rate) * speed / divide);
        ASSERT_NEAR(position(), expected, 2e-6)
            << rate << " Hz, speed " << speed << " / " << divide;
        // The angle is the envelope's at that position, as a placement finds it.
        EXPECT_NEAR(std::remainder(angle() - placedAngle(position(), speed), 360.0f), 0.0f, 0.01f)
            << rate << " Hz, speed " << speed << " / " << divide;
      }
    }
  }
}

TEST_F(Modulator, LockedSyncTakesThePositionFromTheSong) {
  FakeSong host;  // 120 beats per minute: two beats per second
  m.syncToHost.store(1.0f, kRelaxed);
  start(0.3f, 0.9f, 8);  // one cycle per eight beats (two bars of four)
  host.beat = 64.0;      // bar 17
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), 2.0f);
  EXPECT_NEAR(position(), 0.0, 1e-7);  // the cycle starts on the bar, not where it stood
  EXPECT_NEAR(angle(), -180.0f, 1e-4f);

  // A frame that ends 441 samples into the block is 0.02 beats later.
  host.beat = 17.0;
  m.advanceModulator(&host, 441);
  EXPECT_NEAR(position(), frac(17.02 / 8.0), 1e-7);
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 0);
  EXPECT_EQ(m.toPoint.load(kRelaxed), 1);
  EXPECT_NEAR(angle(), -180.0f + 360.0f * static_cast<float>(frac(17.02 / 8.0)), 1e-3f);

  // Only the first locked frame asks for the angle to be taken at once.
  host.playing = false;
  EXPECT_FALSE(m.advanceModulator(&host));
  host.playing = true;
  EXPECT_TRUE(m.advanceModulator(&host));
  EXPECT_FALSE(m.advanceModulator(&host));

  // Before the song's start (a pre-roll) the cycle is still counted from beat 0.
  host.beat = -1.0;
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), 0.875, 1e-7);

  // Running backward, the position runs down as the song runs on.
  start(-0.3f, 0.2f, 8);
  host.beat = 17.0;
  m.advanceModulator(&host, 441);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), -2.0f);
  EXPECT_NEAR(position(), frac(-17.02 / 8.0), 1e-7);
  EXPECT_EQ(m.fromPoint.load(kRelaxed) - m.toPoint.load(kRelaxed), 1);

  // Without sync the song position is not even asked for.
  m.syncToHost.store(0.0f, kRelaxed);
  start(0.25f, 0.5f, 1);
  host.beat = 3.0;
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), 0.5 + 0.25 * 128.0 / 44100.0, 1e-6);
}

TEST_F(Modulator, StoppedTransportOrNoPositionRunsOnFromWhereItStands) {
  FakeSong host;
  m.syncToHost.store(1.0f, kRelaxed);
  start(0.3f, 0.0f, 8);
  host.beat = 10.0;
  m.advanceModulator(&host);
  const double locked = frac(10.0 / 8.0);
  EXPECT_NEAR(position(), locked, 1e-7);

  // Stopped: the sweep runs on at the host's tempo from the locked position.
  host.playing = false;
  host.beat = 0.0;
  m.advanceModulator(&host);
  const double step = 2.0 / 8.0 * 128.0 / 44100.0;
  EXPECT_NEAR(position(), locked + step, 1e-6);
  // No position at all: the same.
  host.positionValid = false;
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), locked + 2.0 * step, 1e-6);

  // A NaN position is no position either.
  host.positionValid = true;
  host.playing = true;
  host.beat = std::numeric_limits<double>::quiet_NaN();
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), locked + 3.0 * step, 1e-6);

  // A stopped LFO that no tempo restarts stays stopped: the song does not move it.
  host.valid = false;
  host.beat = 5.0;
  start(0.0f, 0.4f, 8);
  const float standing = angle();
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(position(), 0.4f);
  EXPECT_FLOAT_EQ(angle(), standing);
}

TEST_F(Modulator, SettingThePositionWhileLockedLastsUntilTheNextFrame) {
  FakeSong host;
  m.syncToHost.store(1.0f, kRelaxed);
  start(-0.3f, 0.0f, 4);
  host.beat = 1.0;
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), frac(-0.25), 1e-7);
  // What "lfo position" does: the position is shown at once and the LFO stops...
  m.lfoPosition.store(0.6f, kRelaxed);
  m.lfoSpeed.store(0.0f, kRelaxed);
  m.rebuildSegmentRates();
  m.placeOnEnvelope();
  EXPECT_FLOAT_EQ(position(), 0.6f);
  // ...and the sync starts it again forward, where the song position takes over.
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(m.lfoSpeed.load(kRelaxed), 2.0f);
  EXPECT_NEAR(position(), 0.25, 1e-7);
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
