#include "response_tables.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <new>

#include "band_limited_resampler.h"
#include "real_fft.h"
#include "response_table_data.h"

namespace panner {

namespace {

using Complex = std::complex<double>;

constexpr int kF = engine::kFrameSize;
constexpr int kRows = response_data::kSetOneRows + response_data::kSetTwoRows;
constexpr double kPi = 3.14159265358979323846;
// A tail is cut where what follows holds less than this fraction of the response's energy.
constexpr double kTailEnergy = 1e-6;

double energy(const float* x, int n) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += static_cast<double>(x[i]) * x[i];
  return sum;
}

// Shortest length whose tail past it holds at most kTailEnergy of the whole.
int lengthKeepingEnergy(const float* x, int n) {
  const double total = energy(x, n);
  double tail = 0.0;
  int length = n;
  while (length > 1) {
    const double next = tail + static_cast<double>(x[length - 1]) * x[length - 1];
    if (next > kTailEnergy * total) break;
    tail = next;
    --length;
  }
  return length;
}

// In-place complex transform of a power-of-two length, e^(-i...) forward, unscaled both
// ways. Used only while tables are built.
void transform(std::vector<Complex>& x, bool inverse) {
  const size_t n = x.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  std::vector<Complex> twiddles(n / 2);
  for (size_t k = 0; k < n / 2; ++k)
    twiddles[k] = std::polar(
        1.0, (inverse ? 2.0 : -2.0) * kPi * static_cast<double>(k) / static_cast<double>(n));
  for (size_t length = 2; length <= n; length <<= 1) {
    const size_t stride = n / length;
    for (size_t start = 0; start < n; start += length) {
      for (size_t k = 0; k < length / 2; ++k) {
        const Complex a = x[start + k], b = x[start + k + length / 2] * twiddles[k * stride];
        x[start + k] = a + b;
        x[start + k + length / 2] = a - b;
      }
    }
  }
}

// The filter between two neighbouring responses (their spectra of `lower` and `upper`,
// full length), at weight w of the upper one, whose arrival is `delay` samples later.
// Returns the taps from time zero on, as many as `taps` holds.
void blendNeighbours(const std::vector<Complex>& lower, const std::vector<Complex>& upper, double w,
                     double delay, std::vector<Complex>& work, float* taps, int count) {
  const size_t m = lower.size();
  const double shiftLower = w * delay, shiftUpper = w * delay - delay;
  // The delays' phase ramps, bin by bin: e^(-i omega shift) with omega = 2 pi k / m.
  const double omega = 2.0 * kPi / static_cast<double>(m);
  const Complex stepLower = std::polar(1.0, -omega * shiftLower);
  const Complex stepUpper = std::polar(1.0, -omega * shiftUpper);
  Complex rampLower = 1.0, rampUpper = 1.0;
  for (size_t k = 0; k <= m / 2; ++k, rampLower *= stepLower, rampUpper *= stepUpper) {
    const Complex a = lower[k] * rampLower;
    const Complex b = upper[k] * rampUpper;
    const Complex blend = (1.0 - w) * a + w * b;
    const double target =
        std::exp((1.0 - w) * std::log(std::abs(a) + 1e-30) + w * std::log(std::abs(b) + 1e-30));
    const double size = std::abs(blend);
    Complex value = size > 1e-30 ? blend * (target / size) : Complex(target, 0.0);
    if (k == 0 || k == m / 2) value = Complex(value.real(), 0.0);  // real bins stay real
    work[k] = value;
    if (k > 0 && k < m / 2) work[m - k] = std::conj(value);
  }
  transform(work, true);
  for (int n = 0; n < count; ++n) taps[n] = static_cast<float>(work[n].real() / m);
}

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
  std::vector<float> early(static_cast<size_t>(before));
  std::vector<double> totals(kRows * 2);
  auto response = [&](int row, int ear) { return &responses[(row * 2 + ear) * size_t(full)]; };
  for (int row = 0; row < kRows; ++row) {
    for (int ear = 0; ear < 2; ++ear) {
      float* r = response(row, ear);
      resampler.resample(measured(row, ear), kF, 0.0, r, full);
      length_ = std::max(length_, exact ? kF : lengthKeepingEnergy(r, full));
      // The window's reach ahead of the first tap, before time zero, is not kept.
      resampler.resample(measured(row, ear), kF, before, early.data(), before);
      totals[row * 2 + ear] = energy(r, full) + energy(early.data(), before);
    }
  }

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
  for (int i = 0; i < kRows * 2; ++i) {
    std::copy(response(i / 2, i % 2), response(i / 2, i % 2) + length_, spectra[i].begin());
    transform(spectra[i], false);
  }

  built_.resize(size_t(2) * kGridPoints * 2 * span * 2);
  grid_ = built_.data();
  // The baseline transform everywhere: the same tables on every processor, so that the
  // committed measurement-rate data is what this builds.
  RealFft fft(RealFft::InstructionSet::kBaseline);
  alignas(16) float work[kN];
  std::vector<float> taps(static_cast<size_t>(span));
  std::vector<Complex> blendWork(padded);
  for (int set = 0; set < 2; ++set) {
    const ResponseSetDescriptor& d = sets.set(set);
    const int first = static_cast<int>(d.entries - rows);
    const int step = static_cast<int>(d.entries[1].angle - d.entries[0].angle);
    for (int point = 0; point < kGridPoints; ++point) {
      const int lower = std::min(point / step, d.count - 2);
      const double w = static_cast<double>(point - lower * step) / step;
      for (int ear = 0; ear < 2; ++ear) {
        const int row = first + lower;
        std::fill(taps.begin(), taps.end(), 0.0f);
        if (w == 0.0 || w == 1.0) {
          const float* r = response(w == 0.0 ? row : row + 1, ear);
          std::copy(r, r + length_, taps.begin());
        } else {
          const double delay = rows[row].delayToNext[ear] * rate / ResponseSets::kMeasurementRate;
          blendNeighbours(spectra[row * 2 + ear], spectra[(row + 1) * 2 + ear], w, delay, blendWork,
                          taps.data(), span);
        }
        float* out = gridSpectra(set, point, ear);
        for (int p = 0; p < partitions_; ++p) {
          std::copy(taps.begin() + p * kF, taps.begin() + (p + 1) * kF, work);
          std::fill(work + kF, work + kN, 0.0f);
          fft.forward(work);
          packedToHalfComplex(work, out + p * kN);
        }
      }
    }
  }
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
