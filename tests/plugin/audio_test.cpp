// What VST2's processing entries add to the behaviour suite: process(), the meter, suspend,
// and the counts and channel pointers a host may get wrong.
#include <cmath>
#include <limits>
#include <vector>

#include "plugin_fixture.h"

namespace {
constexpr float kDecay = 0.99555f;  // the meter's decay per frame
}  // namespace

TEST_F(PluginTest, ProcessAddsWhileProcessReplacingOverwrites) {
  bypass(true);
  std::vector<float> input(256, 0.25f), out0(256, 1.0f), out1(256, 2.0f);
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

// The meter follows the positive peak, decaying per frame; suspend clears it but keeps the
// frames in flight and the filters' tails.
TEST_F(PluginTest, TheMeterAndSuspend) {
  bypass(true);
  const auto vu = [this] { return dispatch(effGetVu); };
  host->render(std::vector<float>(128, 0.5f), 128);
  EXPECT_EQ(vu(), 0);  // nothing has come out yet
  host->render(std::vector<float>(64, 0.0f), 64);
  EXPECT_EQ(vu(), 16383);  // 0.5 inside a frame: no decay yet
  host->render(std::vector<float>(64 + 2 * 128, 0.0f), 64);
  EXPECT_NEAR(vu(), static_cast<intptr_t>(0.5f * kDecay * kDecay * kDecay * 32767.0f), 1);
  dispatch(effMainsChanged, 0, 0);
  host->render(std::vector<float>(1024, -0.8f), 100);  // negative swings only
  EXPECT_EQ(vu(), 0);

  host->render(std::vector<float>(128, 0.5f), 128);
  host->render(std::vector<float>(50, 0.3f), 50);
  host->suspend();
  EXPECT_EQ(vu(), 0);
  host->resume();
  auto out = host->render(std::vector<float>(128, 0.0f), 128);
  EXPECT_EQ(out[0][77], 0.5f);
  EXPECT_EQ(out[0][78], 0.3f);
  EXPECT_EQ(out[1][127], 0.3f);

  bypass(false);
  std::vector<float> click(128, 0.0f);
  click[0] = 1.0f;
  host->render(click, 128);
  host->suspend();
  host->resume();
  EXPECT_GT(quendral_test::energy(host->render(std::vector<float>(512, 0.0f), 512)), 0.0);
}

// Overflow inside the filters: the meter stays in range, the output soon finite again.
TEST_F(PluginTest, HugeInputKeepsTheMeterInRange) {
  host->setParameter(6, 1.0f);
  host->render(std::vector<float>(1024, 3.0e38f), 256);
  EXPECT_GT(dispatch(effGetVu), 0);
  EXPECT_LE(dispatch(effGetVu), static_cast<intptr_t>(65536) * 32767);
  const auto out = host->render(quendral_test::noise(2048), 256);
  for (std::size_t i = 4 * 128; i < out[0].size(); ++i)
    ASSERT_TRUE(std::isfinite(out[0][i]) && std::isfinite(out[1][i])) << i;
}

// Zero and negative counts write nothing and keep the frame position; missing channel
// pointers are neither read nor written, and a missing input reads as silence.
TEST_F(PluginTest, BadCountsAndMissingChannels) {
  bypass(true);
  host->render(std::vector<float>(200, 0.5f), 200);  // 72 samples into a frame
  std::vector<float> input(256, 0.9f), out0(256, 7.0f), out1(256, 7.0f);
  float* in[] = {input.data()};
  float* outs[] = {out0.data(), out1.data()};
  for (int32_t count : {0, -1, -128, std::numeric_limits<int32_t>::min()}) {
    host->processReplacing(in, outs, count);
    host->process(in, outs, count);
  }
  EXPECT_EQ(out0, std::vector<float>(256, 7.0f));
  auto out = host->render(std::vector<float>(184, 0.0f), 184);
  EXPECT_EQ(out[0][127], 0.5f);  // exactly one frame after it went in
  EXPECT_EQ(out[0][128], 0.0f);

  float* noInput[] = {nullptr};
  float* firstOnly[] = {out0.data(), nullptr};
  float* noOutputs[] = {nullptr, nullptr};
  input.assign(256, 0.5f);
  host->processReplacing(nullptr, nullptr, 256);
  host->processReplacing(noInput, noOutputs, 256);
  host->processReplacing(in, nullptr, 128);
  host->process(in, firstOnly, 128);
  EXPECT_EQ(out1, std::vector<float>(256, 7.0f));
  host->processReplacing(noInput, outs, 256);
  EXPECT_EQ(out0[0], 0.5f);
  EXPECT_EQ(out1[127], 0.5f);
  EXPECT_EQ(out0[128], 0.0f);
}
