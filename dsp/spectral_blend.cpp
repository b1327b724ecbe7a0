#include "spectral_blend.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>

namespace panner {

namespace spectral {

namespace {
constexpr double kPi = 3.14159265358979323846;

// The turns of one transform length and direction, worked out once per process: one table
// build runs hundreds of transforms of the same length.
const std::vector<Complex>& twiddles(size_t n, bool inverse) {
  struct Made {
    size_t n;
    bool inverse;
    std::vector<Complex> turns;
  };
  static std::mutex mutex;
  static std::deque<Made> made;  // never moves what it holds
  std::lock_guard<std::mutex> lock(mutex);
  for (const Made& m : made)
    if (m.n == n && m.inverse == inverse) return m.turns;
  std::vector<Complex> turns(n / 2);
  for (size_t k = 0; k < n / 2; ++k)
    turns[k] = std::polar(
        1.0, (inverse ? 2.0 : -2.0) * kPi * static_cast<double>(k) / static_cast<double>(n));
  return made.emplace_back(Made{n, inverse, std::move(turns)}).turns;
}

// |z| without the scaling std::abs (hypot) does against overflow, which the responses'
// spectra never come near.
double magnitude(const Complex& z) { return std::sqrt(z.real() * z.real() + z.imag() * z.imag()); }

}  // namespace

double energy(const float* x, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += static_cast<double>(x[i]) * x[i];
  return sum;
}

int lengthKeepingEnergy(const float* x, int n) {
  const double total = energy(x, n);
  double tail = 0.0;
  int length = n;
  while (length > 1) {
    const double next = tail + static_cast<double>(x[length - 1]) * x[length - 1];
    if (next > kTailEnergy * total) break;
    tail = next;
    --length;
  }
  return length;
}

void transform(std::vector<Complex>& x, bool inverse) {
  const size_t n = x.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  const std::vector<Complex>& turns = twiddles(n, inverse);
  // Radix-2 butterflies on the real and imaginary parts directly: the products as
  // std::complex forms them for finite values (ac - bd, ad + bc), without its checks for
  // infinities, which cost more than the arithmetic.
  double* v = reinterpret_cast<double*>(x.data());
  for (size_t length = 2; length <= n; length <<= 1) {
    const size_t stride = n / length, half = length / 2;
    for (size_t k = 0; k < half; ++k) {
      const double turnRe = turns[k * stride].real(), turnIm = turns[k * stride].imag();
      for (size_t start = 0; start < n; start += length) {
        double* a = v + 2 * (start + k);
        double* b = v + 2 * (start + k + half);
        const double bRe = b[0] * turnRe - b[1] * turnIm, bIm = b[0] * turnIm + b[1] * turnRe;
        const double aRe = a[0], aIm = a[1];
        a[0] = aRe + bRe;
        a[1] = aIm + bIm;
        b[0] = aRe - bRe;
        b[1] = aIm - bIm;
      }
    }
  }
}

void blendNeighbours(const NeighbourPair (&ears)[2], double w, std::vector<Complex>& work,
                     float* const (&taps)[2], int count) {
  const size_t m = work.size();
  // The delays' phase ramps, bin by bin: e^(-i omega shift) with omega = 2 pi k / m.
  const double omega = 2.0 * kPi / static_cast<double>(m);
  for (int ear = 0; ear < 2; ++ear) {
    const std::vector<Complex>& lower = *ears[ear].lower;
    const std::vector<Complex>& upper = *ears[ear].upper;
    const double shiftLower = w * ears[ear].delay, shiftUpper = shiftLower - ears[ear].delay;
    const Complex stepLower = std::polar(1.0, -omega * shiftLower);
    const Complex stepUpper = std::polar(1.0, -omega * shiftUpper);
    Complex rampLower = 1.0, rampUpper = 1.0;
    for (size_t k = 0; k <= m / 2; ++k, rampLower *= stepLower, rampUpper *= stepUpper) {
      const Complex a = lower[k] * rampLower;
      const Complex b = upper[k] * rampUpper;
      const Complex blend = (1.0 - w) * a + w * b;
      const double target =
          std::exp((1.0 - w) * std::log(magnitude(a) + 1e-30) + w * std::log(magnitude(b) + 1e-30));
      const double size = magnitude(blend);
      Complex value = size > 1e-30 ? blend * (target / size) : Complex(target, 0.0);
      if (k == 0 || k == m / 2) value = Complex(value.real(), 0.0);  // real bins stay real
      // Both filters are real, so their spectra are symmetric: ear 0's fills the bins, ear
      // 1's is added times i, and one inverse gives ear 0 as real and ear 1 as imaginary part.
      if (ear == 0) {
        work[k] = value;
        if (k > 0 && k < m / 2) work[m - k] = std::conj(value);
      } else {
        work[k] += Complex(-value.imag(), value.real());
        if (k > 0 && k < m / 2) work[m - k] += Complex(value.imag(), value.real());
      }
    }
  }
  transform(work, true);
  for (int n = 0; n < count; ++n) {
    taps[0][n] = static_cast<float>(work[n].real() / m);
    taps[1][n] = static_cast<float>(work[n].imag() / m);
  }
}

double arrivalDifference(const std::vector<Complex>& earlier, const std::vector<Complex>& later,
                         int maxLag, std::vector<Complex>& work) {
  const size_t m = earlier.size();
  for (size_t k = 0; k < m; ++k) work[k] = std::conj(earlier[k]) * later[k];
  transform(work, true);
  // work[lag mod m] is the correlation sum over n of earlier[n] x later[n + lag].
  auto at = [&](int lag) {
    return work[(static_cast<long>(m) + lag) % static_cast<long>(m)].real();
  };
  maxLag = std::min(maxLag, static_cast<int>(m / 2) - 1);
  int best = -maxLag;
  for (int lag = -maxLag; lag <= maxLag; ++lag)
    if (at(lag) > at(best)) best = lag;
  if (best == -maxLag || best == maxLag) return best;
  const double before = at(best - 1), peak = at(best), after = at(best + 1);
  const double curvature = before - 2.0 * peak + after;
  return best + (curvature < 0.0 ? 0.5 * (before - after) / curvature : 0.0);
}

}  // namespace spectral

}  // namespace panner
