// The engine frame: the output gain ramped across one frame, and bad input (non-finite
// samples or targets, missing buffers).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine_frames.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;

using Frame = std::vector<float>;

Frame randomFrame(std::mt19937& generator) {
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  Frame f(kF);
  for (float& v : f) v = value(generator);
  return f;
}

struct Output {
  Frame ch0 = Frame(kF), ch1 = Frame(kF);
};

Output run(SpatialEngine& engine, const Frame& in) {
  Output out;
  engine.convolutionFrame(in.data(), out.ch0.data(), out.ch1.data(), nullptr);
  return out;
}

bool allFinite(const Frame& f) {
  for (float v : f)
    if (!std::isfinite(v)) return false;
  return true;
}

// A new output gain is reached at the last sample of the frame it comes in, linearly from the
// last one; the first frame starts at its own gain. The output is linear in the gain, so each
// sample is a unit-gain engine's times the gain at that sample.
TEST(SpatialEngine, AGainChangeRampsAcrossOneFrame) {
  SpatialEngine unit, changed;
  changed.outGain.store(0.5f, kRelaxed);
  std::mt19937 a(5), b(5);
  const std::vector<float> u = noiseFrames(unit, a, 4);
  const std::vector<float> c = noiseFrames(changed, b, 4, [&](int frame) {
    if (frame == 2) changed.outGain.store(1.5f, kRelaxed);
  });
  for (int frame = 0; frame < 4; ++frame) {
    for (int i = 0; i < 2 * kF; ++i) {
      const float ramp = 0.5f + static_cast<float>(i % kF + 1) / kF;
      const float gain = frame < 2 ? 0.5f : frame == 2 ? ramp : 1.5f;
      const size_t at = static_cast<size_t>(frame * 2 * kF + i);
      ASSERT_NEAR(c[at], gain * u[at], 1e-5f) << "frame " << frame << " sample " << i;
    }
  }
}

// Non-finite input, a non-finite target and missing buffers: the output stays finite (or
// silent) and the angle holds. (Through every format: Behaviour.BadInputNeitherPoisons...)
TEST(SpatialEngine, NonFiniteInputOrTargetNeverPoisonsTheTails) {
  SpatialEngine engine;
  std::mt19937 generator(3);
  Frame bad = randomFrame(generator);
  bad[5] = std::nanf("");
  bad[80] = std::numeric_limits<float>::infinity();
  bad[81] = -std::numeric_limits<float>::infinity();
  for (int frame = 0; frame < 7; ++frame) {
    const Output out = run(engine, frame < 2    ? bad
                                   : frame == 6 ? Frame(kF, std::nanf(""))
                                                : randomFrame(generator));
    EXPECT_TRUE(allFinite(out.ch0) && allFinite(out.ch1)) << frame;
  }
  for (float target : {std::nanf(""), std::numeric_limits<float>::infinity()}) {
    engine.modulator.targetAngle.store(target, kRelaxed);
    const Output held = run(engine, randomFrame(generator));
    EXPECT_EQ(engine.currentAngleDegrees(), 0.0f);
    EXPECT_TRUE(allFinite(held.ch0) && allFinite(held.ch1));
  }
  Frame out0(kF, 3.0f), out1(kF, 3.0f);
  engine.convolutionFrame(nullptr, out0.data(), out1.data(), nullptr);
  EXPECT_EQ(out0, Frame(kF, 0.0f));
  engine.convolutionFrame(bad.data(), nullptr, out1.data(), nullptr);
}

}  // namespace

}  // namespace panner
