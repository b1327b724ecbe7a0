// The built-in response sets on the whole measured sphere, stored as 16-bit sample values
// (a tap's value is the stored number divided by 32768), written by tools/response_sets
// from the MIT KEMAR measurements (see NOTICE) with the same onset trim, level factor and
// mirror rule as the horizontal rings in response_set_data.h: at elevation 0 the rows are
// those rings' rows, tap for tap.
#pragma once

#include <cstdint>

namespace sphere_data {

constexpr int kTaps = 128;
constexpr int kNearEar = 0;  // the ear on the source's side (azimuths 0..180: the right ear)
constexpr int kFarEar = 1;   // the opposite ear

// A measured direction in the plug-in's terms: azimuth clockwise from straight ahead,
// 0..180 (the other half of the sphere is the mirror image), elevation -90..90 (+90
// overhead).
struct Direction {
  float elevation;
  float azimuth;
};

// One set: `count` directions, sorted by elevation and, within a ring, by azimuth, and
// their responses [direction][kNearEar or kFarEar][tap].
struct SphereSet {
  int count;
  const Direction* directions;
  const int16_t (*taps)[2][kTaps];
};

// The first set: every direction MIT KEMAR measured (elevations -40..90 in 10-degree
// rings). The second: its rings every 30 degrees at 30-degree azimuth steps.
extern const SphereSet kSetOneSphere;
extern const SphereSet kSetTwoSphere;

}  // namespace sphere_data
