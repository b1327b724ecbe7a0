// The LFO keeps time through the whole engine: a cycle lasts 1 / speed at every rate, and a
// synced LFO follows the song position frame by frame whatever blocks the host sends.
// Prints the cycle lengths it measures, so a run also documents them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "block_processor.h"
#include "spatial_engine.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;

// A host whose song runs from `startBeat` with the samples it has been given, at a fixed
// tempo: the position it reports is that of the block's first sample.
class SongClock : public TempoSource {
 public:
  SongClock(double rate, double beatsPerMinute, double startBeat)
      : rate_(rate), bpm_(beatsPerMinute), startBeat_(startBeat) {}
  bool hostTempo(double& beatsPerMinute) override {
    beatsPerMinute = bpm_;
    return true;
  }
  bool hostPosition(double& quarterNotes, bool& playing) override {
    quarterNotes = beatAt(samples_);
    playing = rolling;
    return true;
  }
  double beatAt(double sample) const { return startBeat_ + sample / rate_ * bpm_ / 60.0; }
  void advance(int frames) { samples_ += frames; }
  // Moves the song to `beat`, as a loop or a jump of the play cursor does.
  void jumpTo(double beat) { samples_ = (beat - startBeat_) * 60.0 / bpm_ * rate_; }
  bool rolling = true;  // the transport plays

 private:
  double rate_, bpm_, startBeat_;
  double samples_ = 0.0;
};

struct Engine {
  explicit Engine(double rate) : processor(engine) {
    EXPECT_TRUE(engine.setSampleRate(rate)) << rate;
  }
  // The envelope's default ramp at `speed` cycles per second, from `position`.
  void run(float speed, float position, int divide = 1) {
    AngleModulator& m = engine.modulator;
    m.lfoSpeed.store(speed, kRelaxed);
    m.lfoPosition.store(position, kRelaxed);
    m.lfoDivide.store(divide, kRelaxed);
    m.rebuildSegmentRates();
    m.placeOnEnvelope();
  }
  void process(int frames, TempoSource* tempo = nullptr) {
    in.assign(static_cast<size_t>(frames), 0.0f);
    out0.resize(in.size());
    out1.resize(in.size());
    processor.processBlock(in.data(), out0.data(), out1.data(), frames,
                           BlockProcessor::Mode::kReplace, tempo);
  }
  SpatialEngine engine;
  BlockProcessor processor;
  std::vector<float> in, out0, out1;
};

TEST(ModulatorTiming, CycleLastsOneOverSpeedAtEveryRate) {
  // 0.25 Hz: 90 degrees per second, slower than the glide, so the angle in use follows
  // the envelope's ramp exactly once it has caught up with it.
  for (double rate : {8000.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0}) {
    Engine e(rate);
    e.run(0.25f, 0.0f);
    const double frameSeconds = kF / rate;
    // Times (of each frame's end) at which the ramp passes 90 degrees going up, found
    // between frames by linear interpolation.
    std::vector<double> crossings;
    float last = e.engine.currentAngleDegrees();
    const int frames = static_cast<int>(15.0 / frameSeconds);
    for (int frame = 1; frame <= frames; ++frame) {
      e.process(kF);
      const float now = e.engine.currentAngleDegrees();
      if (frame * frameSeconds > 2.0 && last < 90.0f && now >= 90.0f && now < 180.0f)
        crossings.push_back((frame - 1 + (90.0 - last) / (now - last)) * frameSeconds);
      last = now;
    }
    ASSERT_GE(crossings.size(), 3u) << rate;
    std::printf("rate %6.0f Hz: cycles", rate);
    for (size_t i = 1; i < crossings.size(); ++i) {
      const double cycle = crossings[i] - crossings[i - 1];
      std::printf(" %.5f", cycle);
      EXPECT_NEAR(cycle, 4.0, 4.0 * 0.0005) << rate << " Hz, cycle " << i;
    }
    std::printf(" s\n");
  }
}

