// Level rows of the response display: for a pane h pixels high spanning topDb at its outer
// edge to bottomDb at the centre line, row r begins at power T[r] = 10^((top - r step)/10).
// Placing a power on the pane is a search in this table; no logarithm per point.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace panner {

class SpectrumLevelTable {
 public:
  // Allocates the table; called when the display is built or its pane layout changes.
  void build(int32_t rows, float topDb, float bottomDb);

  int32_t rows() const { return static_cast<int32_t>(thresholds.size()); }
  // Power at which row r begins; r must lie in 0..rows()-1.
  float threshold(int32_t r) const { return thresholds[static_cast<size_t>(r)]; }
  // The smallest row r with power > T[r], or rows() when there is none (also for NaN).
  int32_t rowOf(float power) const;

 private:
  std::vector<float> thresholds;
};

// Power of bin j of a half-complex spectrum of 2n values: X[j]^2 + X[2n-j]^2, or X[0]^2 for
// bin 0 (and X[n]^2 for bin n, which has no imaginary part).
float halfComplexBinPower(const std::atomic<float>* spectrum, int32_t n, int32_t j);

}  // namespace panner
