// The angle's motion: the envelope LFO, its timing through the engine, and the glide.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "angle_modulator.h"
#include "angle_slew.h"
#include "block_processor.h"
#include "spatial_engine.h"

namespace panner {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A host reporting a tempo and, when positionValid, the song position of the block's start;
// advance() runs the song on by the samples played at `rate`.
class FakeSong : public TempoSource {
 public:
  bool hostTempo(double& beatsPerMinute) override {
    ++requests;
    beatsPerMinute = bpm;
    return tempoValid;
  }
  bool hostPosition(double& quarterNotes, bool& isPlaying) override {
    quarterNotes = beat;
    isPlaying = playing;
    return positionValid;
  }
  void advance(int samples) { beat += samples / rate * bpm / 60.0; }
  double bpm = 120.0, beat = 0.0, rate = 44100.0;
  bool tempoValid = true, positionValid = true, playing = true;
  int requests = 0;
};

double frac(double x) { return x - std::floor(x); }

// What the parameter code does after a change of speed, position or envelope.
void startLfo(AngleModulator& m, float speed, float position = 0.0f, int divide = 1) {
  m.lfoSpeed.store(speed, kRelaxed);
  m.lfoPosition.store(position, kRelaxed);
  m.lfoDivide.store(divide, kRelaxed);
  m.rebuildSegmentRates();
  m.placeOnEnvelope();
}

class Modulator : public ::testing::Test {
 protected:
  void start(float speed, float position = 0.0f, int divide = 1) {
    startLfo(m, speed, position, divide);
  }
  void setEnvelope(std::initializer_list<float> times, std::initializer_list<float> values) {
    int i = 0;
    for (float t : times) m.pointTimes[i++].store(t, kRelaxed);
    i = 0;
    for (float v : values) m.pointValues[i++].store(v, kRelaxed);
  }
  float angle() const { return m.targetAngle.load(kRelaxed); }
  float position() const { return m.lfoPosition.load(kRelaxed); }
  float speed() const { return m.lfoSpeed.load(kRelaxed); }

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

// The default envelope is one rise round the circle; divisors below one act as one.
TEST_F(Modulator, DefaultRampRisesOncePerCycleAndTheDividerSlowsIt) {
  start(1.0f);
  EXPECT_FLOAT_EQ(angle(), -180.0f);
  m.advanceModulator(nullptr);
  EXPECT_NEAR(angle(), -180.0f + 1.0449f, 1e-4f);
  // One cycle of 44100 samples is 344.53 frames: the 345th passes point 8, and the time the
  // step had left carries on up the ramp from point 1.
  EXPECT_EQ(framesPerCycle(1000), 344);
  const float left = 345.0f * 128.0f / 44100.0f - 1.0f;
  EXPECT_NEAR(position(), left, 1e-6f);
  EXPECT_NEAR(angle(), -180.0f + 360.0f * left, 1e-3f);

  start(1.0f, 0.0f, 11);
  EXPECT_EQ(framesPerCycle(5000), 3790);  // 11 x 344.53 frames
  for (int divide : {0, -3}) {
    start(1.0f, 0.0f, divide);
    m.advanceModulator(nullptr);
    EXPECT_NEAR(position(), 128.0f / 44100.0f, 1e-7f) << divide;
  }
}

// Uneven segments with a flat one, crossed mid-frame both ways at the lowest, measured and
// highest rates: position and angle are where the time puts them.
TEST_F(Modulator, NoTimeIsLostAtCrossingsInEitherDirection) {
  setEnvelope({0.0f, 0.05f, 0.3f, 0.3f, 0.42f, 0.77f, 0.9f, 1.0f},
              {0.0f, 0.9f, 0.2f, 0.4f, 0.4f, 0.75f, 0.1f, 0.5f});
  for (float rate : {8000.0f, 44100.0f, 384000.0f}) {
    for (float speed : {1.0f, 0.25f, -0.3f, 0.01f}) {
      for (int divide : {1, 11}) {
        m.setSampleRate(rate);
        start(speed, 0.6f, divide);
        const int frames = static_cast<int>(rate / 128.0f * 3.0f);  // three seconds
        for (int frame = 0; frame < frames; ++frame) m.advanceModulator(nullptr);
        const double expected = frac(0.6 + frames * (128.0 / rate) * speed / divide);
        ASSERT_NEAR(position(), expected, 2e-6) << rate << " Hz, " << speed << " / " << divide;
        const float reached = angle();
        m.placeOnEnvelope();  // where a placement at that position puts the angle
        EXPECT_NEAR(std::remainder(reached - angle(), 360.0f), 0.0f, 0.01f)
            << rate << " Hz, speed " << speed << " / " << divide;
      }
    }
  }
  // Half a turn between two points goes the direct way (rising); more goes the shorter way.
  setEnvelope({0.0f, 1.0f / 7, 2.0f / 7, 3.0f / 7, 4.0f / 7, 5.0f / 7, 6.0f / 7, 1.0f},
              {0.2f, 0.7f, 0.7f, 0.7f, 0.7f, 0.7f, 0.7f, 0.7f});
  start(1.0f);
  EXPECT_GT(m.angleRate[0].load(kRelaxed), 0.0f);
  m.pointValues[0].store(0.9f, kRelaxed);
  m.pointValues[1].store(0.1f, kRelaxed);
  start(1.0f);
  EXPECT_GT(m.angleRate[0].load(kRelaxed), 0.0f);  // 0.9 -> 0.1 goes up through +180
  // Exactly on a point the later segment is used; stopped, the indices are backward's.
  start(1.0f, 2.0f / 7.0f);
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 2);
  EXPECT_EQ(m.toPoint.load(kRelaxed), 3);
  start(0.0f, 0.5f);
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 4);
  EXPECT_EQ(m.toPoint.load(kRelaxed), 3);
}

