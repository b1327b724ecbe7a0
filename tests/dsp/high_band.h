// How much a change added to a low tone: energy above 16 kHz against all, in dB, from sample
// `from` on (Hann-windowed spectra of 1024, hop 512).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "spectral_blend.h"

inline double highBandDb(const std::vector<std::vector<float>>& out, std::size_t from,
                         double rate = 44100.0) {
  constexpr int kLength = 1024;
  constexpr double kPi = 3.14159265358979323846;
  const int firstBin = static_cast<int>(std::ceil(16000.0 * kLength / rate));
  double high = 0.0, total = 0.0;
  std::vector<panner::spectral::Complex> x(kLength);
  for (const auto& channel : out) {
    for (std::size_t start = from; start + kLength <= channel.size(); start += kLength / 2) {
      for (int n = 0; n < kLength; ++n)
        x[n] = (0.5 - 0.5 * std::cos(2.0 * kPi * n / kLength)) * channel[start + n];
      panner::spectral::transform(x, false);
      for (int k = 0; k < kLength; ++k) total += std::norm(x[k]);
      for (int k = firstBin; k < kLength / 2; ++k) high += 2.0 * std::norm(x[k]);  // and mirror
    }
  }
  return 10.0 * std::log10(std::max(high, 1e-300) / total);
}
