#include "band_limited_resampler.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "simd4.h"

namespace panner {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kZeroCrossings = 32;   // half-width of the windowed sinc, in its own zero crossings
constexpr double kKaiserBeta = 8.6;  // about 90 dB side-lobe rejection
constexpr double kPassbandFraction = 0.9;
constexpr int kTableSteps = 512;  // kernel table entries per zero crossing

double besselI0(double x) {
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
    if (term < sum * 1e-17) break;
  }
  return sum;
}

// The windowed sinc over u = 0..kZeroCrossings (it is even), sampled finely enough that
// linear interpolation between entries stays below 1e-5 of the peak.
const std::array<double, kZeroCrossings * kTableSteps + 2>& kernelTable() {
  static const auto table = [] {
    std::array<double, kZeroCrossings * kTableSteps + 2> t{};
    const double norm = besselI0(kKaiserBeta);
    for (size_t i = 0; i < t.size(); ++i) {
      const double u = static_cast<double>(i) / kTableSteps;
      if (u >= kZeroCrossings) break;
      const double sinc = i == 0 ? 1.0 : std::sin(kPi * u) / (kPi * u);
      const double r = u / kZeroCrossings;
      t[i] = sinc * besselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / norm;
    }
    return t;
  }();
  return table;
}

}  // namespace

BandLimitedResampler::BandLimitedResampler(double sourceRate, double targetRate)
    : step_(sourceRate / targetRate),
      cutoff_(kPassbandFraction * std::min(1.0, targetRate / sourceRate)),
      reach_(kZeroCrossings / cutoff_),
      gainScale_(sourceRate / targetRate) {
  kernelTable();  // built once, here rather than on first use
}

double BandLimitedResampler::kernel(double u) const {
  const double x = std::fabs(u) * kTableSteps;
  const int i = static_cast<int>(x);
  if (i >= kZeroCrossings * kTableSteps) return 0.0;
  const auto& t = kernelTable();
  return t[i] + (t[i + 1] - t[i]) * (x - i);
}

void BandLimitedResampler::resample(const float* source, int sourceCount, double delay, float* out,
                                    int outCount) const {
  plan(sourceCount, delay, outCount).apply(source, out);
}

BandLimitedResampler::Plan BandLimitedResampler::plan(int sourceCount, double delay,
                                                      int outCount) const {
  Plan plan;
  plan.sourceCount_ = sourceCount;
  plan.cutoff_ = cutoff_;
  plan.gainScale_ = gainScale_;
  plan.outputs_.resize(static_cast<size_t>(std::max(outCount, 0)));
  if (identity() && delay == 0.0) {
    plan.copy_ = true;
    return plan;
  }
  for (int n = 0; n < outCount; ++n) {
    const double t = (n - delay) * step_;  // in source samples
    const int first = std::max(0, static_cast<int>(std::ceil(t - reach_)));
    const int last = std::min(sourceCount - 1, static_cast<int>(std::floor(t + reach_)));
    Plan::Output& output = plan.outputs_[n];
    output.first = first;
    output.count = std::max(0, last - first + 1);
    output.weights = plan.weights_.size();
    for (int m = first; m <= last; ++m) plan.weights_.push_back(kernel(cutoff_ * (t - m)));
  }
  return plan;
}

void BandLimitedResampler::Plan::apply(const float* source, float* out) const {
  const int outCount = static_cast<int>(outputs_.size());
  if (copy_) {
    for (int n = 0; n < outCount; ++n) out[n] = n < sourceCount_ ? source[n] : 0.0f;
    return;
  }
  for (int n = 0; n < outCount; ++n) {
    const Output& output = outputs_[n];
    const float* from = source + output.first;
    const double* w = &weights_[output.weights];
    double sum = 0.0;
    for (int j = 0; j < output.count; ++j) sum += from[j] * w[j];
    out[n] = static_cast<float>(sum * cutoff_ * gainScale_);
  }
}

void BandLimitedResampler::delay(const float* source, int sourceCount, double delay, float* out,
                                 int outCount) const {
  // Output n reads source taps n - j for the j within the kernel's reach of `delay`; the
  // weights depend on j alone, so the outputs are summed a kernel tap at a time, which the
  // compiler runs several outputs at once.
  const int lowest = static_cast<int>(std::ceil(delay - reach_));
  const int highest = static_cast<int>(std::floor(delay + reach_));
  std::fill(out, out + outCount, 0.0f);
  for (int j = lowest; j <= highest; ++j) {
    const float w = static_cast<float>(kernel(cutoff_ * (j - delay)) * cutoff_ * gainScale_);
    // Outputs n with 0 <= n - j < sourceCount.
    const int first = std::max(0, j), last = std::min(outCount, sourceCount + j);
    const float* from = source - j;
    const simd4::v4 w4 = simd4::splat(w);
    int n = first;
    for (; n + 4 <= last; n += 4)
      simd4::store(out + n, simd4::load(out + n) + w4 * simd4::load(from + n));
    for (; n < last; ++n) out[n] += w * from[n];
  }
}

int BandLimitedResampler::fullLength(int sourceCount) const {
  return static_cast<int>(std::ceil((sourceCount - 1 + reach_) / step_)) + 1;
}

}  // namespace panner
