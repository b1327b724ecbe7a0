#include "convolution_steps.h"

#include "simd4.h"

namespace panner {

namespace {

using simd4::load;
using simd4::store;
using simd4::v4;

constexpr int kN = engine::kFftSize;
constexpr int kF = engine::kFrameSize;

// The products of the four bins k..k+3 of two half-complex spectra, whose imaginary parts
// stand reversed at j..j+3 (j = 256 - k - 3): real parts in pr, imaginary parts in pi, both
// in bin order.
inline void multiplyFourBins(const float* h, const float* x, int k, int j, v4& pr, v4& pi) {
  const v4 hr = load(h + k), xr = load(x + k);
  const v4 hi = simd4::reverse(load(h + j)), xi = simd4::reverse(load(x + j));
  pr = xr * hr - xi * hi;
  pi = hr * xi + hi * xr;
}

// The product of bin k, whose imaginary part stands at j = 256 - k.
inline void multiplyBin(const float* h, const float* x, int k, int j, float& pr, float& pi) {
  pr = x[k] * h[k] - x[j] * h[j];
  pi = h[k] * x[j] + h[j] * x[k];
}

}  // namespace

void multiplySpectra(const float* h, const float* x, float* product) {
  // Bins k = 1..124 four at a time: real parts at k..k+3, imaginary parts at
  // 256-k-3..256-k (reversed); bins 125..127 and the two real bins one by one.
  for (int k = 1; k < kN / 2 - 3; k += 4) {
    const int j = kN - k - 3;
    v4 pr, pi;
    multiplyFourBins(h, x, k, j, pr, pi);
    store(product + k, pr);
    store(product + j, simd4::reverse(pi));
  }
  for (int k = kN / 2 - 3; k < kN / 2; ++k) {
    const int j = kN - k;
    multiplyBin(h, x, k, j, product[k], product[j]);
  }
  product[0] = h[0] * x[0];
  product[kN / 2] = h[kN / 2] * x[kN / 2];
}

namespace {

// The crossfade for one combination of its two shortcuts: `kSame` when both slots gave the
// same output (the blend is then `from` itself), `kRamp` when the gain moves.
template <bool kSame, bool kRamp>
void crossfadeWith(const float* from, const float* to, GainRamp gain, float* out) {
  for (int i = 0; i < kF; i += 4)
    store(out + i, crossfadeFour<kSame, kRamp>(load(from + i), load(to + i), i, gain));
}

}  // namespace

void crossfade(const float* from, const float* to, GainRamp gain, float* out) {
  // Both shortcuts give exactly what the full formula gives: a + (a - a) x w is a, and a
  // gain span of zero adds nothing.
  const bool same = from == to;
  const bool ramp = gain.start != gain.end;
  if (same)
    ramp ? crossfadeWith<true, true>(from, to, gain, out)
         : crossfadeWith<true, false>(from, to, gain, out);
  else
    ramp ? crossfadeWith<false, true>(from, to, gain, out)
         : crossfadeWith<false, false>(from, to, gain, out);
}

}  // namespace panner