// Sync runs at the host's tempo in the sweep's direction; without a tempo at its own speed;
// off (not above 0.5) the host is not asked; starting a stopped LFO places it.
TEST_F(Modulator, TempoSyncFollowsTheHostsTempo) {
  FakeSong host;
  host.positionValid = false;
  m.syncToHost.store(1.0f, kRelaxed);
  start(0.3f, 0.0f, 2);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(speed(), 2.0f);
  EXPECT_NEAR(position(), 128.0f / 44100.0f, 1e-7f);
  start(-0.3f, 0.5f);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(speed(), -2.0f);
  for (const double bpm : {120.0, kNaN}) {
    host.tempoValid = bpm != 120.0;
    host.bpm = bpm;
    start(0.3f);
    m.advanceModulator(&host);
    EXPECT_FLOAT_EQ(speed(), 0.3f) << bpm;
  }
  m.syncToHost.store(0.5f, kRelaxed);
  const int asked = host.requests;
  m.advanceModulator(&host);
  EXPECT_EQ(host.requests, asked);

  host.tempoValid = true;
  host.bpm = 120.0;
  start(0.0f, 0.5f);
  m.targetAngle.store(90.0f, kRelaxed);  // the "angle" parameter moved it since
  m.syncToHost.store(1.0f, kRelaxed);
  m.advanceModulator(&host);
  EXPECT_EQ(m.fromPoint.load(kRelaxed), 3);     // forward indices of the segment at 0.5
  EXPECT_NEAR(angle(), 2.0f * 1.0449f, 1e-3f);  // on the ramp, moved one step
}

TEST_F(Modulator, LockedSyncTakesThePositionFromThePlayingSong) {
  FakeSong host;  // 120 beats per minute: two beats per second
  m.syncToHost.store(1.0f, kRelaxed);
  start(0.3f, 0.9f, 8);  // one cycle per eight beats
  host.beat = 64.0;      // bar 17: the cycle starts on the bar, not where it stood
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(speed(), 2.0f);
  EXPECT_NEAR(position(), 0.0, 1e-7);
  // A frame that ends 441 samples into the block is 0.02 beats later.
  host.beat = 17.0;
  m.advanceModulator(&host, 441);
  EXPECT_NEAR(position(), frac(17.02 / 8.0), 1e-7);
  EXPECT_NEAR(angle(), -180.0f + 360.0f * static_cast<float>(frac(17.02 / 8.0)), 1e-3f);
  // Only the first locked frame asks for the angle to be taken at once.
  host.playing = false;
  EXPECT_FALSE(m.advanceModulator(&host));
  host.playing = true;
  EXPECT_TRUE(m.advanceModulator(&host));
  EXPECT_FALSE(m.advanceModulator(&host));
  host.beat = -1.0;  // a pre-roll: the cycle is still counted from beat 0
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), 0.875, 1e-7);
  start(-0.3f, 0.2f, 8);  // backward: the position runs down as the song runs on
  host.beat = 17.0;
  m.advanceModulator(&host, 441);
  EXPECT_NEAR(position(), frac(-17.02 / 8.0), 1e-7);

  // Stopped, with no position or a NaN one: the sweep runs on at the tempo from where it is.
  start(0.3f, 0.0f, 8);
  host.beat = 10.0;
  m.advanceModulator(&host);
  const double locked = frac(10.0 / 8.0), step = 2.0 / 8.0 * 128.0 / 44100.0;
  int steps = 0;
  for (const auto& [playing, valid, beat] :
       {std::tuple{false, true, 0.0}, std::tuple{true, false, 0.0}, std::tuple{true, true, kNaN}}) {
    host.playing = playing, host.positionValid = valid, host.beat = beat;
    m.advanceModulator(&host);
    EXPECT_NEAR(position(), locked + ++steps * step, 1e-6) << steps;
  }
  // Setting the position shows it at once and stops the LFO; the sync starts it again and
  // the song position takes over at the next frame.
  host.beat = 1.0;
  start(0.0f, 0.6f, m.lfoDivide.load(kRelaxed));
  EXPECT_FLOAT_EQ(position(), 0.6f);
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), 0.125, 1e-7);
  // A stopped LFO that no tempo restarts stays stopped: the song does not move it.
  host.tempoValid = false;
  start(0.0f, 0.4f, 8);
  m.advanceModulator(&host);
  EXPECT_FLOAT_EQ(position(), 0.4f);
  // Without sync the song position is not even asked for.
  m.syncToHost.store(0.0f, kRelaxed);
  start(0.25f, 0.5f, 1);
  m.advanceModulator(&host);
  EXPECT_NEAR(position(), 0.5 + 0.25 * 128.0 / 44100.0, 1e-6);
}

