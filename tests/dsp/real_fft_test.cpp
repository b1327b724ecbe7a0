// The fused inverses of summed products that the engine's frame uses, on the baseline and the
// wide passes (the engine itself runs the widest the processor has).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "real_fft.h"

namespace panner {

namespace {

constexpr int kN = RealFft::kSize;

std::vector<float> randomSignal(unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::vector<float> x(kN);
  for (float& v : x) v = value(generator);
  return x;
}

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

// Two sets of filters over the same input spectra, transformed back at once: each output is
// the second half of its own summed products (the wide passes run the two in the halves of
// one register, so a mix-up of the halves or of the groups of four shows here). The gain
// and the crossfade applied on the way out give what the kept halves crossfaded afterwards
// give: the same operations on the baseline passes, within float rounding on the wide ones
// (which may fuse them). Steady and moving gain.
TEST(RealFft, InverseOfSummedProductsWithGainOrCrossfadeKeepsTheSecondHalf) {
  for (const auto set : {RealFft::InstructionSet::kBaseline, RealFft::InstructionSet::kAvx2Fma}) {
    RealFft fft(set);
    const bool exact = fft.instructionSet() == RealFft::InstructionSet::kBaseline;
    std::vector<float> h0[3], h1[3], x[3];
    const float *h0p[3], *h1p[3], *xp[3];
    for (unsigned i = 0; i < 3; ++i) {
      h0[i] = randomSignal(30 + i), h1[i] = randomSignal(60 + i), x[i] = randomSignal(40 + i);
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

}  // namespace

}  // namespace panner
