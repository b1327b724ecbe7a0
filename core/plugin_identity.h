// The facts every format reports about the plug-in: its names, version, identifier and
// input/output layout. One place, so no format adapter spells them differently.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine_constants.h"

namespace panner::identity {

constexpr const char* kEffectName = "+quendral";
constexpr const char* kVendor = "Quillmoor";
constexpr const char* kProduct = "Quillmoor Quendral Filter";
constexpr int32_t kVendorVersion = 1;
constexpr int32_t kNumInputs = 1;
constexpr int32_t kNumOutputs = 2;  // 0 = left ear, 1 = right ear
constexpr int32_t kLatencySamples = engine::kLatencySamples;

// The four bytes of the plug-in's identifier, lowest address first.
constexpr char kUniqueIdBytes[4] = {'k', 'T', 'z', 'q'};

inline int32_t uniqueId() {
  int32_t id = 0;
  std::memcpy(&id, kUniqueIdBytes, sizeof id);
  return id;
}

}  // namespace panner::identity
