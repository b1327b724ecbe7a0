// How much a change added to a low tone: the energy above 16 kHz relative to all the energy
// of the channels from sample `from` on, in dB, from averaged Hann-windowed spectra of 1024
// samples, hop 512. The window's leakage from 1 kHz to 16 kHz lies far below what is
// measured with it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

inline double highBandDb(const std::vector<std::vector<float>>& out, std::size_t from,
                         double rate = 44100.0) {
  constexpr int kLength = 1024;
  constexpr double kPi = 3.14159265358979323846;
  const int firstBin = static_cast<int>(std::ceil(16000.0 * kLength / rate));
  std::vector<double> window(kLength), cosines(kLength), sines(kLength);
  for (int n = 0; n < kLength; ++n) {
    window[n] = 0.5 - 0.5 * std::cos(2.0 * kPi * n / kLength);
    cosines[n] = std::cos(2.0 * kPi * n / kLength);
    sines[n] = std::sin(2.0 * kPi * n / kLength);
  }
  double high = 0.0, total = 0.0;
  std::vector<double> x(kLength);
  for (const auto& channel : out) {
    for (std::size_t start = from; start + kLength <= channel.size(); start += kLength / 2) {
      double energy = 0.0;
      for (int n = 0; n < kLength; ++n) {
        x[n] = window[n] * channel[start + n];
        energy += x[n] * x[n];
      }
      total += energy * kLength;  // Parseval: the sum of |X_k|^2 over all bins
      for (int k = firstBin; k < kLength / 2; ++k) {
        double re = 0.0, im = 0.0;
        for (int n = 0; n < kLength; ++n) {
          const int phase = (k * n) % kLength;
          re += x[n] * cosines[phase];
          im -= x[n] * sines[phase];
        }
        high += 2.0 * (re * re + im * im);  // bin k and its mirror
      }
    }
  }
  return 10.0 * std::log10(std::max(high, 1e-300) / total);
}
