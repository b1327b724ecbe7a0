// The spatial engine seen from a host: the built plug-in loaded through the binary
// interface, placing an impulse, mirroring the circle and sweeping it with the LFO.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "plugin_host.h"

namespace {

constexpr int kFrame = 128;
constexpr int kAngle = 0;
constexpr int kLfoSpeed = 4;

std::unique_ptr<vsthost::PluginHost> loadPlugin(double rate = 44100.0) {
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  EXPECT_TRUE(host) << error;
  if (host) host->open(rate, 512);
  return host;
}

// Sets the angle, lets it glide there over silence, then renders `input`.
std::vector<std::vector<float>> renderAt(float angleParameter, const std::vector<float>& input) {
  auto host = loadPlugin();
  if (!host) return {};
  host->setParameter(kAngle, angleParameter);
  host->render(std::vector<float>(200 * kFrame, 0.0f), 512);  // 200 frames: any glide is over
  return host->render(input, 512);
}

std::vector<float> impulseAfterLatency(std::size_t length) {
  std::vector<float> signal(length, 0.0f);
  signal[0] = 1.0f;
  return signal;
}

float peak(const std::vector<float>& x) {
  float p = 0.0f;
  for (float v : x) p = std::max(p, std::fabs(v));
  return p;
}

std::size_t onset(const std::vector<float>& x) {
  const float threshold = 0.1f * peak(x);
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::fabs(x[i]) >= threshold) return i;
  return x.size();
}

TEST(PluginSpatial, ImpulseAtNinetyIsLouderAndEarlierOnChannelOne) {
  const auto out = renderAt(0.75f, impulseAfterLatency(4 * kFrame));  // +90 degrees
  ASSERT_EQ(out.size(), 2u);
  EXPECT_GT(peak(out[1]), 2.0f * peak(out[0]));
  EXPECT_LT(onset(out[1]) + 10, onset(out[0]));
  for (const auto& channel : out)  // nothing before the latency
    for (int i = 0; i < kFrame; ++i) ASSERT_EQ(channel[static_cast<std::size_t>(i)], 0.0f) << i;
}

TEST(PluginSpatial, NinetyAndTwoSeventyExchangeTheChannels) {
  std::vector<float> noise(16 * kFrame);
  uint32_t state = 99;
  for (float& v : noise) {
    state = state * 1664525u + 1013904223u;
    v = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
  }
  const auto right = renderAt(0.75f, noise);  // +90
  const auto left = renderAt(0.25f, noise);   // -90, that is 270
  ASSERT_EQ(right.size(), 2u);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_GT(peak(right[1]), 0.1f);
  for (std::size_t i = 0; i < noise.size(); ++i) {
    ASSERT_NEAR(right[0][i], left[1][i], 1e-6f) << i;
    ASSERT_NEAR(right[1][i], left[0][i], 1e-6f) << i;
  }
}

// One envelope cycle per second of the host's samples, at 44.1 and at 96 kHz; rates the
// engine cannot use (not finite, not positive, beyond 384 kHz) leave the last good one.
TEST(PluginSpatial, LfoAtFullSpeedSweepsTheCircleInAboutOneSecond) {
  for (double rate : {44100.0, 96000.0}) {
    auto host = loadPlugin(rate);
    ASSERT_TRUE(host);
    host->suspend();
    for (float bad : {std::nanf(""), 0.0f, -48000.0f, 1e6f})
      host->dispatch(effSetSampleRate, 0, 0, nullptr, bad);
    host->resume();
    host->setProgram(0);  // the default ramp once round the circle
    host->setParameter(kLfoSpeed, 1.0f);
    std::vector<float> silence(kFrame, 0.0f);
    float* in[1] = {silence.data()};
    std::vector<float> out0(kFrame), out1(kFrame);
    float* outs[2] = {out0.data(), out1.data()};

    float lowest = 1.0f, highest = 0.0f, previous = host->getParameter(kAngle);
    int wrapFrame = -1;
    for (int frame = 1; frame <= 1000 && wrapFrame < 0; ++frame) {
      host->processReplacing(in, outs, kFrame);
      const float angle = host->getParameter(kAngle);
      if (angle < previous - 0.5f) {
        wrapFrame = frame;
        break;
      }
      // A steady rise; crossing a point snaps back by the step's overshoot (under a degree).
      EXPECT_GE(angle, previous - 1.0f / 360.0f) << "frame " << frame;
      lowest = std::min(lowest, angle);
      highest = std::max(highest, angle);
      previous = angle;
    }
    // A second is rate / 128 frames; the whole circle has been covered by then.
    ASSERT_GT(wrapFrame, 0) << "the angle never came round at " << rate;
    EXPECT_GT(wrapFrame * kFrame, 0.95 * rate);
    EXPECT_LT(wrapFrame * kFrame, 1.05 * rate);
    EXPECT_LT(lowest, 0.01f);
    EXPECT_GT(highest, 0.99f);
  }
}

}  // namespace
