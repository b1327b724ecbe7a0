#include "sphere_tables.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "band_limited_resampler.h"
#include "parallel_work.h"
#include "real_fft.h"
#include "response_sets.h"
#include "simd4.h"
#include "sphere_set_data.h"
#include "triangle_blend.h"

namespace panner {

namespace {

constexpr int kF = engine::kFrameSize;
constexpr int kN = engine::kFftSize;

// out = scale x `spectrum` (half-complex) moved later by `delay` samples (earlier when
// negative): bin k turned by -2 pi k delay / kFftSize. The move is circular; the Nyquist
// bin, which must stay real, takes the real part of its turn.
void moveSpectrum(const float* spectrum, double delay, float scale, float* out) {
  const double step = -2.0 * 3.14159265358979323846 * delay / kN;
  const double stepCos = std::cos(step), stepSin = std::sin(step);
  double c = 1.0, s = 0.0;
  out[0] = scale * spectrum[0];
  for (int k = 1; k < kN / 2; ++k) {
    const double nextC = c * stepCos - s * stepSin;
    s = c * stepSin + s * stepCos;
    c = nextC;
    const double re = spectrum[k], im = spectrum[kN - k];
    out[k] = static_cast<float>(scale * (re * c - im * s));
    out[kN - k] = static_cast<float>(scale * (re * s + im * c));
  }
  out[kN / 2] = static_cast<float>(scale * spectrum[kN / 2] * std::cos(step * (kN / 2)));
}

// out = scale x (the three spectra weighted) moved later by `delay` samples: what
// moveSpectrum does to their blend, four bins at a time, for the audio thread.
void blendAndMove(const float* const spectra[3], const float weights[3], double delay, float scale,
                  float* out) {
  using simd4::v4;
  const double step = -2.0 * 3.14159265358979323846 * delay / kN;
  const double c1 = std::cos(step), s1 = std::sin(step);
  const double c2 = c1 * c1 - s1 * s1, s2 = 2.0 * c1 * s1;
  const double c3 = c2 * c1 - s2 * s1, s3 = c2 * s1 + s2 * c1;
  const double c4 = c2 * c2 - s2 * s2, s4 = 2.0 * c2 * s2;
  // The turns of bins k..k+3, and the turn by four bins that moves them on.
  v4 c = {float(c1), float(c2), float(c3), float(c4)},
     s = {float(s1), float(s2), float(s3), float(s4)};
  const v4 stepC = simd4::splat(float(c4)), stepS = simd4::splat(float(s4));
  const v4 w0 = simd4::splat(weights[0] * scale), w1 = simd4::splat(weights[1] * scale),
           w2 = simd4::splat(weights[2] * scale);
  auto blend = [&](int at) {
    return w0 * simd4::load(spectra[0] + at) + w1 * simd4::load(spectra[1] + at) +
           w2 * simd4::load(spectra[2] + at);
  };
  // Bins 1..124 (imaginary parts stand reversed at kN - k - 3 .. kN - k).
  for (int k = 1; k + 3 < kN / 2 - 3; k += 4) {
    const v4 re = blend(k), im = simd4::reverse(blend(kN - k - 3));
    simd4::store(out + k, re * c - im * s);
    simd4::store(out + kN - k - 3, simd4::reverse(re * s + im * c));
    const v4 nextC = c * stepC - s * stepS;
    s = c * stepS + s * stepC;
    c = nextC;
  }
  // Bins 125..127, then DC and the Nyquist bin, which stay real.
  auto one = [&](int at) {
    return scale * (weights[0] * spectra[0][at] + weights[1] * spectra[1][at] +
                    weights[2] * spectra[2][at]);
  };
  for (int lane = 0; lane < 3; ++lane) {
    const int k = kN / 2 - 3 + lane;
    const float re = one(k), im = one(kN - k);
    out[k] = re * c[lane] - im * s[lane];
    out[kN - k] = re * s[lane] + im * c[lane];
  }
  out[0] = one(0);
  out[kN / 2] = one(kN / 2) * c[3];
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
    const int count = static_cast<int>(source->taps.size() / (2 * size_t(source->length)));
    const BandLimitedResampler::Plan plan = resampler.plan(source->length, 0.0, full);
    Prepared& prepared = prepared_.emplace_back();
    prepared.responses.resize(size_t(count) * 2 * length_);
    prepared.arrivals.resize(size_t(count) * 2);
    // The responses are resampled on every core, each on its own.
    shareOut<std::vector<float>>(count * 2, [&](std::vector<float>& work, int job) {
      work.assign(static_cast<size_t>(std::max(full, length_)), 0.0f);
      plan.apply(source->response(job / 2, job % 2), work.data());
      float* kept = &prepared.responses[size_t(job) * length_];
      std::copy(work.begin(), work.begin() + length_, kept);
      prepared.arrivals[size_t(job)] = onsetTime(kept, length_);
    });
  }
  for (const Prepared& prepared : prepared_)
    for (float a : prepared.arrivals) latest_ = std::max(latest_, double(a));
  if (partitions_ > 1) {
    // More partitions: each response moved to the latest arrival (band-limited), so a blend
    // needs one move of its own, to its arrival, before it is transformed.
    alignedLength_ =
        std::min(length_ + static_cast<int>(std::ceil(latest_)) + 8, SphereWork::kMaxBlend);
    const BandLimitedResampler shifter(rate, rate);
    for (Prepared& prepared : prepared_) {
      const size_t count = prepared.arrivals.size();
      prepared.aligned.resize(count * alignedLength_);
      shareOut<std::vector<float>>(static_cast<int>(count), [&](std::vector<float>&, int i) {
        shifter.delay(&prepared.responses[size_t(i) * length_], length_,
                      latest_ - prepared.arrivals[size_t(i)],
                      &prepared.aligned[size_t(i) * alignedLength_], alignedLength_);
      });
    }
    return;
  }
  // One partition: the blend runs on spectra. Each response is kept as it is (a measured
  // direction's filters) and moved to the latest arrival of all, by a phase ramp that a
  // blend's own ramp undoes exactly.
  RealFft fft(RealFft::InstructionSet::kBaseline);
  alignas(16) float transform[kN];
  for (Prepared& prepared : prepared_) {
    const size_t count = prepared.arrivals.size();
    prepared.spectra.resize(count * kN);
    prepared.aligned.resize(count * kN);
    for (size_t i = 0; i < count; ++i) {
      std::copy_n(&prepared.responses[i * length_], length_, transform);
      std::fill(transform + length_, transform + kN, 0.0f);
      fft.forward(transform);
      packedToHalfComplex(transform, &prepared.spectra[i * kN]);
      moveSpectrum(&prepared.spectra[i * kN], latest_ - prepared.arrivals[i], 1.0f,
                   &prepared.aligned[i * kN]);
    }
  }
}

void SphereTables::buildFilterSpectra(int source, float azimuthDegrees, float elevationDegrees,
                                      float* spectrum0, float* spectrum1, float scale, RealFft& fft,
                                      SphereWork& work) const {
  const SphereGrid& g = sources_[source]->grid;
  const SphereGrid::Blend blend = g.locate(azimuthDegrees, elevationDegrees);
  if (partitions_ == 1) return blendSpectra(source, blend, spectrum0, spectrum1, scale);
  blendTaps(source, blend, spectrum0, spectrum1, scale, fft, work);
}

// More partitions: the corners' aligned responses blended, moved to the blended arrival by
// cubic interpolation (at 48 kHz and above the audio band lies below half the Nyquist
// frequency, where it is flat within 0.1 dB), and transformed partition by partition, both
// ears' partitions at once; a measured direction takes its response as it is.
void SphereTables::blendTaps(int source, const SphereGrid::Blend& blend, float* spectrum0,
                             float* spectrum1, float scale, RealFft& fft, SphereWork& work) const {
  const SphereGrid& g = sources_[source]->grid;
  const Prepared& prepared = prepared_[source];
  const int span = partitions_ * kF;
  for (int channel = 0; channel < 2; ++channel) {
    float* taps = work.taps[channel];
    double arrival = 0.0;
    AlignedCorners corners{{}, {}, alignedLength_};
    const float* measured = nullptr;
    for (int k = 0; k < 3; ++k) {
      const SphereCorner& corner = g.corners()[blend.corner[k]];
      const size_t index = size_t(corner.response) * 2 + (corner.mirrored ? 1 - channel : channel);
      if (blend.weight[k] == 1.0f) measured = &prepared.responses[index * length_];
      arrival += blend.weight[k] * double(prepared.arrivals[index]);
      corners.responses[k] = &prepared.aligned[index * alignedLength_];
      corners.weights[k] = blend.weight[k];
    }
    if (measured) {
      for (int n = 0; n < length_; ++n) taps[n] = scale * measured[n];
      std::fill(taps + length_, taps + span, 0.0f);
      continue;
    }
    // Within the scratch whatever the arrivals: a file's delays may spread them far.
    const double advance =
        std::clamp(latest_ - arrival, 0.0, std::min(latest_, double(SphereWork::kMaxBlend - span)));
    blendAlignedCorners(fft.instructionSet(), corners, advance, scale, span, work.blended, taps);
  }
  for (int p = 0; p < partitions_; ++p)
    fft.forwardPaddedPair(work.taps[0] + p * kF, work.taps[1] + p * kF, spectrum0 + p * kN,
                          spectrum1 + p * kN);
}

// One partition: the corners' aligned spectra blended, then moved to the blended arrival;
// a measured direction takes its spectrum as it is.
void SphereTables::blendSpectra(int source, const SphereGrid::Blend& blend, float* spectrum0,
                                float* spectrum1, float scale) const {
  const SphereGrid& g = sources_[source]->grid;
  const Prepared& prepared = prepared_[source];
  for (int channel = 0; channel < 2; ++channel) {
    float* out = channel == 0 ? spectrum0 : spectrum1;
    double arrival = 0.0;
    const float* aligned[3];
    for (int k = 0; k < 3; ++k) {
      const SphereCorner& corner = g.corners()[blend.corner[k]];
      const size_t index = size_t(corner.response) * 2 + (corner.mirrored ? 1 - channel : channel);
      if (blend.weight[k] == 1.0f) {
        const float* measured = &prepared.spectra[index * kN];
        for (int i = 0; i < kN; ++i) out[i] = scale * measured[i];
        aligned[0] = nullptr;
        break;
      }
      arrival += blend.weight[k] * double(prepared.arrivals[index]);
      aligned[k] = &prepared.aligned[index * kN];
    }
    if (!aligned[0]) continue;
    blendAndMove(aligned, blend.weight, arrival - latest_, scale, out);
  }
}

}  // namespace panner
