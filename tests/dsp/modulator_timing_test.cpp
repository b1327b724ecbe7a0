// The LFO keeps time through the whole engine: a synced LFO follows the song position frame
// by frame whatever blocks the host sends, takes the song's angle when playback starts and
// glides after a jump of the song at the rate's pace.
#include <gtest/gtest.h>

#include <cmath>
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

// The engine behind its block processor, its LFO on the default ramp.
struct Engine {
  explicit Engine(double rate, float speed, float position, int divide, bool sync)
      : processor(engine) {
    EXPECT_TRUE(engine.setSampleRate(rate)) << rate;
    AngleModulator& m = engine.modulator;
    m.syncToHost.store(sync ? 1.0f : 0.0f, kRelaxed);
    m.lfoSpeed.store(speed, kRelaxed);
    m.lfoPosition.store(position, kRelaxed);
    m.lfoDivide.store(divide, kRelaxed);
    m.rebuildSegmentRates();
    m.placeOnEnvelope();
  }
  void process(int frames, SongClock* song = nullptr) {
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
    SongClock song(kRate, 120.0, 64.0);
    for (int done = 0; done < kSamples; done += block)
      e.process(std::min(block, kSamples - done), &song);
    const double beats = song.beatAt(lastFrameEnd);
    const double expected = beats / 8.0 - std::floor(beats / 8.0);
    EXPECT_NEAR(e.engine.modulator.lfoPosition.load(kRelaxed), expected, 1e-6) << block;
    EXPECT_NEAR(e.engine.modulator.targetAngle.load(kRelaxed), -180.0 + 360.0 * expected, 1e-3)
        << block;
  }
}

TEST(ModulatorTiming, PlaybackStartsAtTheSongsAngleAndAJumpIsFollowedAtTheGlidesPace) {
  constexpr double kRate = 48000.0;
  Engine e(kRate, 1.0f, 0.0f, 8, true);
  SongClock song(kRate, 120.0, 0.0);
  song.rolling = false;  // stopped: the sweep runs freely from where it stands
  for (int i = 0; i < 300; ++i) e.process(kF, &song);
  const float standing = e.angle();
  // Play from beat 3 (its first frame ends at beat 3): position 3/8 on the ramp, -45
  // degrees, taken in that frame.
  song.jumpTo(3.0 - 2.0 * kF / kRate);  // two beats a second
  song.rolling = true;
  e.process(kF, &song);
  EXPECT_FLOAT_EQ(e.angle(), 315.0f) << "stood at " << standing;
  EXPECT_GT(std::fabs(std::remainder(standing - 315.0f, 360.0f)), 10.0f);
  for (int i = 0; i < 10; ++i) e.process(kF, &song);

  // Back to beat 0.5 (a loop): the envelope jumps 115 degrees back, the angle glides there.
  song.jumpTo(0.5);
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

}  // namespace

}  // namespace panner
