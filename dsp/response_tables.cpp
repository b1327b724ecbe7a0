#include "response_tables.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "band_limited_resampler.h"
#include "parallel_work.h"
#include "real_fft.h"
#include "response_table_data.h"
#include "spectral_blend.h"

namespace panner {

namespace {

using spectral::blendNeighbours;
using spectral::Complex;
using spectral::energy;
using spectral::lengthKeepingEnergy;
using spectral::transform;

constexpr int kF = engine::kFrameSize;
constexpr int kRows = response_data::kSetOneRows + response_data::kSetTwoRows;

}  // namespace

std::unique_ptr<ResponseTables> ResponseTables::create(const ResponseSets& sets, double rate) {
  if (rate != ResponseSets::kMeasurementRate) return build(sets, rate);
  try {
    return std::unique_ptr<ResponseTables>(new ResponseTables(sets));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::unique_ptr<ResponseTables> ResponseTables::build(const ResponseSets& sets, double rate) {
  if (!std::isfinite(rate) || rate < kMinRate || rate > kMaxRate) return nullptr;
  try {
    return std::unique_ptr<ResponseTables>(new ResponseTables(sets, rate));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ResponseTables::ResponseTables(const ResponseSets& sets)
    : firstRow_(sets.set(0).entries),
      rate_(ResponseSets::kMeasurementRate),
      length_(kF),
      grid_(response_data::kMeasurementRateGrid) {}

ResponseTables::ResponseTables(const ResponseSets& sets, double rate)
    : firstRow_(sets.set(0).entries), rate_(rate) {
  const BandLimitedResampler resampler(ResponseSets::kMeasurementRate, rate);
  const ResponseEntry* rows = firstRow_;
  auto measured = [&](int row, int ear) { return ear == 0 ? rows[row].first : rows[row].second; };

  // Each response at this rate, from time zero until its continuation dies out.
  const bool exact = resampler.identity();
  const int full = exact ? kF : resampler.fullLength(kF);
  const int before = exact ? 0 : resampler.fullLength(1);
  std::vector<float> responses(static_cast<size_t>(kRows) * 2 * full);
  std::vector<double> totals(kRows * 2);
  std::vector<int> lengths(kRows * 2);
  auto response = [&](int row, int ear) { return &responses[(row * 2 + ear) * size_t(full)]; };
  const BandLimitedResampler::Plan fromZero = resampler.plan(kF, 0.0, full);
  const BandLimitedResampler::Plan ahead = resampler.plan(kF, before, before);
  // Every response on its own, shared out among the processor's cores (parallel_work.h).
  shareOut<std::vector<float>>(kRows * 2, [&](std::vector<float>& early, int i) {
    early.resize(static_cast<size_t>(before));
    float* r = response(i / 2, i % 2);
    fromZero.apply(measured(i / 2, i % 2), r);
    lengths[i] = exact ? kF : lengthKeepingEnergy(r, full);
    // The window's reach ahead of the first tap, before time zero, is not kept.
    ahead.apply(measured(i / 2, i % 2), early.data());
    totals[i] = energy(r, full) + energy(early.data(), before);
  });
  length_ = *std::max_element(lengths.begin(), lengths.end());

  // Room for a response moved later by the largest difference between neighbours.
  double largestShift = 0.0;
  for (int row = 0; row < kRows; ++row)
    for (float d : rows[row].delayToNext)
      largestShift = std::max(largestShift, std::fabs(d) * rate / ResponseSets::kMeasurementRate);
  partitions_ = exact ? 1 : (length_ + static_cast<int>(std::ceil(largestShift)) + kF - 1) / kF;
  partitions_ = std::clamp(partitions_, 1, kMaxPartitions);
  length_ = std::min(length_, partitions_ * kF);
  for (int i = 0; i < kRows * 2; ++i) {
    if (totals[i] <= 0.0) continue;
    const double kept = energy(response(i / 2, i % 2), length_);
    droppedEnergy_ = std::max(droppedEnergy_, 1.0 - kept / totals[i]);
  }

  // Spectra of every response, padded to twice the filter span so that moving a response
  // by a few samples does not wrap it round.
  const int span = partitions_ * kF;
  size_t padded = 1;
  while (padded < static_cast<size_t>(2 * span)) padded <<= 1;
  std::vector<std::vector<Complex>> spectra(kRows * 2, std::vector<Complex>(padded));
  struct Nothing {};
  shareOut<Nothing>(kRows * 2, [&](Nothing&, int i) {
    std::copy(response(i / 2, i % 2), response(i / 2, i % 2) + length_, spectra[i].begin());
    transform(spectra[i], false);
  });

  built_.resize(size_t(2) * kGridPoints * 2 * span * 2);
  grid_ = built_.data();
  // Every grid point is made on its own, so the points are shared out among the
  // processor's cores: a rate change waits for the slowest share only.
  struct Scratch {
    // The baseline transform everywhere: the same tables on every processor, so that the
    // committed measurement-rate data is what this builds.
    RealFft fft{RealFft::InstructionSet::kBaseline};
    alignas(16) float work[kN];
    std::vector<float> taps;  // both ears' filters, one after the other
    std::vector<Complex> blendWork;
  };
  shareOut<Scratch>(2 * kGridPoints, [&](Scratch& scratch, int job) {
    scratch.taps.assign(size_t(2) * span, 0.0f);
    scratch.blendWork.resize(padded);
    const int set = job / kGridPoints, point = job % kGridPoints;
    const ResponseSetDescriptor& d = sets.set(set);
    const int first = static_cast<int>(d.entries - rows);
    const int step = static_cast<int>(d.entries[1].angle - d.entries[0].angle);
    const int lower = std::min(point / step, d.count - 2);
    const double w = static_cast<double>(point - lower * step) / step;
    const int row = first + lower;
    float* const taps[2] = {scratch.taps.data(), scratch.taps.data() + span};
    if (w == 0.0 || w == 1.0) {
      for (int ear = 0; ear < 2; ++ear) {
        const float* r = response(w == 0.0 ? row : row + 1, ear);
        std::copy(r, r + length_, taps[ear]);
      }
    } else {
      const double toRate = rate / ResponseSets::kMeasurementRate;
      const spectral::NeighbourPair ears[2] = {
          {&spectra[row * 2], &spectra[(row + 1) * 2], rows[row].delayToNext[0] * toRate},
          {&spectra[row * 2 + 1], &spectra[(row + 1) * 2 + 1], rows[row].delayToNext[1] * toRate}};
      blendNeighbours(ears, w, scratch.blendWork, taps, span);
    }
    for (int ear = 0; ear < 2; ++ear) {
      float* out = gridSpectra(set, point, ear);
      for (int p = 0; p < partitions_; ++p) {
        std::copy(taps[ear] + p * kF, taps[ear] + (p + 1) * kF, scratch.work);
        std::fill(scratch.work + kF, scratch.work + kN, 0.0f);
        scratch.fft.forward(scratch.work);
        packedToHalfComplex(scratch.work, out + p * kN);
      }
    }
  });
}

float* ResponseTables::gridSpectra(int set, int point, int ear) {
  return &built_[((size_t(set) * kGridPoints + point) * 2 + ear) * partitions_ * kN];
}
const float* ResponseTables::gridSpectra(int set, int point, int ear) const {
  return &grid_[((size_t(set) * kGridPoints + point) * 2 + ear) * partitions_ * kN];
}

void ResponseTables::buildFilterSpectra(const ResponseSetDescriptor& set, float angleDegrees,
                                        float* spectrum0, float* spectrum1, float scale) const {
  bool mirrored = false;
  const float m = foldAzimuth(angleDegrees, &mirrored);
  const int lower = std::min(static_cast<int>(m), kGridPoints - 2);
  const float w = m - static_cast<float>(lower);
  const int s = set.entries == firstRow_ ? 0 : 1;
  float* nearEar = mirrored ? spectrum0 : spectrum1;
  float* farEar = mirrored ? spectrum1 : spectrum0;
  const int size = partitions_ * kN;
  interpolate(gridSpectra(s, lower, response_data::kNearEar),
              gridSpectra(s, lower + 1, response_data::kNearEar), w, nearEar, size, scale);
  interpolate(gridSpectra(s, lower, response_data::kFarEar),
              gridSpectra(s, lower + 1, response_data::kFarEar), w, farEar, size, scale);
}

}  // namespace panner
