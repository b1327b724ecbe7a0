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

// Measured directions on the sphere with their responses at the rate they were measured
// at: a built-in set, or a user's own set (own_response_set.h).
struct SphereSource {
  SphereGrid grid;  // corners name the responses below; a mirrored corner exchanges the ears
  double rate = 0.0;
  int length = 0;           // taps per response
  std::vector<float> taps;  // [response][channel][length]: channel 0 the left ear, 1 the right
  const float* response(int index, int channel) const {
    return &taps[(size_t(index) * 2 + channel) * length];
  }
};

// The two built-in sets on the sphere (sphere_set_data.h), at the measurement rate.
class SphereSets {
 public:
  SphereSets();
  const SphereSource& set(int index) const { return sets_[index & 1]; }

 private:
  SphereSource sets_[2];
};

// What one filter build needs on the audio thread, owned by the engine.
struct SphereWork {
  static constexpr int kMaxSpan = 66 * engine::kFrameSize;  // an own set's longest filters
  // Room for the aligned responses, and for reading a span past the latest arrival.
  static constexpr int kMaxBlend = 2 * kMaxSpan;
  alignas(16) float taps[2][kMaxSpan];  // each ear's filter
  alignas(16) float blended[kMaxBlend + 8];
};

class SphereTables {
 public:
  // Null when memory ran out. `partitions`: the horizontal tables' count at this rate (the
  // sphere's filters are cut to the same span). The sources stay shared with the tables.
  static std::unique_ptr<SphereTables> build(std::shared_ptr<const void> owner,
                                             std::vector<const SphereSource*> sources, double rate,
                                             int partitions);

  double rate() const { return rate_; }
  int partitions() const { return partitions_; }
  const SphereGrid& grid(int source) const { return sources_[source]->grid; }

  // Writes partitions() x kFftSize half-complex values per output channel: the filters of
  // source `source` for the direction, times `scale`.
  void buildFilterSpectra(int source, float azimuthDegrees, float elevationDegrees,
                          float* spectrum0, float* spectrum1, float scale, RealFft& fft,
                          SphereWork& work) const;

 private:
  SphereTables(std::shared_ptr<const void> owner, std::vector<const SphereSource*> sources,
               double rate, int partitions);
  struct Prepared {
    std::vector<float> responses;  // [response][channel][length]
    std::vector<float> arrivals;   // [response][channel], samples at this rate
    // With one partition: each response's spectrum as it is and moved to the latest
    // arrival (kFftSize half-complex values each, [response][channel]). With more: each
    // response moved to the latest arrival, alignedLength_ taps each.
    std::vector<float> spectra, aligned;
  };
  void blendTaps(int source, const SphereGrid::Blend& blend, float* spectrum0, float* spectrum1,
                 float scale, RealFft& fft, SphereWork& work) const;
  void blendSpectra(int source, const SphereGrid::Blend& blend, float* spectrum0, float* spectrum1,
                    float scale) const;

  std::shared_ptr<const void> owner_;  // keeps the sources alive
  std::vector<const SphereSource*> sources_;
  double rate_;
  int partitions_;
  int length_ = 0;       // taps kept of each resampled response
  double latest_ = 0.0;  // the latest arrival of all responses: where `aligned` puts them
  int alignedLength_ = 0;
  std::vector<Prepared> prepared_;
};

// Where a response first reaches a tenth of its peak magnitude, in samples, interpolated
// between the two samples around the crossing. 0 for silence.
float onsetTime(const float* taps, int count);

}  // namespace panner
