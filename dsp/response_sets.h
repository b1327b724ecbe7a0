// The two measured response sets and the angle interpolation between their rows.
//
// A set covers azimuths 0..180 degrees (source on the side of output channel 1); the other
// half of the circle is its mirror image. Each row holds the response of the ear nearer to
// the source ("first") and of the opposite ear ("second"), 128 taps each at the measurement
// rate, and how much later each ear's response arrives at the next row. The filters the
// engine uses are prepared from these for the host's rate (response_tables.h).
#pragma once

#include <cstdint>

#include "engine_constants.h"
#include "response_set_data.h"

namespace panner {

struct ResponseEntry {
  float angle = 0.0f;             // measured azimuth, degrees
  const float* first = nullptr;   // near-ear taps, kFrameSize values
  const float* second = nullptr;  // far-ear taps
  // How much later the next row's response arrives than this row's, in samples at the
  // measurement rate, for the near ear [0] and the far ear [1]; 0 in a set's last row.
  float delayToNext[2] = {0.0f, 0.0f};
};

struct ResponseSetDescriptor {
  int32_t count = 0;
  float gain = 0.0f;  // level factor the engine folds into the filters built from this set
  const ResponseEntry* entries = nullptr;
};

class ResponseSets {
 public:
  static constexpr float kSetOneGain = 0.26308918f;
  static constexpr float kSetTwoGain = 0.5405306f;
  static constexpr double kMeasurementRate = 44100.0;

  // Where the neighbours' arrival differences come from: the committed values
  // (response_table_data.h), or measured from the taps with arrivalDifference(), which is
  // what the committed values are written from.
  enum class Arrivals { kCommitted, kMeasured };

  // Converts the committed 16-bit data and takes each neighbour's arrival difference.
  explicit ResponseSets(Arrivals arrivals = Arrivals::kCommitted);
  ResponseSets(const ResponseSets&) = delete;
  ResponseSets& operator=(const ResponseSets&) = delete;

  // 0: 37 rows in 5-degree steps; 1: 7 rows in 30-degree steps.
  const ResponseSetDescriptor& set(int index) const { return descriptors[index & 1]; }

 private:
  static constexpr int kTaps = engine::kFrameSize;
  static constexpr int kRows = response_data::kSetOneRows + response_data::kSetTwoRows;

  float taps[kRows][2][kTaps];
  ResponseEntry entries[kRows];
  ResponseSetDescriptor descriptors[2];
};

// How much later `later` arrives than `earlier` (both kFrameSize taps): the lag of their
// cross-correlation's peak, refined to a fraction of a sample, within +-1 ms.
float arrivalDifference(const float* earlier, const float* later);

// Brings an azimuth onto the measured half circle, 0..180 degrees, and tells whether it
// lay on the mirrored half (180..360: near ear on output channel 0). Any value is accepted;
// NaN and infinities count as 0.
float foldAzimuth(float angleDegrees, bool* mirrored);

// out = scale x (lower + (upper - lower) x w) over n values, n a multiple of 4.
void interpolate(const float* lower, const float* upper, float w, float* out, int n,
                 float scale = 1.0f);

}  // namespace panner
