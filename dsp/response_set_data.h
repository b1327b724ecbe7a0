// The measured head-related impulse responses of the two response sets, stored as 16-bit
// sample values: a tap's value is the stored number divided by 32768. The data file is
// written by tools/response_sets from the MIT KEMAR measurements (see NOTICE); a test
// checks that it is exactly what the generator produces.
#pragma once

#include <cstdint>

namespace response_data {

constexpr int kTaps = 128;
constexpr int kSetOneRows = 37;  // 0, 5, ..., 180 degrees
constexpr int kSetOneStep = 5;
constexpr int kSetTwoRows = 7;  // 0, 30, ..., 180 degrees
constexpr int kSetTwoStep = 30;
constexpr int kNearEar = 0;  // the ear on the source's side
constexpr int kFarEar = 1;   // the opposite ear

// [row in increasing azimuth][kNearEar or kFarEar][tap]
extern const int16_t kSetOneTaps[kSetOneRows][2][kTaps];
extern const int16_t kSetTwoTaps[kSetTwoRows][2][kTaps];

}  // namespace response_data
