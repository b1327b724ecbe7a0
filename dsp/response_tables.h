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
// the filters for an azimuth allocates nothing and runs on the audio thread. The tables of
// the measurement rate, which every instance starts with, are committed as constant data
// (response_table_data.cpp, written from build()'s output by tools/response_tables), so
// opening an instance builds nothing.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "engine_constants.h"
#include "response_sets.h"
#include "response_table_data.h"

namespace panner {

class ResponseTables {
 public:
  static constexpr double kMinRate = 8000.0;
  static constexpr double kMaxRate = 384000.0;
  // Enough for the longest response at kMaxRate plus its largest shift between rows.
  static constexpr int kMaxPartitions = 12;

  // Null when `rate` is not finite or outside kMinRate..kMaxRate, or memory ran out.
  // At the measurement rate the tables are the committed constant data.
  static std::unique_ptr<ResponseTables> create(const ResponseSets& sets, double rate);
  // As create(), but always computes the tables: what the committed data is made from.
  static std::unique_ptr<ResponseTables> build(const ResponseSets& sets, double rate);

  double rate() const { return rate_; }
  int partitions() const { return partitions_; }
  int responseLength() const { return length_; }
  // The largest fraction of a response's energy the tail cut and the start at time zero
  // leave out (0 at the measurement rate).
  double droppedEnergy() const { return droppedEnergy_; }

  // Writes partitions() x kFftSize half-complex values per output channel: the filters of
  // `set` for the azimuth (0 <= a < 360; anything else is brought into range), times `scale`.
  void buildFilterSpectra(const ResponseSetDescriptor& set, float angleDegrees, float* spectrum0,
                          float* spectrum1, float scale = 1.0f) const;

  // The whole grid, [set][point][ear][partition][kFftSize], gridValues() floats: what the
  // table writer commits.
  const float* grid() const { return grid_; }
  size_t gridValues() const { return size_t(2) * kGridPoints * 2 * partitions_ * kN; }

 private:
  static constexpr int kGridPoints = response_data::kGridPoints;
  static constexpr int kN = engine::kFftSize;

  ResponseTables(const ResponseSets& sets, double rate);
  explicit ResponseTables(const ResponseSets& sets);  // the committed measurement-rate data
  float* gridSpectra(int set, int point, int ear);
  const float* gridSpectra(int set, int point, int ear) const;

  const ResponseEntry* firstRow_;  // row 0 of set one: tells the sets apart
  double rate_;
  int length_ = 0;      // taps per response
  int partitions_ = 1;  // partitions of the filters
  double droppedEnergy_ = 0.0;
  std::vector<float> built_;     // the computed tables, empty for the committed ones
  const float* grid_ = nullptr;  // [set][point][ear][partition][kFftSize]
};

}  // namespace panner
