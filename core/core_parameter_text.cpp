// The parameters' texts in both directions: what a value shows (the display every format
// hands its host) and what a typed text means, plus the facts hosts beyond VST2 ask for
// (steps, defaults). Formats only convert these texts; the rules are here.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "parameter_mapping.h"
#include "quendral_core.h"
#include "text_format.h"

namespace panner {

namespace {

constexpr std::size_t kTextSize = QuendralCore::kTextSize;

bool isEnvelopePoint(int32_t index) {
  return index >= kParamPointValue1 && index <= kParamPointTime8;
}

// The first number in text (after spaces and an optional sign); whatever follows, a unit
// for instance, is ignored. False when there is no number or it is not finite.
bool leadingNumber(const char* text, double& number) {
  if (!text) return false;
  const char* end = text + std::strlen(text);
  while (text < end && (*text == ' ' || *text == '\t')) ++text;
  bool negative = false;
  if (text < end && (*text == '+' || *text == '-')) negative = *text++ == '-';
  const auto [stop, error] = std::from_chars(text, end, number);
  if (error != std::errc() || stop == text || !std::isfinite(number)) return false;
  if (negative) number = -number;
  return true;
}

}  // namespace

void QuendralCore::printShownValue(int32_t index, float shown, char* text) {
  const auto print = [text](const char* format, float value) {
    printNumber(format, value, text, kTextSize);
  };
  switch (index) {
    case kParamAngle:
    case kParamElevation:
    case kParamGain:
      print("%3.1f", shown);
      return;
    case kParamMidiLfoTempo:
    case kParamLfoSpeed:
    case kParamLfoPosition:
      print("%3.2f", shown);
      return;
    case kParamLfoDivide:
    case kParamFilterNumber:
      int2string(static_cast<int32_t>(shown), text, kTextSize);
      return;
    case kParamOwnSet:
      copyText(text, shown >= 0.5f ? "on" : "off", kTextSize);
      return;
    default:
      if (isEnvelopePoint(index))
        float2string(shown, text, kTextSize);
      else
        text[0] = 0;
      return;
  }
}

void QuendralCore::getParameterDisplayForValue(int32_t index, float value, char* text) const {
  if (!std::isfinite(value)) value = 0.0f;
  value = std::clamp(value, 0.0f, 1.0f);  // as setParameter confines it
  float shown = value;
  switch (index) {
    case kParamAngle:
      shown = angleFromValue(value);
      break;
    case kParamElevation:
      shown = elevationFromValue(value);
      break;
    case kParamLfoDivide:
      shown = static_cast<float>(lfoDivisorFromValue(value));
      break;
    case kParamFilterNumber:
      shown = static_cast<float>(responseSetFromValue(value));
      break;
    case kParamLfoSpeed:
      shown = lfoSpeedFromValue(value);
      break;
    case kParamGain:
      // Through the linear gain, as the engine holds it and getParameterDisplay reads it.
      shown = dbFromLinearGain(linearGainFromDb(gainDbFromValue(value)));
      break;
    default:
      break;
  }
  printShownValue(index, shown, text);
}

bool QuendralCore::getParameterValueFromText(int32_t index, const char* text, float& value) const {
  // "own set" reads as its display does, or as a number (0 off, 1 on).
  if (index == kParamOwnSet && text &&
      (std::strcmp(text, "on") == 0 || std::strcmp(text, "off") == 0)) {
    value = text[1] == 'n' ? 1.0f : 0.0f;
    return true;
  }
  double typed = 0.0;
  if (index < 0 || index >= kNumParams || !leadingNumber(text, typed)) return false;
  if (index == kParamOwnSet) {
    value = typed >= 0.5 ? 1.0f : 0.0f;
    return true;
  }
  switch (index) {
    case kParamAngle:
      // 180..360 are the left half of the circle, as -180..0.
      if (typed > 180.0) typed -= 360.0;
      value = valueFromAngle(static_cast<float>(std::clamp(typed, -180.0, 180.0)));
      return true;
    case kParamElevation: {
      const double top = kMaxElevationDegrees;
      value = valueFromElevation(static_cast<float>(std::clamp(typed, -top, top)));
      return true;
    }
    case kParamLfoDivide: {
      const auto divisor = static_cast<int32_t>(
          std::lround(std::clamp(typed, 1.0, static_cast<double>(kMaxLfoDivisor))));
      value = valueFromLfoDivisor(divisor);
      return true;
    }
    case kParamFilterNumber:
      value = valueFromResponseSet(typed < 0.5 ? 0 : 1);
      return true;
    case kParamLfoSpeed:
      value = valueFromLfoSpeed(static_cast<float>(std::clamp(typed, -1.0, 1.0)));
      return true;
    case kParamGain: {
      const double span = kGainSpanDb / 2.0;
      value = valueFromGainDb(static_cast<float>(std::clamp(typed, -span, span)));
      return true;
    }
    default:  // midi lfo tempo, lfo position and the envelope points show the value itself
      value = static_cast<float>(std::clamp(typed, 0.0, 1.0));
      return true;
  }
}

int32_t QuendralCore::getParameterStepCount(int32_t index) const {
  if (index == kParamLfoDivide) return kLfoDivideSteps;  // divisors 1..11
  if (index == kParamFilterNumber) return 1;             // two response sets
  if (index == kParamOwnSet) return 1;                   // off, on
  return 0;
}

float QuendralCore::getParameterDefault(int32_t index) const {
  const ProgramRecord fresh;
  const auto value = [](const std::atomic<float>& field) {
    return field.load(std::memory_order_relaxed);
  };
  switch (index) {
    case kParamAngle:
      return value(fresh.angle);
    case kParamMidiLfoTempo:
      return value(fresh.midiLfoTempo);
    case kParamLfoDivide:
      return value(fresh.lfoDivide);
    case kParamFilterNumber:
      return value(fresh.filterNumber);
    case kParamLfoSpeed:
      return value(fresh.lfoSpeed);
    case kParamLfoPosition:
      return value(fresh.lfoPosition);
    case kParamGain:
      return value(fresh.gain);
    case kParamElevation:
      return value(fresh.elevation);
    default:
      if (index >= kParamPointValue1 && index <= kParamPointValue8)
        return value(fresh.pointValue[index - kParamPointValue1]);
      if (index >= kParamPointTime1 && index <= kParamPointTime8)
        return value(fresh.pointTime[index - kParamPointTime1]);
      return 0.0f;
  }
}

}  // namespace panner
