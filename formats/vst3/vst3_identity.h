// How the VST3 build names itself: its class identifier, category, the ids of its
// parameters (the core's indices, plus bypass, program change and the MIDI controllers'
// stand-ins) and its program list. Names, vendor and version come from the core.
#pragma once

#include <cstdint>

#include "plugin_identity.h"
#include "vst3_abi.h"

namespace panner::vst3id {

// Four characters packed big-endian into one word of the identifier.
constexpr uint32_t word(char a, char b, char c, char d) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(d));
}

// "VSTS", the VST2 build's four-character id, then the first eight characters of the
// effect name: the same plug-in under both formats' names.
constexpr vst3::Uid kClassId =
    vst3::makeUid(word('V', 'S', 'T', 'S'),
                  word(identity::kUniqueIdBytes[0], identity::kUniqueIdBytes[1],
                       identity::kUniqueIdBytes[2], identity::kUniqueIdBytes[3]),
                  word('+', 'q', 'u', 'e'), word('n', 'd', 'r', 'a'));

constexpr const char* kSubCategories = "Fx|Spatial";
constexpr const char* kVersion = "1";
constexpr const char* kSdkVersion = "VST 3.7.7";
constexpr const char* kUrl = "";
constexpr const char* kEmail = "";

// Parameter ids: 0..22 are the core's parameter indices.
constexpr vst3::ParamID kBypassId = 100;
constexpr vst3::ParamID kProgramId = 101;
// Control change n arrives as the hidden parameter kMidiControllerIdBase + n, carrying
// n's value as value / 127; the core applies it as the MIDI message it stands for.
constexpr vst3::ParamID kMidiControllerIdBase = 200;
constexpr vst3::ParamID kMidiControllerCount = 128;

constexpr vst3::ProgramListID kProgramListId = 1;

}  // namespace panner::vst3id
