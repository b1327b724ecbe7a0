#include "lv2_ports.h"

#include <algorithm>
#include <cmath>

#include "parameter_mapping.h"

namespace panner::lv2 {

ControlPortInfo controlPortInfo(int32_t parameter) {
  switch (parameter) {
    case kParamAngle:
    case kParamElevation:
      return {PortKind::kContinuous, PortUnit::kDegree};
    case kParamMidiLfoTempo:
    case kParamOwnSet:
      return {PortKind::kToggle, PortUnit::kNone};
    case kParamLfoDivide:
      return {PortKind::kInteger, PortUnit::kNone};
    case kParamFilterNumber:
      return {PortKind::kEnumeration, PortUnit::kNone};
    case kParamLfoSpeed:
      return {PortKind::kContinuous, PortUnit::kHz};
    case kParamGain:
      return {PortKind::kContinuous, PortUnit::kDb};
    default:  // lfo position and the envelope's points: 0..1 as they are
      return {PortKind::kContinuous, PortUnit::kNone};
  }
}

float portValueFromNormalised(int32_t parameter, float normalised) {
  const float v = std::clamp(normalised, 0.0f, 1.0f);
  switch (parameter) {
    case kParamAngle:
      return angleFromValue(v);
    case kParamElevation:
      return elevationFromValue(v);
    case kParamMidiLfoTempo:
      return tempoSyncFromValue(v) ? 1.0f : 0.0f;
    case kParamOwnSet:
      return v >= 0.5f ? 1.0f : 0.0f;
    case kParamLfoDivide:
      return static_cast<float>(lfoDivisorFromValue(v));
    case kParamFilterNumber:
      return static_cast<float>(responseSetFromValue(v));
    case kParamLfoSpeed:
      return lfoSpeedFromValue(v);
    case kParamGain:
      return gainDbFromValue(v);
    default:
      return v;
  }
}

float portMinimum(int32_t parameter) { return portValueFromNormalised(parameter, 0.0f); }
float portMaximum(int32_t parameter) { return portValueFromNormalised(parameter, 1.0f); }

float normalisedFromPortValue(int32_t parameter, float portValue) {
  if (!std::isfinite(portValue)) return portValue;  // setParameter ignores it
  const float p = std::clamp(portValue, portMinimum(parameter), portMaximum(parameter));
  switch (parameter) {
    case kParamAngle:
      return valueFromAngle(p);
    case kParamElevation:
      return valueFromElevation(p);
    case kParamMidiLfoTempo:
      return valueFromTempoSync(p >= 0.5f);
    case kParamOwnSet:
      return p >= 0.5f ? 1.0f : 0.0f;
    case kParamLfoDivide:
      return valueFromLfoDivisor(static_cast<int32_t>(std::lround(p)));
    case kParamFilterNumber:
      return valueFromResponseSet(static_cast<int32_t>(std::lround(p)));
    case kParamLfoSpeed:
      return valueFromLfoSpeed(p);
    case kParamGain:
      return valueFromGainDb(p);
    default:
      return p;
  }
}

void portSymbol(const char* parameterName, char* symbol) {
  int i = 0;
  for (; parameterName[i] != 0 && i < kSymbolSize - 1; ++i)
    symbol[i] = parameterName[i] == ' ' ? '_' : parameterName[i];
  symbol[i] = 0;
}

}  // namespace panner::lv2
