#include "own_set_tables.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "angle_math.h"
#include "band_limited_resampler.h"
#include "real_fft.h"
#include "response_sets.h"
#include "spectral_blend.h"

namespace panner {

namespace {

using spectral::Complex;

constexpr int kF = engine::kFrameSize;
constexpr double kMaxShiftSeconds = 0.001;  // neighbours' arrival difference searched within

// One direction of the whole circle: a stored row, or a mirrored half's row seen from the
// other side (its ears exchanged).
struct Direction {
  double angle;
  int row;
  bool swapped;
};

std::vector<Direction> wholeCircle(const OwnResponseSet& set) {
  std::vector<Direction> circle;
  for (int row = 0; row < set.rows(); ++row) circle.push_back({set.angles[row], row, false});
  if (set.mirrored) {
    for (int row = set.rows() - 1; row >= 0; --row) {
      const double a = set.angles[row];
      if (a > 0.0 && a < 180.0) circle.push_back({360.0 - a, row, true});
    }
  }
  return circle;
}

}  // namespace

std::unique_ptr<OwnSetTables> OwnSetTables::build(const OwnResponseSet& set, double rate) {
  if (!std::isfinite(rate) || rate < own_set::kMinRate || rate > own_set::kMaxRate ||
      set.rows() < 2 || set.length < 1)
    return nullptr;
  try {
    return std::unique_ptr<OwnSetTables>(new OwnSetTables(set, rate));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

OwnSetTables::OwnSetTables(const OwnResponseSet& set, double rate) : rate_(rate) {
  const BandLimitedResampler resampler(set.rate, rate);
  const bool exact = resampler.identity();
  const int full = exact ? set.length : resampler.fullLength(set.length);
  const int rows = set.rows();

  // Every stored response at this rate, from time zero until its continuation dies out.
  std::vector<float> responses(static_cast<size_t>(rows) * 2 * full);
  auto response = [&](int row, int channel) {
    return &responses[(static_cast<size_t>(row) * 2 + channel) * full];
  };
  const BandLimitedResampler::Plan plan = resampler.plan(set.length, 0.0, full);
  for (int row = 0; row < rows; ++row) {
    for (int channel = 0; channel < 2; ++channel) {
      float* r = response(row, channel);
      plan.apply(set.response(row, channel), r);
      length_ = std::max(length_, exact ? set.length : spectral::lengthKeepingEnergy(r, full));
    }
  }

  const std::vector<Direction> circle = wholeCircle(set);
  const int count = static_cast<int>(circle.size());
  const int maxLag = static_cast<int>(std::ceil(kMaxShiftSeconds * rate));
  size_t padded = 1;
  while (padded < static_cast<size_t>(2 * (length_ + maxLag + kF))) padded <<= 1;

  // Spectra of a direction's two channels, for the pair of neighbours being worked on.
  struct Spectra {
    int direction = -1;
    std::vector<Complex> channel[2];
  };
  Spectra cache[2];
  for (Spectra& c : cache)
    for (auto& s : c.channel) s.resize(padded);
  auto load = [&](Spectra& c, int direction) {
    c.direction = direction;
    const Direction& d = circle[direction];
    for (int channel = 0; channel < 2; ++channel) {
      const float* r = response(d.row, d.swapped ? 1 - channel : channel);
      std::fill(c.channel[channel].begin(), c.channel[channel].end(), Complex());
      std::copy(r, r + length_, c.channel[channel].begin());
      spectral::transform(c.channel[channel], false);
    }
  };
  // Makes cache[0] the spectra of `lower` and cache[1] those of `upper`.
  auto loadPair = [&](int lower, int upper) {
    if (cache[0].direction != lower) {
      if (cache[1].direction == lower)
        std::swap(cache[0], cache[1]);
      else
        load(cache[0], lower);
    }
    if (cache[1].direction != upper) load(cache[1], upper);
  };

  // The neighbours around each grid point, and the weight of the upper one.
  struct Place {
    int lower, upper;
    double w;
  };
  std::vector<Place> places(kGridPoints);
  for (int point = 0; point < kGridPoints; ++point) {
    int lower = count - 1;
    while (lower > 0 && circle[lower].angle > point) --lower;
    if (circle[lower].angle > point) lower = count - 1;  // before the first: from the last
    const int upper = (lower + 1) % count;
    double from = circle[lower].angle, to = circle[upper].angle;
    double at = point;
    if (to <= from) to += 360.0;
    if (at < from) at += 360.0;
    places[point] = {lower, upper, (at - from) / (to - from)};
  }

  // Arrival differences of the neighbours that have grid points between them.
  std::vector<double> delays(static_cast<size_t>(count) * 2, 0.0);
  std::vector<Complex> work(padded);
  std::vector<bool> measured(static_cast<size_t>(count), false);
  double largestShift = 0.0;
  for (int point = 0; point < kGridPoints; ++point) {
    const Place& p = places[point];
    if (p.w == 0.0 || measured[static_cast<size_t>(p.lower)]) continue;
    measured[static_cast<size_t>(p.lower)] = true;
    loadPair(p.lower, p.upper);
    for (int channel = 0; channel < 2; ++channel) {
      const double d = spectral::arrivalDifference(cache[0].channel[channel],
                                                   cache[1].channel[channel], maxLag, work);
      delays[static_cast<size_t>(p.lower) * 2 + channel] = d;
      largestShift = std::max(largestShift, std::fabs(d));
    }
  }
  partitions_ = (length_ + static_cast<int>(std::ceil(largestShift)) + kF - 1) / kF;
  partitions_ = std::clamp(partitions_, 1, kMaxPartitions);
  length_ = std::min(length_, partitions_ * kF);
  const int span = partitions_ * kF;

  grid_.resize(static_cast<size_t>(kGridPoints) * 2 * partitions_ * kN);
  RealFft fft(RealFft::InstructionSet::kBaseline);
  alignas(16) float transformed[kN];
  std::vector<float> taps(size_t(2) * span);  // both channels' filters, one after the other
  float* const channelTaps[2] = {taps.data(), taps.data() + span};
  for (int point = 0; point < kGridPoints; ++point) {
    const Place& p = places[point];
    std::fill(taps.begin(), taps.end(), 0.0f);
    if (p.w == 0.0 || p.w == 1.0) {
      const Direction& d = circle[p.w == 0.0 ? p.lower : p.upper];
      for (int channel = 0; channel < 2; ++channel) {
        const float* r = response(d.row, d.swapped ? 1 - channel : channel);
        std::copy(r, r + length_, channelTaps[channel]);
      }
    } else {
      loadPair(p.lower, p.upper);
      const double* delay = &delays[static_cast<size_t>(p.lower) * 2];
      const spectral::NeighbourPair pairs[2] = {
          {&cache[0].channel[0], &cache[1].channel[0], delay[0]},
          {&cache[0].channel[1], &cache[1].channel[1], delay[1]}};
      spectral::blendNeighbours(pairs, p.w, work, channelTaps, span);
    }
    for (int channel = 0; channel < 2; ++channel) {
      float* out = gridSpectra(point, channel);
      for (int part = 0; part < partitions_; ++part) {
        std::copy(channelTaps[channel] + part * kF, channelTaps[channel] + (part + 1) * kF,
                  transformed);
        std::fill(transformed + kF, transformed + kN, 0.0f);
        fft.forward(transformed);
        packedToHalfComplex(transformed, out + part * kN);
      }
    }
  }
  if (set.offRingRows() > 0) {
    // The set was checked whole before (checkOwnResponseSet): a grid that fails here makes
    // no tables, as memory running out does.
    if (!ownSetSphereGrid(set, sphereSource_.grid, nullptr)) throw std::bad_alloc();
    sphereSource_.rate = set.rate;
    sphereSource_.length = set.length;
    sphereSource_.taps = set.taps;
    sphereSource_.taps.insert(sphereSource_.taps.end(), set.offRingTaps.begin(),
                              set.offRingTaps.end());
    sphere_ = SphereTables::build(nullptr, {&sphereSource_}, rate, partitions_);
    if (!sphere_) throw std::bad_alloc();
  }
}

float* OwnSetTables::gridSpectra(int point, int channel) {
  return &grid_[(static_cast<size_t>(point) * 2 + channel) * partitions_ * kN];
}
const float* OwnSetTables::gridSpectra(int point, int channel) const {
  return &grid_[(static_cast<size_t>(point) * 2 + channel) * partitions_ * kN];
}

void OwnSetTables::buildFilterSpectra(float angleDegrees, float* spectrum0, float* spectrum1,
                                      float scale) const {
  const float a = std::isfinite(angleDegrees) ? wrapAzimuth(angleDegrees) : 0.0f;
  const int lower = std::min(static_cast<int>(a), kGridPoints - 1);
  const int upper = lower + 1 < kGridPoints ? lower + 1 : 0;
  const float w = std::clamp(a - static_cast<float>(lower), 0.0f, 1.0f);
  const int size = partitions_ * kN;
  interpolate(gridSpectra(lower, 0), gridSpectra(upper, 0), w, spectrum0, size, scale);
  interpolate(gridSpectra(lower, 1), gridSpectra(upper, 1), w, spectrum1, size, scale);
}

}  // namespace panner
