// Signals and comparisons the suites share: a deterministic noise, the largest difference
// between two multichannel renders, a render's energy, and where a response starts.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace quendral_test {

using Channels = std::vector<std::vector<float>>;

// Uniform noise in -0.3..0.3, the same for the same seed on every platform.
inline std::vector<float> noise(std::size_t frames, unsigned seed = 7) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> value(-0.3f, 0.3f);
  std::vector<float> x(frames);
  for (float& v : x) v = value(generator);
  return x;
}

// The largest absolute difference from frame `from` on; infinity when the shapes differ.
inline double largestDifference(const Channels& a, const Channels& b, std::size_t from = 0) {
  if (a.size() != b.size()) return INFINITY;
  double worst = 0.0;
  for (std::size_t c = 0; c < a.size(); ++c) {
    if (a[c].size() != b[c].size()) return INFINITY;
    for (std::size_t i = from; i < a[c].size(); ++i)
      worst = std::max(worst, std::fabs(static_cast<double>(a[c][i]) - b[c][i]));
  }
  return worst;
}

inline double energy(const Channels& x) {
  double sum = 0.0;
  for (const auto& channel : x)
    for (float v : channel) sum += static_cast<double>(v) * v;
  return sum;
}

// The first of `n` samples reaching `fraction` of their largest magnitude; -1 when silent.
inline int onset(const float* x, std::size_t n, float fraction) {
  float peak = 0.0f;
  for (std::size_t i = 0; i < n; ++i) peak = std::max(peak, std::fabs(x[i]));
  for (std::size_t i = 0; i < n && peak > 0.0f; ++i)
    if (std::fabs(x[i]) >= fraction * peak) return static_cast<int>(i);
  return -1;
}

}  // namespace quendral_test
