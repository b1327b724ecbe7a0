#include "response_sets.h"

#include <algorithm>
#include <cmath>

#include "angle_math.h"
#include "response_table_data.h"
#include "simd4.h"

namespace panner {

namespace {

constexpr int kTaps = engine::kFrameSize;

// Brings any azimuth into 0 <= a < 360; NaN and infinities become 0.
float normaliseAngle(float angle) { return std::isfinite(angle) ? wrapAzimuth(angle) : 0.0f; }

}  // namespace

void interpolate(const float* lower, const float* upper, float w, float* out, int n, float scale) {
  const simd4::v4 weight = simd4::splat(w), factor = simd4::splat(scale);
  for (int i = 0; i < n; i += 4) {
    const simd4::v4 l = simd4::load(lower + i);
    simd4::store(out + i, factor * (l + (simd4::load(upper + i) - l) * weight));
  }
}

ResponseSets::ResponseSets(Arrivals arrivals) {
  struct Source {
    const int16_t (*rows)[2][kTaps];
    int count;
    int step;
    float gain;
  };
  const Source sources[2] = {
      {response_data::kSetOneTaps, response_data::kSetOneRows, response_data::kSetOneStep,
       kSetOneGain},
      {response_data::kSetTwoTaps, response_data::kSetTwoRows, response_data::kSetTwoStep,
       kSetTwoGain},
  };
  int row = 0;
  for (int s = 0; s < 2; ++s) {
    descriptors[s].count = sources[s].count;
    descriptors[s].gain = sources[s].gain;
    descriptors[s].entries = &entries[row];
    for (int r = 0; r < sources[s].count; ++r, ++row) {
      for (int ear = 0; ear < 2; ++ear)
        for (int i = 0; i < kTaps; ++i)
          taps[row][ear][i] = static_cast<float>(sources[s].rows[r][ear][i]) / 32768.0f;
      ResponseEntry& entry = entries[row];
      entry.angle = static_cast<float>(r * sources[s].step);
      entry.first = taps[row][response_data::kNearEar];
      entry.second = taps[row][response_data::kFarEar];
    }
    for (int r = row - sources[s].count; r + 1 < row; ++r) {
      for (int ear = 0; ear < 2; ++ear) {
        entries[r].delayToNext[ear] = arrivals == Arrivals::kMeasured
                                          ? arrivalDifference(taps[r][ear], taps[r + 1][ear])
                                          : response_data::kDelayToNext[r][ear];
      }
    }
  }
}

float arrivalDifference(const float* earlier, const float* later) {
  // 44 samples at 44.1 kHz: a head's largest difference between neighbouring measurements
  // stays well inside.
  constexpr int kMaxLag = 44;
  double correlation[2 * kMaxLag + 1];
  for (int lag = -kMaxLag; lag <= kMaxLag; ++lag) {
    double sum = 0.0;
    for (int n = std::max(0, -lag); n < std::min(kTaps, kTaps - lag); ++n)
      sum += static_cast<double>(earlier[n]) * later[n + lag];
    correlation[lag + kMaxLag] = sum;
  }
  const int best =
      static_cast<int>(std::max_element(correlation, correlation + 2 * kMaxLag + 1) - correlation);
  if (best == 0 || best == 2 * kMaxLag) return static_cast<float>(best - kMaxLag);
  // The peak of the parabola through the best lag and its neighbours.
  const double before = correlation[best - 1], at = correlation[best],
               after = correlation[best + 1];
  const double curvature = before - 2.0 * at + after;
  const double offset = curvature < 0.0 ? 0.5 * (before - after) / curvature : 0.0;
  return static_cast<float>(best - kMaxLag + offset);
}

float foldAzimuth(float angleDegrees, bool* mirrored) {
  float m = normaliseAngle(angleDegrees);
  *mirrored = m >= kHalfTurnDegrees;
  if (*mirrored) m = kDegreesPerTurn - m;
  return std::clamp(m, 0.0f, kHalfTurnDegrees);
}

}  // namespace panner
