#include "sphere_tables.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "band_limited_resampler.h"
#include "real_fft.h"
#include "response_sets.h"
#include "sphere_set_data.h"

namespace panner {

namespace {

constexpr int kF = engine::kFrameSize;
constexpr int kN = engine::kFftSize;

// Fractional delays as 16-tap Kaiser-windowed sincs, one per 1/256 of a sample: taps for
// offsets -7..8 around the integer part of the delay.
struct FractionalDelays {
  static constexpr int kPhases = 256;
  static constexpr int kTaps = 16;
  static constexpr int kBefore = 7;  // taps ahead of the integer delay
  float taps[kPhases][kTaps];

  FractionalDelays() {
    constexpr double kBeta = 6.0;
    auto besselI0 = [](double x) {
      double sum = 1.0, term = 1.0;
      for (int k = 1; k < 30; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
      }
      return sum;
    };
    const double pi = 3.14159265358979323846;
    for (int phase = 0; phase < kPhases; ++phase) {
      const double fraction = double(phase) / kPhases;
      double total = 0.0;
      double values[kTaps];
      for (int i = 0; i < kTaps; ++i) {
        const double x = double(i - kBefore) - fraction;
        const double u = x / (kTaps / 2.0);
        const double window =
            std::fabs(u) < 1.0 ? besselI0(kBeta * std::sqrt(1.0 - u * u)) / besselI0(kBeta) : 0.0;
        const double sinc = x == 0.0 ? 1.0 : std::sin(pi * x) / (pi * x);
        total += values[i] = sinc * window;
      }
      for (int i = 0; i < kTaps; ++i) taps[phase][i] = static_cast<float>(values[i] / total);
    }
  }
};

const FractionalDelays& fractionalDelays() {
  static const FractionalDelays delays;
  return delays;
}

// out[n] += weight x response(n - delay) for n < span: the response moved later by `delay`
// samples (earlier when negative), band-limited between samples.
void addDelayed(const float* response, int length, double delay, float weight, float* out,
                int span) {
  const FractionalDelays& delays = fractionalDelays();
  double whole = std::floor(delay);
  int phase = static_cast<int>(std::lround((delay - whole) * FractionalDelays::kPhases));
  if (phase == FractionalDelays::kPhases) phase = 0, whole += 1.0;
  const int shift = static_cast<int>(whole);
  auto add = [&](int offset, float c) {
    // out[n] += c x response[n - offset], for the n where both exist.
    const int from = std::max(0, offset), to = std::min(span, length + offset);
    for (int n = from; n < to; ++n) out[n] += c * response[n - offset];
  };
  if (phase == 0) return add(shift, weight);
  for (int i = 0; i < FractionalDelays::kTaps; ++i)
    add(shift + i - FractionalDelays::kBefore, weight * delays.taps[phase][i]);
}

}  // namespace

float onsetTime(const float* taps, int count) {
  float peak = 0.0f;
  for (int i = 0; i < count; ++i) peak = std::max(peak, std::fabs(taps[i]));
  if (!(peak > 0.0f)) return 0.0f;
  const float threshold = 0.1f * peak;
  int n = 0;
  while (std::fabs(taps[n]) < threshold) ++n;
  if (n == 0) return 0.0f;
  const float before = std::fabs(taps[n - 1]), at = std::fabs(taps[n]);
  return static_cast<float>(n - 1) + (threshold - before) / (at - before);
}

SphereSets::SphereSets() {
  const sphere_data::SphereSet* sources[2] = {&sphere_data::kSetOneSphere,
                                              &sphere_data::kSetTwoSphere};
  for (int index = 0; index < 2; ++index) {
    const sphere_data::SphereSet& source = *sources[index];
    SphereSource& set = sets_[index];
    set.rate = ResponseSets::kMeasurementRate;
    set.length = kF;
    set.taps.resize(size_t(source.count) * 2 * kF);
    std::vector<SphereCorner> corners;
    for (int d = 0; d < source.count; ++d) {
      // On the measured half the near ear is the right one, output channel 1.
      for (int i = 0; i < kF; ++i) {
        set.taps[(size_t(d) * 2 + 0) * kF + i] = source.taps[d][sphere_data::kFarEar][i] / 32768.0f;
        set.taps[(size_t(d) * 2 + 1) * kF + i] =
            source.taps[d][sphere_data::kNearEar][i] / 32768.0f;
      }
      const sphere_data::Direction& at = source.directions[d];
      corners.push_back({at.azimuth, at.elevation, d, false});
      // The half of the sphere on the left is the mirror image of the right.
      if (at.azimuth > 0.001f && at.azimuth < 179.999f && std::fabs(at.elevation) < 89.5f)
        corners.push_back({360.0f - at.azimuth, at.elevation, d, true});
    }
    set.grid.build(std::move(corners), nullptr);
  }
}

std::unique_ptr<SphereTables> SphereTables::build(std::shared_ptr<const void> owner,
                                                  std::vector<const SphereSource*> sources,
                                                  double rate, int partitions) {
  if (!std::isfinite(rate) || rate <= 0.0) return nullptr;
  try {
    return std::unique_ptr<SphereTables>(
        new SphereTables(std::move(owner), std::move(sources), rate, partitions));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

SphereTables::SphereTables(std::shared_ptr<const void> owner,
                           std::vector<const SphereSource*> sources, double rate, int partitions)
    : owner_(std::move(owner)),
      sources_(std::move(sources)),
      rate_(rate),
      partitions_(std::clamp(partitions, 1, SphereWork::kMaxSpan / kF)) {
  fractionalDelays();  // made here, off the audio thread
  length_ = partitions_ * kF;
  for (const SphereSource* source : sources_) {
    const BandLimitedResampler resampler(source->rate, rate);
    const bool exact = resampler.identity();
    const int full = exact ? source->length : resampler.fullLength(source->length);
    length_ = std::min(length_, std::max(full, 1));
  }
  for (const SphereSource* source : sources_) {
    const BandLimitedResampler resampler(source->rate, rate);
    const bool exact = resampler.identity();
    const int full = exact ? source->length : resampler.fullLength(source->length);
    std::vector<float> work(static_cast<size_t>(std::max(full, length_)));
    const int count = static_cast<int>(source->taps.size() / (2 * size_t(source->length)));
    Prepared& prepared = prepared_.emplace_back();
    prepared.responses.resize(size_t(count) * 2 * length_);
    prepared.arrivals.resize(size_t(count) * 2);
    for (int r = 0; r < count; ++r) {
      for (int channel = 0; channel < 2; ++channel) {
        const float* measured = source->response(r, channel);
        std::fill(work.begin(), work.end(), 0.0f);
        if (exact)
          std::copy(measured, measured + source->length, work.begin());
        else
          resampler.resample(measured, source->length, 0.0, work.data(), full);
        float* kept = &prepared.responses[(size_t(r) * 2 + channel) * length_];
        std::copy(work.begin(), work.begin() + length_, kept);
        prepared.arrivals[size_t(r) * 2 + channel] = onsetTime(kept, length_);
      }
    }
  }
}

const float* SphereTables::resampled(int source, int response, int channel) const {
  return &prepared_[source].responses[(size_t(response) * 2 + channel) * length_];
}

float SphereTables::arrival(int source, int response, int channel) const {
  return prepared_[source].arrivals[size_t(response) * 2 + channel];
}

void SphereTables::buildFilterSpectra(int source, float azimuthDegrees, float elevationDegrees,
                                      float* spectrum0, float* spectrum1, float scale, RealFft& fft,
                                      SphereWork& work) const {
  const SphereGrid& g = sources_[source]->grid;
  const SphereGrid::Blend blend = g.locate(azimuthDegrees, elevationDegrees);
  const int span = partitions_ * kF;
  for (int channel = 0; channel < 2; ++channel) {
    // A mirrored corner gives each output channel the other ear's response.
    int response[3], ear[3];
    double arrival = 0.0;
    for (int k = 0; k < 3; ++k) {
      const SphereCorner& corner = g.corners()[blend.corner[k]];
      response[k] = corner.response;
      ear[k] = corner.mirrored ? 1 - channel : channel;
      arrival += blend.weight[k] * double(this->arrival(source, response[k], ear[k]));
    }
    std::fill(work.taps, work.taps + span, 0.0f);
    for (int k = 0; k < 3; ++k) {
      if (blend.weight[k] <= 0.0f) continue;
      const double delay =
          blend.weight[k] == 1.0f ? 0.0 : arrival - this->arrival(source, response[k], ear[k]);
      addDelayed(resampled(source, response[k], ear[k]), length_, delay, blend.weight[k], work.taps,
                 span);
    }
    float* out = channel == 0 ? spectrum0 : spectrum1;
    for (int p = 0; p < partitions_; ++p) {
      for (int i = 0; i < kF; ++i) work.transform[i] = scale * work.taps[p * kF + i];
      std::fill(work.transform + kF, work.transform + kN, 0.0f);
      fft.forward(work.transform);
      packedToHalfComplex(work.transform, out + p * kN);
    }
  }
}

}  // namespace panner
