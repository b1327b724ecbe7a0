#include "frame_io.h"

#include <algorithm>
#include <cmath>

#include "simd4.h"

namespace panner {

namespace {

using simd4::load;
using simd4::store;
using simd4::v4;

typedef int32_t v4i __attribute__((vector_size(16)));

v4 max(v4 a, v4 b) { return a > b ? a : b; }

float largest(v4 v) { return std::max(std::max(v[0], v[1]), std::max(v[2], v[3])); }

// x where x is finite, 0 elsewhere: x - x is 0 exactly for finite x and NaN otherwise.
v4 finiteOrZero(v4 x) {
  const v4i finite = (x - x) == simd4::splat(0.0f);
  return reinterpret_cast<v4>(reinterpret_cast<v4i>(x) & finite);
}

}  // namespace

float gatherInput(const float* input, float* frame, int32_t n, float peak) {
  if (!input) {
    std::fill(frame, frame + std::max(n, 0), 0.0f);
    return n > 0 ? std::max(peak, 0.0f) : peak;
  }
  v4 peaks = simd4::splat(peak);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const v4 x = finiteOrZero(load(input + i));
    store(frame + i, x);
    peaks = max(peaks, x);
  }
  for (; i < n; ++i) {
    const float x = std::isfinite(input[i]) ? input[i] : 0.0f;
    frame[i] = x;
    peaks[0] = std::max(peaks[0], x);
  }
  return largest(peaks);
}

namespace {

template <bool kAccumulate>
float play(const float* frame, float* output, int32_t n, float peak) {
  v4 peaks = simd4::splat(peak);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const v4 x = load(frame + i);
    peaks = max(peaks, x);
    store(output + i, kAccumulate ? load(output + i) + x : x);
  }
  for (; i < n; ++i) {
    peaks[0] = std::max(peaks[0], frame[i]);
    output[i] = kAccumulate ? output[i] + frame[i] : frame[i];
  }
  return largest(peaks);
}

float peakOf(const float* frame, int32_t n, float peak) {
  v4 peaks = simd4::splat(peak);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) peaks = max(peaks, load(frame + i));
  for (; i < n; ++i) peaks[0] = std::max(peaks[0], frame[i]);
  return largest(peaks);
}

}  // namespace

float playOutput(const float* frame, float* output, int32_t n, bool accumulate, float peak) {
  if (!output) return peakOf(frame, n, peak);
  return accumulate ? play<true>(frame, output, n, peak) : play<false>(frame, output, n, peak);
}

}  // namespace panner
