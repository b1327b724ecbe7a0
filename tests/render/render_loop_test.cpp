// The render loop against stand-in processors: latency removal, tail length, automation
// landing on its sample, and interruption. How long the tool lets the plug-in settle is
// tested end to end (render_timing_test.cpp: a placement holds from the first sample).
#include "render_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>

#include "render_error.h"

using namespace render;

namespace {

// Delays its one input by `latency` samples into both outputs, like a plug-in that
// reports that much initial delay.
class DelayProcessor : public AudioProcessor {
 public:
  explicit DelayProcessor(int latency) : line_(latency, 0.0f) {}
  int numInputs() const override { return 1; }
  int numOutputs() const override { return 2; }
  void setParameter(int, float) override {}
  void process(float** in, float** out, int frames) override {
    for (int i = 0; i < frames; ++i) {
      line_.push_back(in[0][i]);
      out[0][i] = out[1][i] = line_.front();
      line_.pop_front();
    }
  }

 private:
  std::deque<float> line_;
};

// Outputs the value of parameter 3 as its signal, so the output shows when it changed.
class ParameterEcho : public AudioProcessor {
 public:
  int numInputs() const override { return 1; }
  int numOutputs() const override { return 1; }
  void setParameter(int index, float value) override {
    if (index == 3) value_ = value;
  }
  void process(float**, float** out, int frames) override {
    for (int i = 0; i < frames; ++i) out[0][i] = value_;
  }

 private:
  float value_ = 0.0f;
};

struct Capture {
  std::vector<float> input;
  size_t readPos = 0;
  std::vector<std::vector<float>> output;

  FrameReader reader() {
    return [this](float* const* ch, int count) {
      int n = 0;
      while (n < count && readPos < input.size()) ch[0][n++] = input[readPos++];
      return n;
    };
  }
  FrameWriter writer(int channels) {
    output.assign(channels, {});
    return [this](const float* const* ch, int count) {
      for (size_t c = 0; c < output.size(); ++c)
        output[c].insert(output[c].end(), ch[c], ch[c] + count);
    };
  }
};

std::vector<float> ramp(int n) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = static_cast<float>(i + 1);
  return v;
}

}  // namespace

TEST(RenderLoop, RemovesLatencyAndRendersTheTailWhateverTheBlockSize) {
  for (int block : {1, 7, 128, 512, 4096}) {
    DelayProcessor plugin(128);
    Capture io;
    io.input = ramp(1000);
    const int64_t written = renderAll(plugin, {block, 128, 50}, {}, io.reader(), io.writer(2));
    ASSERT_EQ(written, 1050) << "block " << block;
    ASSERT_EQ(io.output[1].size(), 1050u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(io.output[1][i], io.input[i]) << "block " << block;
    for (int i = 1000; i < 1050; ++i) ASSERT_EQ(io.output[0][i], 0.0f);
  }
  // Empty input gives just the tail.
  DelayProcessor plugin(128);
  Capture io;
  EXPECT_EQ(renderAll(plugin, {512, 128, 10}, {}, io.reader(), io.writer(2)), 10);
  EXPECT_EQ(renderAll(plugin, {512, 0, 0}, {}, io.reader(), io.writer(2)), 0);
}

TEST(RenderLoop, AutomationLandsOnItsSampleInsideABlock) {
  ParameterEcho plugin;
  Capture io;
  io.input.assign(2000, 0.0f);
  const std::vector<AutomationEvent> events{
      {0, 3, 0.25f}, {300, 3, 0.5f}, {300, 7, 0.9f}, {1500, 3, 1.0f}, {5000, 3, 0.1f}};
  renderAll(plugin, {512, 0, 0}, events, io.reader(), io.writer(1));
  const auto& out = io.output[0];
  ASSERT_EQ(out.size(), 2000u);
  EXPECT_EQ(out[0], 0.25f);  // applied before the first block
  EXPECT_EQ(out[299], 0.25f);
  EXPECT_EQ(out[300], 0.5f);
  EXPECT_EQ(out[1499], 0.5f);
  EXPECT_EQ(out[1500], 1.0f);
  EXPECT_EQ(out[1999], 1.0f);  // the event after the end never applies
}

TEST(RenderLoop, StopsWhenInterrupted) {
  DelayProcessor plugin(0);
  Capture io;
  io.input = ramp(10000);
  std::atomic<bool> stop{false};
  int blocks = 0;
  auto progress = [&](int64_t) {
    if (++blocks == 3) stop = true;
  };
  EXPECT_THROW(renderAll(plugin, {100, 0, 0}, {}, io.reader(), io.writer(2), progress, &stop),
               RenderError);
  EXPECT_EQ(io.output[0].size(), 300u);
}
