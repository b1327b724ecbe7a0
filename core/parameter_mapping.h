// How the normalised value (0..1) of each parameter maps to the unit it stands for, in both
// directions. The plug-in applies and reports its parameters with these; the render tool
// turns the units users type into normalised values with the same functions. Templates
// where both float (the plug-in) and double (the tool) are used, so each side keeps its
// own precision.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace panner {

// "angle": -180..+180 degrees over 0..1.
template <typename T>
constexpr T angleFromValue(T value) {
  return (value - T(0.5)) * T(360);
}
template <typename T>
constexpr T valueFromAngle(T degrees) {
  return (T(180) + degrees) / T(360);
}

// "elevation": -90..+90 degrees over 0..1 (the horizontal plane at 0.5).
constexpr float kMaxElevationDegrees = 90.0f;
template <typename T>
constexpr T elevationFromValue(T value) {
  return (value - T(0.5)) * T(2 * kMaxElevationDegrees);
}
template <typename T>
constexpr T valueFromElevation(T degrees) {
  return degrees / T(2 * kMaxElevationDegrees) + T(0.5);
}

// "gain": -12..+12 dB over 0..1 (0 dB at 0.5).
constexpr float kGainSpanDb = 24.0f;
template <typename T>
constexpr T gainDbFromValue(T value) {
  return (value - T(0.5)) * T(kGainSpanDb);
}
template <typename T>
constexpr T valueFromGainDb(T db) {
  return db / T(kGainSpanDb) + T(0.5);
}
inline float linearGainFromDb(float db) { return std::pow(10.0f, db * 0.05f); }
inline float dbFromLinearGain(float gain) { return 20.0f * std::log10(gain); }

// "lfo speed": -1..+1 envelope cycles per second over 0..1 (stopped at 0.5).
template <typename T>
constexpr T lfoSpeedFromValue(T value) {
  return (value - T(0.5)) * T(2);
}
template <typename T>
constexpr T valueFromLfoSpeed(T cyclesPerSecond) {
  return T(0.5) + cyclesPerSecond * T(0.5);
}

// "midi lfo tempo": the LFO follows the host's tempo while the value is above 0.5 (the
// modulator reads the raw value the same way).
inline bool tempoSyncFromValue(float value) { return value > 0.5f; }
inline float valueFromTempoSync(bool on) { return on ? 1.0f : 0.0f; }

// "lfo divide": the integer part of 10 x value, plus one: divisors 1..11 over 0..1, so the
// modulator never divides by 0 or less.
constexpr int32_t kLfoDivideSteps = 10;
constexpr int32_t kMaxLfoDivisor = kLfoDivideSteps + 1;  // reached at 1 exactly
inline int32_t lfoDivisorFromValue(float value) {
  const float scaled = std::clamp(static_cast<float>(kLfoDivideSteps) * value, 0.0f,
                                  static_cast<float>(kMaxLfoDivisor - 1));
  return static_cast<int32_t>(scaled) + 1;
}
// The value the plug-in reports for a divisor: the start of its step.
inline float valueFromLfoDivisor(int32_t divisor) {
  return static_cast<float>(divisor - 1) * (1.0f / kLfoDivideSteps);
}

// "filter number": response set 0 below 0.5, set 1 from 0.5 on.
inline int32_t responseSetFromValue(float value) { return value < 0.5f ? 0 : 1; }
inline float valueFromResponseSet(int32_t set) { return set == 0 ? 0.0f : 1.0f; }

// "point 2 time" .. "point 7 time": a time at or before the previous point's moves just
// after it, one at or after the next point's just before it, so times keep increasing.
constexpr float kMinPointGap = 0.001f;
inline float pointTimeBetween(float previous, float time, float next) {
  if (previous >= time) return previous + kMinPointGap;
  if (time >= next) return next - kMinPointGap;
  return time;
}

}  // namespace panner
