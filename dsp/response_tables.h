// The two response sets prepared for one sample rate: filter spectra on a one-degree grid.
//
// At the measurement rate the rows keep their taps exactly. At any other rate each row is
// resampled (band-limited) so that its delays and its frequency response stay the same in
// seconds and in Hz; its tail is cut where what remains holds less than a millionth
// (-60 dB) of the response's energy. A response longer than one frame is convolved in
// partitions of kFrameSize taps, each stored as a kFftSize-point half-complex spectrum.
//
// The grid holds the filters for every whole degree from 0 to 180. On a measured row they
// are that row's responses unchanged. Between two rows they are made from both neighbours
// without the notches a plain blend of their taps has where their onsets differ:
//  - the two responses are moved to the arrival time interpolated between theirs (each by
//    a fractional delay: a phase ramp on its spectrum), so their onsets coincide, and
//    blended with the angle's weights;
//  - each frequency's magnitude is then set to the weighted blend, in dB, of the two
//    neighbours' magnitudes, keeping the blend's phase, so that where the aligned responses
//    still differ in fine structure the blend does not cancel.
// Between grid points the filter update interpolates the spectra linearly: one degree apart,
// the grid's neighbours arrive within a third of a 44.1 kHz sample of each other.
//
// Tables are built when the rate is chosen (allocation, resampling, transforms); reading
// the filters for an azimuth allocates nothing and runs on the audio thread.
#pragma once

#include <memory>
#include <vector>

#include "engine_constants.h"
#include "response_sets.h"

namespace panner {

class ResponseTables {
 public:
  static constexpr double kMinRate = 8000.0;
  static constexpr double kMaxRate = 384000.0;
  // Enough for the longest response at kMaxRate plus its largest shift between rows.
  static constexpr int kMaxPartitions = 12;

  // Null when `rate` is not finite or outside kMinRate..kMaxRate, or memory ran out.
  static std::unique_ptr<ResponseTables> create(const ResponseSets& sets, double rate);

  double rate() const { return rate_; }
  int partitions() const { return partitions_; }
  int responseLength() const { return length_; }
  // The largest fraction of a response's energy the tail cut and the start at time zero
  // leave out (0 at the measurement rate).
  double droppedEnergy() const { return droppedEnergy_; }

  // Writes partitions() x kFftSize half-complex values per output channel: the filters of
  // `set` for the azimuth (0 <= a < 360; anything else is brought into range).
  void buildFilterSpectra(const ResponseSetDescriptor& set, float angleDegrees, float* spectrum0,
                          float* spectrum1) const;

 private:
  static constexpr int kGridPoints = 181;  // 0, 1, ..., 180 degrees

  ResponseTables(const ResponseSets& sets, double rate);
  float* gridSpectra(int set, int point, int ear);
  const float* gridSpectra(int set, int point, int ear) const;

  const ResponseEntry* firstRow_;  // row 0 of set one: tells the sets apart
  double rate_;
  int length_ = 0;      // taps per response
  int partitions_ = 1;  // partitions of the filters
  double droppedEnergy_ = 0.0;
  std::vector<float> grid_;  // [set][point][ear][partition][kFftSize]
};

}  // namespace panner
