// The plug-in's parameter indices and the program record that stores one value per
// parameter plus a name.
#pragma once

#include <atomic>
#include <cstdint>

#include "angle_modulator.h"

namespace panner {

enum ParamIndex : int32_t {
  kParamAngle = 0,
  kParamMidiLfoTempo,
  kParamLfoDivide,
  kParamFilterNumber,
  kParamLfoSpeed,
  kParamLfoPosition,
  kParamGain,
  kParamPointValue1,  // 7..14: the envelope's point values
  kParamPointValue8 = kParamPointValue1 + 7,
  kParamPointTime1,  // 15..22: the envelope's point times
  kParamPointTime8 = kParamPointTime1 + 7,
  kNumDefinedParams,  // 23: the parameters of the first programs; two follow
  kNumParams = 25,    // what the host is told
};
static_assert(kParamPointTime1 == 15 && kParamPointTime8 == 22 && kNumDefinedParams == 23);

// 23: "own set", off (below 0.5) or on: a user's own response set, loaded from a SOFA file,
// plays instead of the set "filter number" chooses. State of the instance, not of a program
// (a program record holds parameters 0..22 and "elevation"); the state chunk carries it with
// the set.
constexpr int32_t kParamOwnSet = kNumDefinedParams;
// 24: "elevation", -90..+90 degrees (0 on the horizontal plane, +90 overhead). Part of the
// program, as "angle" is; added after the others, so older projects and presets lack it and
// load with 0.
constexpr int32_t kParamElevation = kParamOwnSet + 1;
static_assert(kParamElevation == kNumParams - 1);

// The parameters a program record keeps: 0..22 and "elevation".
constexpr bool isProgramParameter(int32_t index) {
  return (index >= 0 && index < kNumDefinedParams) || index == kParamElevation;
}

constexpr int32_t kNumPrograms = 8;
constexpr int32_t kProgramNameLen = 24;  // 23 characters and the terminator

// One program: the normalised value of every defined parameter as last set, and a name.
// Values are relaxed atomics because MIDI writes them through on the audio thread while the
// host may read or switch programs from its user-interface thread.
struct ProgramRecord {
  ProgramRecord();

  std::atomic<float> angle{0.5f};
  std::atomic<float> midiLfoTempo{0.0f};
  std::atomic<float> lfoDivide{0.0f};
  std::atomic<float> filterNumber{0.0f};
  std::atomic<float> lfoSpeed{0.5f};
  std::atomic<float> lfoPosition{0.0f};
  std::atomic<float> gain{0.5f};
  std::atomic<float> pointTime[AngleModulator::kPoints];
  std::atomic<float> pointValue[AngleModulator::kPoints];
  std::atomic<float> elevation{0.5f};  // 0 degrees
  char name[kProgramNameLen];
};

}  // namespace panner
