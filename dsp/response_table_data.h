// The response tables at the measurement rate and the response sets' arrival differences,
// committed as constant data so that an instance opened at that rate points at them instead
// of computing them. The values are exactly what ResponseTables::build() and
// arrivalDifference() compute (tools/response_sets writes the file; tests/dsp checks it).
#pragma once

#include <cstddef>

#include "engine_constants.h"
#include "response_set_data.h"

namespace response_data {

constexpr int kGridPoints = 181;  // 0, 1, ..., 180 degrees
// [set][point][ear][kFftSize]: one partition of half-complex spectra per filter.
constexpr size_t kMeasurementRateGridValues =
    size_t(2) * kGridPoints * 2 * panner::engine::kFftSize;
extern const float kMeasurementRateGrid[kMeasurementRateGridValues];
// How much later each row's next row arrives, per ear, in samples ([row][ear], rows of set
// one then set two; 0 in a set's last row): arrivalDifference() of the committed taps.
extern const float kDelayToNext[kSetOneRows + kSetTwoRows][2];

}  // namespace response_data
