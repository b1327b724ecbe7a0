// The audio path through the host's processing entries: latency, bypass, block sizes,
// meters, suspend and the bad inputs a host may hand over.
#include <cmath>
#include <limits>
#include <vector>

#include "plugin_fixture.h"

namespace {

constexpr int kLatency = 128;
constexpr float kDecay = 0.99555f;

}  // namespace

TEST_F(PluginTest, BypassedImpulseComesOutUnchangedOneFrameLateForAnyBlockSize) {
  bypass(true);
  for (int blockSize : {1, 7, 100, 128, 1000, 8192}) {
    std::vector<float> input = impulse(3 * 8192, 300, 0.75f);
    auto out = host->render(input, blockSize);
    for (int channel = 0; channel < 2; ++channel) {
      for (std::size_t i = 0; i < input.size(); ++i) {
        const float expected = i == 300 + kLatency ? 0.75f : 0.0f;
        ASSERT_EQ(out[channel][i], expected)
            << "block " << blockSize << " channel " << channel << " sample " << i;
      }
    }
  }
}

TEST_F(PluginTest, ProcessAddsWhileProcessReplacingOverwrites) {
  bypass(true);
  std::vector<float> input = constant(256, 0.25f);
  std::vector<float> out0(256, 1.0f), out1(256, 2.0f);
  float* in[] = {input.data()};
  float* outs[] = {out0.data(), out1.data()};
  host->process(in, outs, 256);
  EXPECT_EQ(out0[0], 1.0f);
  EXPECT_EQ(out1[0], 2.0f);
  EXPECT_EQ(out0[200], 1.25f);
  EXPECT_EQ(out1[200], 2.25f);

  std::fill(out0.begin(), out0.end(), 1.0f);
  host->processReplacing(in, outs, 256);
  EXPECT_EQ(out0[0], 0.25f);  // the previous call's second frame
  EXPECT_EQ(out1[255], 0.25f);
}

TEST_F(PluginTest, VuFollowsTheOutputPeakAndDecaysPerFrame) {
  bypass(true);
  auto vu = [this] { return dispatch(effGetVu); };
  EXPECT_EQ(vu(), 0);
  host->render(constant(128, 0.5f), 128);
  EXPECT_EQ(vu(), 0);  // nothing has come out yet
  host->render(constant(64, 0.0f), 64);
  EXPECT_EQ(vu(), 16383);  // 0.5 inside a frame: no decay yet
  host->render(constant(64 + 2 * 128, 0.0f), 64);
  EXPECT_NEAR(vu(), static_cast<intptr_t>(0.5f * kDecay * kDecay * kDecay * 32767.0f), 1);

  // A signal that only swings negative leaves the meters at zero.
  dispatch(effMainsChanged, 0, 0);
  host->render(constant(1024, -0.8f), 100);
  EXPECT_EQ(vu(), 0);
}

TEST_F(PluginTest, SuspendClearsTheMetersButKeepsTheFrameInFlight) {
  bypass(true);
  host->render(constant(128, 0.5f), 128);
  host->render(constant(50, 0.3f), 50);
  EXPECT_GT(dispatch(effGetVu), 0);
  host->suspend();
  EXPECT_EQ(dispatch(effGetVu), 0);
  host->resume();
  // Both the frame being played and the one being gathered survive the suspend.
  auto out = host->render(constant(128, 0.0f), 128);
  EXPECT_EQ(out[0][77], 0.5f);
  EXPECT_EQ(out[0][78], 0.3f);
  EXPECT_EQ(out[1][127], 0.3f);
}

TEST_F(PluginTest, ZeroAndNegativeCountsWriteNothing) {
  bypass(true);
  host->render(constant(200, 0.5f), 200);  // leaves 72 samples into a frame
  std::vector<float> input(16, 0.9f), out0(16, 7.0f), out1(16, 7.0f);
  float* in[] = {input.data()};
  float* outs[] = {out0.data(), out1.data()};
  for (int32_t count : {0, -1, -128, std::numeric_limits<int32_t>::min()}) {
    host->processReplacing(in, outs, count);
    host->process(in, outs, count);
  }
  EXPECT_EQ(out0, std::vector<float>(16, 7.0f));
  EXPECT_EQ(out1, std::vector<float>(16, 7.0f));
  // The frame position did not move: the 72 samples gathered so far come out exactly one
  // frame after they went in.
  auto out = host->render(constant(184, 0.0f), 184);
  EXPECT_EQ(out[0][127], 0.5f);
  EXPECT_EQ(out[0][128], 0.0f);
}

