// How the CLAP build names itself: its stable identifier, version and features, and the ids
// of its parameters (the core's indices, then bypass and the program change). Names, vendor
// and layout come from the core's identity, as in every format.
#pragma once

#include "clap_abi.h"
#include "parameters.h"

namespace panner::clapid {

constexpr const char* kPluginId = "com.quillmoor.quendral";
constexpr const char* kVersion = "1.0.0";
constexpr const char* kDescription =
    "Binaural panner: one mono input placed around the listener's head, for headphones";
// CLAP's list has no feature for spatial placement: an audio effect for mixing, mono in,
// stereo (the two ears) out.
constexpr const char* const kFeatures[] = {clapabi::kFeatureAudioEffect, clapabi::kFeatureMixing,
                                           clapabi::kFeatureMono, clapabi::kFeatureStereo, nullptr};

// Parameter ids: 0..24 are the core's parameter indices (the 23 of the first programs, "own
// set" and "elevation"); bypass and the program change follow, with the VST3 build's ids.
constexpr clapabi::Id kNumCoreParams = kNumParams;
constexpr clapabi::Id kBypassId = 100;
constexpr clapabi::Id kProgramId = 101;

// The panel is idled this often through the host's timer.
constexpr uint32_t kIdleMilliseconds = 16;

}  // namespace panner::clapid
