// A deterministic noise-like test signal in -0.5..0.5: the same samples on every platform
// and compiler (no library random generator), so rendered audio can be compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vsthost {

inline std::vector<float> noiseSignal(std::size_t length, uint32_t seed) {
  std::vector<float> signal(length);
  uint32_t state = seed;
  for (float& sample : signal) {
    state = state * 1664525u + 1013904223u;
    sample = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
  }
  return signal;
}

}  // namespace vsthost
