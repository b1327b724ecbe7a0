// The built-in response sets on the sphere (sphere_set_data.h), and the filters for any
// direction, prepared for one sample rate.
//
// Each measured response is resampled band-limited to the rate as the horizontal tables
// are (response_tables.h) and its arrival time measured: where it first reaches a tenth
// of its peak, to a fraction of a sample. A direction's filters blend the three responses
// of its triangle (sphere_grid.h) after moving each to the arrival time blended with the
// same weights, so that onsets coincide and the blend has no comb notches; the arrival
// time itself thus moves continuously. A response is moved by a fractional delay
// (a Kaiser-windowed sinc of 16 taps) and not at all when its weight is the whole: a
// measured direction gives its measurement.
//
// The rings at elevation 0 are the horizontal sets. The engine serves elevation 0 from the
// horizontal tables, whose blend between azimuths also matches magnitudes, and between
// there and the next ring it crossfades the two linearly in elevation.
//
// Built off the audio thread; buildFilterSpectra allocates nothing.
#pragma once

#include <memory>
#include <vector>

#include "engine_constants.h"
#include "sphere_grid.h"

namespace panner {

class RealFft;

// The two sets' measured directions, responses and triangulations at the measurement rate.
class SphereSets {
 public:
  SphereSets();
  const SphereGrid& grid(int set) const { return grids_[set & 1]; }
  // The responses of stored pair `response` of `set`: [near ear, far ear][kFrameSize].
  const float* response(int set, int response, int ear) const;

 private:
  SphereGrid grids_[2];
  std::vector<float> taps_[2];  // [response][ear][kFrameSize]
};

// What one filter build needs on the audio thread, owned by the engine.
struct SphereWork {
  static constexpr int kMaxSpan = 12 * engine::kFrameSize;
  alignas(16) float taps[kMaxSpan];
  alignas(16) float transform[engine::kFftSize];
};

class SphereTables {
 public:
  // Null when memory ran out. `partitions`: the horizontal tables' count at this rate (the
  // sphere's filters are cut to the same span).
  static std::unique_ptr<SphereTables> build(std::shared_ptr<const SphereSets> sets, double rate,
                                             int partitions);

  double rate() const { return rate_; }
  int partitions() const { return partitions_; }
  const SphereGrid& grid(int set) const { return sets_->grid(set); }

  // Writes partitions() x kFftSize half-complex values per output channel: the filters of
  // `set` for the direction, times `scale`.
  void buildFilterSpectra(int set, float azimuthDegrees, float elevationDegrees, float* spectrum0,
                          float* spectrum1, float scale, RealFft& fft, SphereWork& work) const;

  // The arrival time of stored pair `response`'s ear, in samples at this rate (tests).
  float arrival(int set, int response, int ear) const;

 private:
  SphereTables(std::shared_ptr<const SphereSets> sets, double rate, int partitions);
  const float* resampled(int set, int response, int ear) const;

  std::shared_ptr<const SphereSets> sets_;
  double rate_;
  int partitions_;
  int length_;                       // taps kept of each resampled response
  std::vector<float> responses_[2];  // [response][ear][length_]
  std::vector<float> arrivals_[2];   // [response][ear]
};

// Where a response first reaches a tenth of its peak magnitude, in samples, interpolated
// between the two samples around the crossing. 0 for silence.
float onsetTime(const float* taps, int count);

}  // namespace panner