TEST_F(Modulator, DegenerateSegmentsAndBadValuesNeverHangOrPoison) {
  setEnvelope({0.0f, 0.3f, 0.3f, 0.2f, 0.5f, 0.6f, 0.7f, 1.0f}, {});  // zero and negative length
  start(1.0f, 0.3f);
  for (int frame = 0; frame < 1000; ++frame) {
    m.advanceModulator(nullptr);
    ASSERT_TRUE(std::isfinite(angle()) && angle() >= -180.0f && angle() <= 180.0f) << frame;
    ASSERT_TRUE(std::isfinite(position())) << frame;
  }
  // A huge target is wrapped in one go; an infinite one does not hang the wrap; segment
  // indices out of range are repaired rather than used.
  m.lfoSpeed.store(0.0f, kRelaxed);
  m.targetAngle.store(1e30f, kRelaxed);
  m.advanceModulator(nullptr);
  EXPECT_TRUE(angle() >= -180.0f && angle() <= 180.0f);
  m.targetAngle.store(std::numeric_limits<float>::infinity(), kRelaxed);
  m.advanceModulator(nullptr);
  m.fromPoint.store(40, kRelaxed);
  m.lfoSpeed.store(1.0f, kRelaxed);
  m.advanceModulator(nullptr);
  EXPECT_LT(m.fromPoint.load(kRelaxed), AngleModulator::kPoints);
  EXPECT_LT(m.toPoint.load(kRelaxed), AngleModulator::kPoints);
}

constexpr int kF = engine::kFrameSize;

// The engine behind its block processor, its LFO on the default ramp.
struct Engine {
  explicit Engine(double rate, float speed, float position, int divide, bool sync)
      : processor(engine) {
    EXPECT_TRUE(engine.setSampleRate(rate)) << rate;
    engine.modulator.syncToHost.store(sync ? 1.0f : 0.0f, kRelaxed);
    startLfo(engine.modulator, speed, position, divide);
  }
  void process(int frames, FakeSong* song = nullptr) {
    in.assign(static_cast<size_t>(frames), 0.0f);
    out0.resize(in.size());
    out1.resize(in.size());
    processor.processBlock(in.data(), out0.data(), out1.data(), frames,
                           BlockProcessor::Mode::kReplace, song);
    if (song) song->advance(frames);
  }
  float angle() const { return engine.currentAngleDegrees(); }
  SpatialEngine engine;
  BlockProcessor processor;
  std::vector<float> in, out0, out1;
};

TEST(ModulatorTiming, SyncedPositionIsTheSongsAtEachFrameWhateverTheBlocks) {
  // 120 beats per minute, one cycle per eight beats, the song starting in bar 17.
  constexpr double kRate = 44100.0;
  constexpr int kSamples = 3 * 44100 + 77;
  // The last frame that completes ends at this sample; its position is the song's there.
  const int lastFrameEnd = kSamples / kF * kF;
  for (int block : {1, 37, 4096}) {
    Engine e(kRate, 0.1f, 0.3f, 8, true);
    FakeSong song;
    song.beat = 64.0;
    for (int done = 0; done < kSamples; done += block)
      e.process(std::min(block, kSamples - done), &song);
    const double beats = 64.0 + lastFrameEnd / kRate * 2.0;
    const double expected = beats / 8.0 - std::floor(beats / 8.0);
    EXPECT_NEAR(e.engine.modulator.lfoPosition.load(kRelaxed), expected, 1e-6) << block;
    EXPECT_NEAR(e.engine.modulator.targetAngle.load(kRelaxed), -180.0 + 360.0 * expected, 1e-3)
        << block;
  }
}