TEST(ModulatorTiming, SyncedPositionIsTheSongsAtEachFrameWhateverTheBlocks) {
  // 120 beats per minute, one cycle per eight beats, the song starting in bar 17.
  constexpr double kRate = 44100.0;
  constexpr int kSamples = 3 * 44100 + 77;
  // The last frame that completes ends at this sample; its position is the song's there.
  const int lastFrameEnd = kSamples / kF * kF;
  double expected = 0.0;
  for (int block : {1, 37, 128, 500, 4096}) {
    Engine e(kRate);
    e.engine.modulator.syncToHost.store(1.0f, kRelaxed);
    e.run(0.1f, 0.3f, 8);
    SongClock song(kRate, 120.0, 64.0);
    for (int done = 0; done < kSamples; done += block) {
      const int n = std::min(block, kSamples - done);
      e.process(n, &song);
      song.advance(n);
    }
    const double beats = song.beatAt(lastFrameEnd);
    expected = beats / 8.0 - std::floor(beats / 8.0);
    EXPECT_NEAR(e.engine.modulator.lfoPosition.load(kRelaxed), expected, 1e-6) << block;
    EXPECT_NEAR(e.engine.modulator.targetAngle.load(kRelaxed), -180.0 + 360.0 * expected, 1e-3)
        << block;
  }
}

TEST(ModulatorTiming, AJumpOfTheSongIsFollowedAtTheGlidesPace) {
  constexpr double kRate = 48000.0;
  Engine e(kRate);
  e.engine.modulator.syncToHost.store(1.0f, kRelaxed);
  e.run(1.0f, 0.0f, 8);
  SongClock song(kRate, 120.0, 0.0);
  const auto play = [&](int frames) {
    for (int i = 0; i < frames; ++i) {
      e.process(kF, &song);
      song.advance(kF);
    }
  };
  play(1500);  // beat 8: the cycle starts again at -180 degrees; the glide keeps up
  // Back to beat 3 (a loop): the envelope jumps 135 degrees, the angle glides there.
  song.jumpTo(3.0);
  const float degreesPerFrame = static_cast<float>(44100.0 / kRate);
  float before = e.engine.currentAngleDegrees();
  int frames = 0;
  for (; frames < 400; ++frames) {
    play(1);
    const float now = e.engine.currentAngleDegrees();
    const float moved = std::fabs(std::remainder(now - before, 360.0f));
    ASSERT_LE(moved, degreesPerFrame + 1e-3f) << frames;
    before = now;
    const float target = e.engine.modulator.targetAngle.load(kRelaxed);
    if (std::fabs(std::remainder(now - target, 360.0f)) < 1e-3f) break;
  }
  // 135 degrees at 0.92 degrees per frame, chasing a sweep of 0.24 per frame: 199 frames.
  EXPECT_GT(frames, 190);
  EXPECT_LT(frames, 210);
}

TEST(ModulatorTiming, PlaybackStartsAtTheSongsAngleWithoutAGlide) {
  constexpr double kRate = 48000.0;
  Engine e(kRate);
  e.engine.modulator.syncToHost.store(1.0f, kRelaxed);
  e.run(1.0f, 0.0f, 8);
  SongClock song(kRate, 120.0, 0.0);
  song.rolling = false;  // stopped: the sweep runs freely from where it stands
  for (int i = 0; i < 300; ++i) e.process(kF, &song);
  const float standing = e.engine.currentAngleDegrees();
  // Play from beat 3 (its first frame ends at beat 3): position 3/8 on the ramp, -45
  // degrees, taken in that frame.
  song.jumpTo(3.0 - static_cast<double>(kF) / kRate * 2.0);
  song.rolling = true;
  e.process(kF, &song);
  EXPECT_FLOAT_EQ(e.engine.currentAngleDegrees(), 315.0f) << "stood at " << standing;
  EXPECT_GT(std::fabs(std::remainder(standing - 315.0f, 360.0f)), 10.0f);
  // Once playing, the sweep moves on from there at the glide's pace or slower.
  song.advance(kF);
  e.process(kF, &song);
  EXPECT_NEAR(e.engine.currentAngleDegrees(), 315.0f + 360.0f * 0.25f * kF / kRate, 1e-3f);
}

}  // namespace

}  // namespace panner
