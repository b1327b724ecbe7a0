#include "response_sets.h"

#include <algorithm>
#include <cmath>

#include "angle_math.h"
#include "real_fft.h"
#include "simd4.h"

namespace panner {

namespace {

constexpr int kTaps = engine::kFrameSize;
constexpr int kN = engine::kFftSize;

// Brings any azimuth into 0 <= a < 360; NaN and infinities become 0.
float normaliseAngle(float angle) { return std::isfinite(angle) ? wrapAzimuth(angle) : 0.0f; }

// r = lower + (upper - lower) x w over n values, n a multiple of 4.
void interpolate(const float* lower, const float* upper, float w, float* out, int n) {
  const simd4::v4 weight = simd4::splat(w);
  for (int i = 0; i < n; i += 4) {
    const simd4::v4 l = simd4::load(lower + i);
    simd4::store(out + i, l + (simd4::load(upper + i) - l) * weight);
  }
}

}  // namespace

ResponseSets::ResponseSets(RealFft& fft) {
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
      for (int ear = 0; ear < 2; ++ear) {
        float* spectrum = spectra[row][ear];
        float work[kN] = {};
        for (int i = 0; i < kTaps; ++i) {
          taps[row][ear][i] = static_cast<float>(sources[s].rows[r][ear][i]) / 32768.0f;
          work[i] = taps[row][ear][i];
        }
        fft.forward(work);
        packedToHalfComplex(work, spectrum);
      }
      ResponseEntry& entry = entries[row];
      entry.angle = static_cast<float>(r * sources[s].step);
      entry.first = taps[row][response_data::kNearEar];
      entry.second = taps[row][response_data::kFarEar];
      entry.firstSpectrum = spectra[row][response_data::kNearEar];
      entry.secondSpectrum = spectra[row][response_data::kFarEar];
    }
  }
}

RowPair locateAngle(const ResponseSetDescriptor& set, float angleDegrees) {
  float m = normaliseAngle(angleDegrees);
  const bool mirrored = m >= kHalfTurnDegrees;
  if (mirrored) m = kDegreesPerTurn - m;
  m = std::clamp(m, 0.0f, kHalfTurnDegrees);

  const ResponseEntry* rows = set.entries;
  int i = 0;
  while (i < set.count - 2 && !(rows[i].angle <= m && m <= rows[i + 1].angle)) ++i;
  const float span = rows[i + 1].angle - rows[i].angle;
  const float w = span > 0.0f ? std::clamp((m - rows[i].angle) / span, 0.0f, 1.0f) : 0.0f;
  return {&rows[i], &rows[i + 1], w, mirrored};
}

void buildFilters(const ResponseSetDescriptor& set, float angleDegrees, float* channel0,
                  float* channel1) {
  const RowPair pair = locateAngle(set, angleDegrees);
  float* nearEar = pair.mirrored ? channel0 : channel1;
  float* farEar = pair.mirrored ? channel1 : channel0;
  interpolate(pair.lower->first, pair.upper->first, pair.weight, nearEar, kTaps);
  interpolate(pair.lower->second, pair.upper->second, pair.weight, farEar, kTaps);
  std::fill(channel0 + kTaps, channel0 + kN, 0.0f);
  std::fill(channel1 + kTaps, channel1 + kN, 0.0f);
}

void buildFilterSpectra(const ResponseSetDescriptor& set, float angleDegrees, float* spectrum0,
                        float* spectrum1) {
  const RowPair pair = locateAngle(set, angleDegrees);
  float* nearEar = pair.mirrored ? spectrum0 : spectrum1;
  float* farEar = pair.mirrored ? spectrum1 : spectrum0;
  interpolate(pair.lower->firstSpectrum, pair.upper->firstSpectrum, pair.weight, nearEar, kN);
  interpolate(pair.lower->secondSpectrum, pair.upper->secondSpectrum, pair.weight, farEar, kN);
}

}  // namespace panner
