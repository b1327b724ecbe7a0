// quendral-render keeps time at every rate: a fixed placement holds from the input's first
// sample, and a synced sweep stands where the song position puts it, so rendering from a
// later beat gives the same samples as that part of a render from the song's start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tool_run.h"

using namespace tool_test;

namespace {

class RenderTiming : public ToolTest {
 protected:
  void writeMono(const std::string& name, const std::vector<float>& samples, int rate) const {
    writeAudio(name, {samples}, rate);
  }
  // Renders `input` through quendral (the VST2 plug-in unless another is named) with
  // `options`, no tail, and reads the result back.
  Channels render(const std::string& input, std::vector<std::string> options,
                  const std::string& plugin = QUENDRAL_PLUGIN) {
    options.insert(options.end(), {"--tail", "0"});
    return ToolTest::render(input, "out.wav", options, plugin);
  }
};

// The tool lets the plug-in settle at the placement before the input, at the edges of the
// rates quendral takes and between: an impulse on the first sample sounds as one a second
// later on the same place in a frame, by when any glide is long over.
TEST_F(RenderTiming, AFixedAngleHoldsFromTheFirstSampleAtEveryRate) {
  for (int rate : {8000, 44100, 96000, 384000}) {
    SCOPED_TRACE(rate);
    const size_t late = static_cast<size_t>(rate) / 128 * 128;
    const size_t span = static_cast<size_t>(rate) / 50;  // 20 ms holds the whole response
    std::vector<float> input(late + span, 0.0f);
    input[0] = input[late] = 0.5f;
    writeMono("impulses.wav", input, rate);
    const Channels out = render("impulses.wav", {"--angle", "90"});
    ASSERT_EQ(out.size(), 2u);
    ASSERT_EQ(out[0].size(), input.size());
    EXPECT_EQ(render::AudioFileReader(path("out.wav")).sampleRate(), rate);
    float peak = 0.0f, worst = 0.0f;
    double energy[2] = {};
    for (int c = 0; c < 2; ++c) {
      for (size_t i = 0; i < span; ++i) {
        peak = std::max(peak, std::fabs(out[c][late + i]));
        worst = std::max(worst, std::fabs(out[c][i] - out[c][late + i]));
        energy[c] += double(out[c][i]) * out[c][i];
      }
    }
    EXPECT_LT(worst, 1e-4f * peak) << "the first impulse sounds unlike the second";
    EXPECT_GT(energy[1], 2.0 * energy[0]) << "not on channel 1's side";
  }
}

TEST_F(RenderTiming, StartBeatRendersThatPartOfTheSong) {
  // At 48 kHz and 120 beats per minute a beat is 24000 samples: beats 6 and 8 (3 and 4 s)
  // start on one of quendral's 128-sample frames, as the song's start does (1125 and 1500
  // frames), so both renders update their filters at the same song positions. At a rate
  // where a beat falls inside a frame the two renders would crossfade at different samples.
  constexpr int kRate = 48000;
  constexpr size_t kBeat = kRate / 2;
  const std::vector<float> song = noise(12 * kRate, 777);
  writeMono("song.wav", song, kRate);
  const std::vector<std::string> sweep{"--sync", "120", "--lfo-divide", "8"};
  std::vector<std::string> plugins{QUENDRAL_PLUGIN};
#ifdef QUENDRAL_VST3_BUNDLE
  plugins.push_back(QUENDRAL_VST3_BUNDLE);  // the VST3 build takes the position from its host
#endif
  for (const std::string& plugin : plugins) {
    SCOPED_TRACE(plugin);
    const Channels whole = render("song.wav", sweep, plugin);
    ASSERT_EQ(whole.size(), 2u);
    for (int beat : {8, 6}) {
      SCOPED_TRACE("from beat " + std::to_string(beat));
      const size_t start = beat * kBeat;
      writeMono("part.wav", std::vector<float>(song.begin() + start, song.end()), kRate);
      std::vector<std::string> options = sweep;
      options.insert(options.end(), {"--start-beat", std::to_string(beat)});
      const Channels part = render("part.wav", options, plugin);
      ASSERT_EQ(part.size(), 2u);
      ASSERT_EQ(part[0].size(), song.size() - start);
      // The part's input starts with no history before it; past the first second (which
      // the issue leaves to the glide) the two agree sample for sample.
      float worst = 0.0f;
      for (int c = 0; c < 2; ++c)
        for (size_t i = kRate; i < part[c].size(); ++i)
          worst = std::max(worst, std::fabs(part[c][i] - whole[c][start + i]));
      EXPECT_LE(worst, 1e-6f);

      // Without the song position the sweep would start its cycle with the part instead.
      if (beat == 6) {
        const Channels unplaced = render("part.wav", sweep, plugin);
        ASSERT_EQ(unplaced.size(), 2u);
        float apart = 0.0f;
        for (size_t i = kRate; i < unplaced[0].size(); ++i)
          apart = std::max(apart, std::fabs(unplaced[0][i] - whole[0][start + i]));
        EXPECT_GT(apart, 0.01f);
      }
    }
  }
}

}  // namespace
