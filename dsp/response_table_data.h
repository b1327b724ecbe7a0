// The response tables at the measurement rate, committed as constant data so that an
// instance opened at that rate points at them instead of computing them. The values are
// exactly what ResponseTables::build() computes (tools/response_sets writes the file;
// tests/dsp checks it).
#pragma once

#include <cstddef>

#include "engine_constants.h"

namespace response_data {

constexpr int kGridPoints = 181;  // 0, 1, ..., 180 degrees
// [set][point][ear][kFftSize]: one partition of half-complex spectra per filter.
constexpr size_t kMeasurementRateGridValues =
    size_t(2) * kGridPoints * 2 * panner::engine::kFftSize;
extern const float kMeasurementRateGrid[kMeasurementRateGridValues];

}  // namespace response_data
