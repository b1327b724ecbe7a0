// The engine's frame: gain ramp, bad input, frame copies, fused inverse transforms, display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "audio_compare.h"
#include "engine_frames.h"
#include "frame_io.h"
#include "real_fft.h"

namespace panner {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;

using Frame = std::vector<float>;

// A new gain ramps linearly to the frame's last sample; the output is linear in the gain.
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

// Missing buffers too: the output stays finite (or silent) and the angle holds.
TEST(SpatialEngine, NonFiniteInputOrTargetNeverPoisonsTheTails) {
  SpatialEngine engine;
  const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
  std::mt19937 generator(3);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  Frame in(kF), out0(kF), out1(kF);
  const auto finite = [](const Frame& f) {
    return std::all_of(f.begin(), f.end(), [](float v) { return std::isfinite(v); });
  };
  // Frames 0 and 1 hold bad samples, frame 6 only NaN; from frame 7 the target is bad (a huge
  // one: Modulator.Degenerate...) and the angle holds.
  for (int frame = 0; frame < 10; ++frame) {
    for (float& v : in) v = frame == 6 ? nan : value(generator);
    if (frame < 2) in[5] = nan, in[80] = inf, in[81] = -inf;
    if (frame >= 7) engine.modulator.targetAngle.store(frame == 7 ? nan : frame == 8 ? inf : -inf);
    engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
    EXPECT_TRUE(finite(out0) && finite(out1)) << frame;
  }
  EXPECT_EQ(engine.currentAngleDegrees(), 0.0f);
  std::fill(out0.begin(), out0.end(), 3.0f);
  engine.convolutionFrame(nullptr, out0.data(), out1.data(), nullptr);
  EXPECT_EQ(out0, Frame(kF, 0.0f));
  engine.convolutionFrame(in.data(), nullptr, out1.data(), nullptr);
}

TEST(FrameIo, GatherSilencesNonFiniteSamplesAndFollowsThePeak) {
  std::mt19937 generator(9);
  std::uniform_real_distribution<float> value(-2.0f, 1.0f);
  const float specials[] = {std::nanf(""), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
  for (int32_t offset = 0; offset < 4; ++offset) {
    for (int32_t n = 0; n <= 19; ++n) {
      std::vector<float> input(32);
      for (float& x : input) x = value(generator);
      input[static_cast<size_t>(offset + (n * 7) % std::max(n, 1))] = specials[n % 3];
      if (n > 2) input[static_cast<size_t>(offset + n - 1)] = 5.0f;  // peak in the scalar tail
      std::vector<float> frame(32, 9.0f);
      const float peak = gatherInput(input.data() + offset, frame.data(), n, 0.25f);
      float expectedPeak = 0.25f;
      for (int32_t i = 0; i < n; ++i) {
        const float x = input[static_cast<size_t>(offset + i)];
        const float expected = std::isfinite(x) ? x : 0.0f;
        ASSERT_EQ(frame[static_cast<size_t>(i)], expected) << offset << " " << n << " " << i;
        expectedPeak = std::max(expectedPeak, expected);
      }
      EXPECT_EQ(frame[static_cast<size_t>(n)], 9.0f) << "wrote past the count";
      EXPECT_EQ(peak, expectedPeak) << offset << " " << n;
    }
  }
  std::vector<float> frame(8, 1.0f);
  EXPECT_EQ(gatherInput(nullptr, frame.data(), 8, 0.5f), 0.5f);
  EXPECT_EQ(frame, std::vector<float>(8, 0.0f));
}

TEST(FrameIo, PlayWritesOrAddsAndFollowsThePeak) {
  std::mt19937 generator(4);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (int32_t n = 0; n <= 19; ++n) {
    std::vector<float> frame(20), before(21);
    for (float& x : frame) x = value(generator);
    for (float& x : before) x = value(generator);
    float expectedPeak = 0.0f;
    for (int32_t i = 0; i < n; ++i)
      expectedPeak = std::max(expectedPeak, frame[static_cast<size_t>(i)]);
    for (const bool accumulate : {false, true}) {
      std::vector<float> output = before;
      // Host buffers need not be aligned: start one sample in.
      EXPECT_EQ(playOutput(frame.data(), output.data() + 1, n, accumulate, 0.0f), expectedPeak);
      EXPECT_EQ(output[0], before[0]);
      for (int32_t i = 0; i < 20; ++i) {
        const size_t o = static_cast<size_t>(i) + 1;
        const float expected = i >= n       ? before[o]
                               : accumulate ? before[o] + frame[static_cast<size_t>(i)]
                                            : frame[static_cast<size_t>(i)];
        ASSERT_EQ(output[o], expected) << n << " " << accumulate << " " << i;
      }
    }
    EXPECT_EQ(playOutput(frame.data(), nullptr, n, false, 0.0f), expectedPeak);
  }
}

constexpr int kN = RealFft::kSize;

// The inverse transform of the sum over i < count of h[i] x x[i] (half-complex spectra),
// the long way: products in double, then the plain inverse.
std::vector<float> inverseOfSummedProducts(RealFft& fft, const std::vector<float>* h,
                                           const std::vector<float>* x, int count) {
  std::vector<double> sum(kN, 0.0);
  for (int i = 0; i < count; ++i) {
    const std::vector<float>& a = h[i];
    const std::vector<float>& b = x[i];
    sum[0] += double{a[0]} * b[0];
    sum[kN / 2] += double{a[kN / 2]} * b[kN / 2];
    for (int k = 1; k < kN / 2; ++k) {
      sum[k] += double{a[k]} * b[k] - double{a[kN - k]} * b[kN - k];
      sum[kN - k] += double{a[k]} * b[kN - k] + double{a[kN - k]} * b[k];
    }
  }
  float half[kN];
  std::vector<float> packed(kN);
  for (int i = 0; i < kN; ++i) half[i] = static_cast<float>(sum[i]);
  halfComplexToPacked(half, packed.data());
  fft.inverse(packed.data());
  return packed;
}

// Two filter sets transformed back at once (the wide passes run them in one register's halves):
// gain and crossfade on the way out equal them applied afterwards (to rounding on wide passes).
TEST(RealFft, InverseOfSummedProductsWithGainOrCrossfadeKeepsTheSecondHalf) {
  for (const auto set : {RealFft::InstructionSet::kBaseline, RealFft::InstructionSet::kAvx2Fma}) {
    RealFft fft(set);
    const bool exact = fft.instructionSet() == RealFft::InstructionSet::kBaseline;
    std::vector<float> h0[3], h1[3], x[3];
    const float *h0p[3], *h1p[3], *xp[3];
    for (unsigned i = 0; i < 3; ++i) {
      h0[i] = quendral_test::noise(kN, 30 + i), h1[i] = quendral_test::noise(kN, 60 + i);
      x[i] = quendral_test::noise(kN, 40 + i);
      h0p[i] = h0[i].data(), h1p[i] = h1[i].data(), xp[i] = x[i].data();
    }
    for (int count = 1; count <= 3; ++count) {
      const std::vector<float> expected0 = inverseOfSummedProducts(fft, h0, x, count);
      const std::vector<float> expected1 = inverseOfSummedProducts(fft, h1, x, count);
      float kept0[kN / 2 + 1], kept1[kN / 2 + 1];
      kept0[kN / 2] = kept1[kN / 2] = 7.0f;
      fft.inverseOfProductsWithGain(h0p, h1p, xp, count, GainRamp{1.0f, 1.0f}, kept0, kept1);
      for (int n = 0; n < kN / 2; ++n) {
        ASSERT_NEAR(kept0[n], expected0[kN / 2 + n], 2e-3f) << count << " " << n;
        ASSERT_NEAR(kept1[n], expected1[kN / 2 + n], 2e-3f) << count << " " << n;
      }
      EXPECT_EQ(kept0[kN / 2] + kept1[kN / 2], 14.0f) << "wrote past the half";
      for (const GainRamp gain : {GainRamp{0.7f, 0.7f}, GainRamp{2.0f, 0.25f}}) {
        float faded[kN / 2], gained0[kN / 2], gained1[kN / 2];
        crossfade(kept0, kept1, gain, faded);
        crossfade(kept0, kept0, gain, gained0);
        crossfade(kept1, kept1, gain, gained1);
        float out[kN / 2 + 1], out0[kN / 2 + 1], out1[kN / 2 + 1];
        out[kN / 2] = out0[kN / 2] = out1[kN / 2] = 7.0f;
        fft.inverseOfProductsCrossfaded(h0p, h1p, xp, count, gain, out);
        fft.inverseOfProductsWithGain(h0p, h1p, xp, count, gain, out0, out1);
        const float tolerance = exact ? 0.0f : 1e-3f;
        for (int n = 0; n < kN / 2; ++n) {
          ASSERT_NEAR(out[n], faded[n], tolerance) << gain.start << " " << n;
          ASSERT_NEAR(out0[n], gained0[n], tolerance) << gain.start << " " << n;
          ASSERT_NEAR(out1[n], gained1[n], tolerance) << gain.start << " " << n;
        }
        EXPECT_EQ(out[kN / 2] + out0[kN / 2] + out1[kN / 2], 21.0f) << "wrote past the half";
      }
    }
  }
}

// The sphere's filters: two zero-padded partitions at once (the wide passes skip the zeros and
// run both in one register's halves) give what the plain transform gives each.
TEST(RealFft, PaddedPairEqualsTheTransformOfEachPartition) {
  for (const auto set : {RealFft::InstructionSet::kBaseline, RealFft::InstructionSet::kAvx2Fma}) {
    RealFft fft(set);
    const std::vector<float> taps0 = quendral_test::noise(kN / 2, 11),
                             taps1 = quendral_test::noise(kN / 2, 12);
    const float zeros[kN / 2] = {};
    float expected0[kN], expected1[kN], out0[kN], out1[kN];
    fft.forwardToHalfComplex(taps0.data(), zeros, expected0);
    fft.forwardToHalfComplex(taps1.data(), zeros, expected1);
    fft.forwardPaddedPair(taps0.data(), taps1.data(), out0, out1);
    for (int k = 0; k < kN; ++k) {
      ASSERT_NEAR(out0[k], expected0[k], 1e-4f) << int(set) << " " << k;
      ASSERT_NEAR(out1[k], expected1[k], 1e-4f) << int(set) << " " << k;
    }
  }
}

// At 96 kHz, where publications keep the same time apart as at 44.1 kHz: kDisplayFramesApart
// x 96000 / 44100 frames.
TEST(DisplayPublication, OneFramePerRequestMatchingAnEveryFrameEngine) {
  SpatialEngine everyFrame, onRequest;
  for (SpatialEngine* e : {&everyFrame, &onRequest}) {
    ASSERT_TRUE(e->setSampleRate(96000.0));
    // The angle moves every frame, so consecutive frames show different filters too.
    e->modulator.targetAngle.store(60.0f, kRelaxed);
  }
  onRequest.publishDisplayOnRequest();
  const int apart =
      static_cast<int>(std::lround(SpatialEngine::kDisplayFramesApart * 96000.0 / 44100.0));
  std::mt19937 a(7), b(7);
  const auto both = [&] {
    noiseFrames(everyFrame, a, 1);
    noiseFrames(onRequest, b, 1);
  };
  const std::vector<float> initial = shownValues(onRequest);
  for (int i = 0; i < 5; ++i) both();
  EXPECT_TRUE(shownValues(onRequest) == initial) << "no request, nothing published";
  EXPECT_FALSE(shownValues(everyFrame) == initial);

  // Two requests before one frame publish it once; on frames refilling slot A or slot B.
  for (int round = 0; round < 2; ++round) {
    onRequest.requestDisplayUpdate();
    onRequest.requestDisplayUpdate();
    both();
    const std::vector<float> published = shownValues(onRequest);
    EXPECT_TRUE(published == shownValues(everyFrame)) << round;
    both();
    EXPECT_TRUE(shownValues(onRequest) == published) << round;
    EXPECT_FALSE(shownValues(everyFrame) == published) << round;
    // A request sooner than `apart` frames after a publication waits for that frame.
    onRequest.requestDisplayUpdate();
    for (int frame = 2; frame < apart; ++frame) both();
    EXPECT_TRUE(shownValues(onRequest) == published) << round;
    both();
    EXPECT_TRUE(shownValues(onRequest) == shownValues(everyFrame)) << round;
    for (int frame = 0; frame < apart; ++frame) both();
  }

  // Clearing (suspend) empties the input and output spectra; the next request fills them at
  // once, even right after a publication.
  onRequest.requestDisplayUpdate();
  both();
  onRequest.clearDisplaySpectra();
  for (int i = 0; i < engine::kFftSize; ++i)
    ASSERT_EQ(onRequest.displayOutSpectrum(1)[i].load(kRelaxed), 0.0f);
  onRequest.requestDisplayUpdate();
  both();
  EXPECT_TRUE(shownValues(onRequest) == shownValues(everyFrame)) << "a cleared display waited";
}

}  // namespace
}  // namespace panner
