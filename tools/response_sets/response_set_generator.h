// Builds the C++ source of the response-set data (dsp/response_set_data.cpp) from a SOFA
// file of head-related impulse responses measured on the horizontal plane at 44.1 kHz.
#pragma once

#include <string>

namespace response_sets {

constexpr const char* kDefaultSofaPath = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

// Fills `source` with the complete text of the data file and returns true; on failure
// returns false and puts a message for the user into `error`.
bool generateResponseSetSource(const std::string& sofaPath, std::string& source,
                               std::string& error);

}  // namespace response_sets
