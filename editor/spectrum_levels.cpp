#include "spectrum_levels.h"

#include <cmath>

namespace panner {

void SpectrumLevelTable::build(int32_t rows, float topDb, float bottomDb) {
  thresholds.assign(rows > 0 ? static_cast<size_t>(rows) : 0u, 0.0f);
  if (rows <= 0) return;
  const float step = (topDb - bottomDb) / static_cast<float>(rows);
  for (int32_t r = 0; r < rows; ++r) {
    thresholds[static_cast<size_t>(r)] =
        std::pow(10.0f, (topDb - static_cast<float>(r) * step) * 0.1f);
  }
}

int32_t SpectrumLevelTable::rowOf(float power) const {
  // The thresholds fall row by row, so the first row below the power is found by bisection.
  int32_t lo = 0, hi = rows();
  while (lo < hi) {
    const int32_t mid = (lo + hi) / 2;
    if (power > thresholds[static_cast<size_t>(mid)]) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

float halfComplexBinPower(const std::atomic<float>* spectrum, int32_t n, int32_t j) {
  const float re = spectrum[j].load(std::memory_order_relaxed);
  if (j <= 0 || j >= n) return re * re;
  const float im = spectrum[2 * n - j].load(std::memory_order_relaxed);
  return re * re + im * im;
}

}  // namespace panner
