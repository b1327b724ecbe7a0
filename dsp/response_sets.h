// The two measured response sets and the angle interpolation between their rows.
//
// A set covers azimuths 0..180 degrees (source on the side of output channel 1); the other
// half of the circle is its mirror image. Each row holds the response of the ear nearer to
// the source ("first") and of the opposite ear ("second"), 128 taps each, and the
// half-complex spectra of both, computed once when the sets are built. Because the
// transform is linear, interpolating two rows' spectra gives the spectrum of the
// interpolated taps, so the filter update never transforms filters while audio runs.
#pragma once

#include <cstdint>

#include "engine_constants.h"
#include "response_set_data.h"

namespace panner {

class RealFft;

struct ResponseEntry {
  float angle = 0.0f;                     // measured azimuth, degrees
  const float* first = nullptr;           // near-ear taps, kFrameSize values
  const float* second = nullptr;          // far-ear taps
  const float* firstSpectrum = nullptr;   // half-complex spectra of the taps zero-padded
  const float* secondSpectrum = nullptr;  // to kFftSize
};

struct ResponseSetDescriptor {
  int32_t count = 0;
  float gain = 0.0f;  // level factor the engine folds into the filters built from this set
  const ResponseEntry* entries = nullptr;
};

// The bracketing rows of an azimuth and the weight of the upper row.
struct RowPair {
  const ResponseEntry* lower;
  const ResponseEntry* upper;
  float weight;
  bool mirrored;  // azimuth in 180..360: near ear on output channel 0
};

class ResponseSets {
 public:
  static constexpr float kSetOneGain = 0.26308918f;
  static constexpr float kSetTwoGain = 0.5405306f;

  // Converts the committed 16-bit data and transforms every row with `fft`.
  explicit ResponseSets(RealFft& fft);
  ResponseSets(const ResponseSets&) = delete;
  ResponseSets& operator=(const ResponseSets&) = delete;

  // 0: 37 rows in 5-degree steps; 1: 7 rows in 30-degree steps.
  const ResponseSetDescriptor& set(int index) const { return descriptors[index & 1]; }

 private:
  static constexpr int kTaps = engine::kFrameSize;
  static constexpr int kN = engine::kFftSize;
  static constexpr int kRows = response_data::kSetOneRows + response_data::kSetTwoRows;

  float taps[kRows][2][kTaps];
  float spectra[kRows][2][kN];
  ResponseEntry entries[kRows];
  ResponseSetDescriptor descriptors[2];
};

// Finds the rows around `angleDegrees` (0 <= a < 360; anything else, NaN included, is
// brought into range first, so the search never leaves the table).
RowPair locateAngle(const ResponseSetDescriptor& set, float angleDegrees);

// The time-domain filters for an azimuth: kFftSize values per channel, taps 128..255 zero.
void buildFilters(const ResponseSetDescriptor& set, float angleDegrees, float* channel0,
                  float* channel1);
// The same filters' spectra in half-complex order, interpolated from the rows' spectra.
void buildFilterSpectra(const ResponseSetDescriptor& set, float angleDegrees, float* spectrum0,
                        float* spectrum1);

}  // namespace panner