TEST_F(PluginTest, MissingChannelPointersAreNeitherReadNorWritten) {
  bypass(true);
  std::vector<float> input(256, 0.5f), out0(256, 3.0f), out1(256, 3.0f);
  float* in[] = {input.data()};
  float* noInput[] = {nullptr};
  float* outs[] = {out0.data(), out1.data()};
  float* firstOnly[] = {out0.data(), nullptr};
  float* noOutputs[] = {nullptr, nullptr};

  host->processReplacing(nullptr, nullptr, 256);
  host->processReplacing(noInput, noOutputs, 256);
  host->processReplacing(in, nullptr, 128);
  host->process(in, firstOnly, 128);
  EXPECT_EQ(out1, std::vector<float>(256, 3.0f));
  // A missing input reads as silence; the input given meanwhile is played as usual.
  host->processReplacing(noInput, outs, 256);
  EXPECT_EQ(out0[0], 0.5f);
  EXPECT_EQ(out1[127], 0.5f);
  EXPECT_EQ(out0[128], 0.0f);
}

TEST_F(PluginTest, HugeFiniteInputKeepsTheVuAnswerInRangeAndTheOutputRecovers) {
  // Full-scale float input with +12 dB of gain overflows to infinity inside the filters.
  host->setParameter(6, 1.0f);
  host->render(constant(1024, 3.0e38f), 256);
  const intptr_t level = dispatch(effGetVu);
  EXPECT_GT(level, 0);
  EXPECT_LE(level, static_cast<intptr_t>(65536) * 32767);
  // Once the input is ordinary again, the output is finite within a few frames.
  auto out = host->render(testSignal(2048), 256);
  for (const auto& channel : out)
    for (std::size_t i = 4 * 128; i < channel.size(); ++i)
      ASSERT_TRUE(std::isfinite(channel[i])) << i;
}

TEST_F(PluginTest, FilterTailsSurviveASuspend) {
  host->setParameter(0, 0.75f);
  host->render(impulse(128, 0), 128);
  host->suspend();
  host->resume();
  auto out = host->render(constant(512, 0.0f), 512);
  float energy = 0.0f;
  for (const auto& channel : out)
    for (float sample : channel) energy += sample * sample;
  EXPECT_GT(energy, 0.0f);
}

TEST_F(PluginTest, LeavingBypassPlaysNothingFromBeforeIt) {
  std::vector<float> loud = testSignal(20 * 128);
  for (float& sample : loud) sample *= 2.0f;  // full scale
  host->render(loud, 128);
  bypass(true);
  host->render(constant(20 * 128, 0.0f), 128);
  bypass(false);
  const auto out = host->render(constant(4 * 128, 0.0f), 100);
  for (const auto& channel : out)
    for (std::size_t i = 0; i < channel.size(); ++i) ASSERT_EQ(channel[i], 0.0f) << i;
}

TEST_F(PluginTest, AfterBypassTheFilteredSignalFadesInFromTheDryOne) {
  const std::vector<float> before = testSignal(8 * 128);
  const std::vector<float> after = impulse(8 * 128, 0, 0.5f);
  host->render(before, 128);
  bypass(true);
  host->render(before, 128);
  bypass(false);
  const auto out = host->render(after, 128);

  // The frame that leaves bypass starts with the dry signal, one frame late.
  EXPECT_EQ(out[0][kLatency], 0.5f);
  EXPECT_EQ(out[1][kLatency], 0.5f);
  // From the frame after it on, the output is what a fresh instance makes of the same input.
  std::string error;
  auto fresh = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(fresh) << error;
  fresh->open();
  const auto expected = fresh->render(after, 128);
  for (int channel = 0; channel < 2; ++channel)
    for (std::size_t i = 2 * kLatency; i < after.size(); ++i)
      ASSERT_NEAR(out[channel][i], expected[channel][i], 1e-6f) << channel << " " << i;
}
