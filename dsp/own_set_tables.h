// A user's own response set (own_response_set.h) prepared for one sample rate: for its
// ring, filter spectra on a one-degree grid round the whole circle, served to the engine as the
// built-in sets' tables are (response_tables.h) and made the same way: each response resampled
// band-limited from the set's rate to this one (kept exactly when the rates are equal), its
// tail cut where less than -60 dB of its energy follows, long responses convolved in
// partitions of kFrameSize taps; between measured directions the onset-aligned blend of the
// two neighbours, their arrival difference measured on their cross-correlation within 1 ms.
// A mirrored set's half is mirrored onto the other half with the ears exchanged; the grid
// then holds each direction's left ear for output channel 0 and its right ear for 1.
// A set measured above and below its ring also gets sphere tables (sphere_tables.h), which
// the engine blends with the ring's grid as it does for the built-in sets.
//
// Built off the audio thread (this allocates and takes up to a second for long responses
// at high rates); reading filters allocates nothing and runs on the audio thread.
#pragma once

#include <memory>
#include <vector>

#include "engine_constants.h"
#include "own_response_set.h"
#include "sphere_tables.h"

namespace panner {

class OwnSetTables {
 public:
  static constexpr int kGridPoints = 360;  // 0, 1, ..., 359 degrees
  // Enough for the longest response the limits allow (20 ms) at 384 kHz plus the largest
  // shift between neighbours (1 ms).
  static constexpr int kMaxPartitions = 66;

  // Null when `rate` lies outside 8..384 kHz, the set is empty or memory ran out.
  static std::unique_ptr<OwnSetTables> build(const OwnResponseSet& set, double rate);

  double rate() const { return rate_; }
  int partitions() const { return partitions_; }
  int responseLength() const { return length_; }

  // Writes partitions() x kFftSize half-complex values per output channel: the filters for
  // the azimuth (0 <= a < 360; anything else is brought into range), times `scale`.
  void buildFilterSpectra(float angleDegrees, float* spectrum0, float* spectrum1,
                          float scale) const;
  // The set's directions above and below the ring at this rate, with the same partitions;
  // null for a set of one ring.
  const SphereTables* sphere() const { return sphere_.get(); }

 private:
  static constexpr int kN = engine::kFftSize;
  OwnSetTables(const OwnResponseSet& set, double rate);
  float* gridSpectra(int point, int channel);
  const float* gridSpectra(int point, int channel) const;

  double rate_;
  int length_ = 0;
  int partitions_ = 1;
  std::vector<float> grid_;  // [point][channel][partition][kFftSize]
  SphereSource sphereSource_;
  std::unique_ptr<SphereTables> sphere_;
};

}  // namespace panner
