// Builds the C++ source of the response-set data from a SOFA file of head-related impulse
// responses measured at 44.1 kHz: the horizontal rings (dsp/response_set_data.cpp) and the
// same sets on the whole measured sphere (dsp/sphere_set_data.cpp).
#pragma once

#include <string>

namespace response_sets {

constexpr const char* kDefaultSofaPath = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

// The complete text of the two data files.
struct Sources {
  std::string rings;   // dsp/response_set_data.cpp
  std::string sphere;  // dsp/sphere_set_data.cpp
};

// Fills `sources` and returns true; on failure returns false and puts a message for the user
// into `error`.
bool generateResponseSetSources(const std::string& sofaPath, Sources& sources, std::string& error);

}  // namespace response_sets