TEST(ModulatorTiming, PlaybackStartsAtTheSongsAngleAndAJumpIsFollowedAtTheGlidesPace) {
  constexpr double kRate = 48000.0;
  Engine e(kRate, 1.0f, 0.0f, 8, true);
  FakeSong song;
  song.rate = kRate;
  song.playing = false;  // stopped: the sweep runs freely from where it stands
  for (int i = 0; i < 300; ++i) e.process(kF, &song);
  const float standing = e.angle();
  // Play from beat 3 (its first frame ends at beat 3): position 3/8 on the ramp, -45
  // degrees, taken in that frame.
  song.beat = 3.0 - 2.0 * kF / kRate;  // two beats a second
  song.playing = true;
  e.process(kF, &song);
  EXPECT_FLOAT_EQ(e.angle(), 315.0f) << "stood at " << standing;
  EXPECT_GT(std::fabs(std::remainder(standing - 315.0f, 360.0f)), 10.0f);
  for (int i = 0; i < 10; ++i) e.process(kF, &song);

  // Back to beat 0.5 (a loop): the envelope jumps 115 degrees back, the angle glides there.
  song.beat = 0.5;
  const float degreesPerFrame = static_cast<float>(44100.0 / kRate);
  float before = e.angle();
  int frames = 0;
  for (; frames < 400; ++frames) {
    e.process(kF, &song);
    ASSERT_LE(std::fabs(std::remainder(e.angle() - before, 360.0f)), degreesPerFrame + 1e-3f);
    before = e.angle();
    const float target = e.engine.modulator.targetAngle.load(kRelaxed);
    if (std::fabs(std::remainder(before - target, 360.0f)) < 1e-3f) break;
  }
  // 115 degrees at 0.92 degrees per frame against a sweep of 0.24 per frame: 99 frames.
  EXPECT_GT(frames, 90);
  EXPECT_LT(frames, 110);
}

TEST(AngleSlew, TakesTheShorterWayOneDegreePerUpdate) {
  const struct {
    float from, target;
    int updates;          // until the target is reached
    float first, second;  // the first two angles on the way
  } cases[] = {
      {0.0f, 90.0f, 90, 1.0f, 2.0f},
      {10.0f, -10.0f, 20, 9.0f, 8.0f},      // target 350, through 0
      {0.0f, 180.0f, 180, 359.0f, 358.0f},  // half a turn: down through 0 from below...
      {180.0f, 0.0f, 180, 181.0f, 182.0f},  // ...and up through 360 from above
      {1.0f, 359.0f, 2, 0.0f, 359.0f},
      {359.5f, 0.2f, 2, 0.5f, 0.2f},     // crossing the seam may overshoot, and comes back
      {42.0f, 410.0f, 8, 43.0f, 44.0f},  // beyond a turn: wrapped
  };
  for (const auto& c : cases) {
    const float goal = c.target < 0.0f ? c.target + 360.0f : std::fmod(c.target, 360.0f);
    std::vector<float> path{c.from};
    while (path.back() != goal && path.size() <= 400) {
      path.push_back(slewAngle(path.back(), c.target));
      ASSERT_TRUE(path.back() >= 0.0f && path.back() < 360.0f) << path.back();
    }
    ASSERT_EQ(static_cast<int>(path.size()) - 1, c.updates) << c.from << " -> " << c.target;
    EXPECT_FLOAT_EQ(path[1], c.first) << c.from << " -> " << c.target;
    EXPECT_FLOAT_EQ(path[2], c.second) << c.from << " -> " << c.target;
    EXPECT_EQ(slewAngle(goal, c.target), goal) << "target reached: it stays";
  }
  EXPECT_EQ(slewAngle(100.0f, -180.0f), slewAngle(100.0f, 180.0f));
  // 0.99999994 - 1 is a tiny negative angle; adding 360 to it rounds to 360 exactly.
  const float next = slewAngle(0.99999994f, 181.0f);
  EXPECT_TRUE(next >= 0.0f && next < 360.0f) << next;
}

}  // namespace
}  // namespace panner
