// The 25 parameters and the 8 programs: how each normalised value drives the engine and
// the angle modulator, how it reads back, and the texts the host shows for it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "aeff_editor.h"
#include "quendral.h"
#include "text_format.h"

namespace panner {

namespace {

constexpr std::size_t kTextSize = 24;  // display texts: 23 characters and the terminator
// "lfo divide" maps 0..1 to the divisors 1..11, so the modulator never divides by 0 or less.
constexpr int32_t kMaxLfoDivide = 11;
constexpr float kMinPointGap = 0.001f;  // point times stay at least this far apart

#if defined(_WIN32)
constexpr const char* kDegreeSign = "\xB0";  // code page 1252
#else
constexpr const char* kDegreeSign = "\xC2\xB0";  // UTF-8, as Linux hosts read plug-in texts
#endif

constexpr const char* kFixedNames[] = {"angle",     "midi lfo tempo", "lfo divide", "filter number",
                                       "lfo speed", "lfo position",   "gain"};

bool isPointValue(int32_t index) {
  return index >= kParamPointValue1 && index <= kParamPointValue8;
}
bool isPointTime(int32_t index) { return index >= kParamPointTime1 && index <= kParamPointTime8; }

float load(const std::atomic<float>& field) { return field.load(std::memory_order_relaxed); }
void store(std::atomic<float>& field, float value) {
  field.store(value, std::memory_order_relaxed);
}

int32_t lfoDivisorFor(float value) {
  const float scaled = std::clamp(10.0f * value, 0.0f, static_cast<float>(kMaxLfoDivide - 1));
  return static_cast<int32_t>(scaled) + 1;
}

// Linear gain from the normalised value: -12 dB at 0, 0 dB at 0.5, +12 dB at 1.
float gainFor(float value) { return std::pow(10.0f, (value - 0.5f) * 24.0f * 0.05f); }

}  // namespace

ProgramRecord::ProgramRecord() {
  for (int i = 0; i < kEnvelopePoints; ++i) {
    store(pointTime[i], static_cast<float>(i) / 7.0f);
    store(pointValue[i], static_cast<float>(i) / 7.0f);
  }
  copyText(name, "Init", sizeof name);
}

ProgramRecord* quendral::currentRecord() { return programs_ ? &programs_[getProgram()] : nullptr; }

void quendral::setParameter(int32_t index, float value) {
  // A NaN or infinite value has no meaning for any parameter: it changes nothing. Any other
  // value is confined to 0..1 before it is stored or applied, so a host or script error
  // cannot raise the gain beyond +12 dB, and the record holds what getParameter reports.
  if (!std::isfinite(value)) return;
  value = std::clamp(value, 0.0f, 1.0f);
  if (index >= 0 && index < kNumDefinedParams) applyParameter(index, value);
  if (editor) editor->setParameter(index, value);
}

void quendral::applyParameter(int32_t index, float value) {
  AngleModulator& mod = engine_.modulator;
  ProgramRecord* record = currentRecord();
  float recorded = value;  // what the current program's record keeps

  switch (index) {
    case kParamAngle: {
      const float angle = (value - 0.5f) * 360.0f;
      if (!std::isfinite(angle)) return;  // far outside 0..1: no finite angle to apply
      store(mod.targetAngle, angle);
      store(mod.lfoSpeed, 0.0f);
      mod.rebuildSegmentRates();
      if (record) store(record->angle, value);
      return;
    }
    case kParamMidiLfoTempo:
      store(mod.syncToHost, value);
      if (record) store(record->midiLfoTempo, value);
      return;
    case kParamLfoDivide:
      mod.lfoDivide.store(lfoDivisorFor(value), std::memory_order_relaxed);
      if (record) store(record->lfoDivide, value);
      return;
    case kParamFilterNumber:
      engine_.filterSet.store(value < 0.5f ? 0 : 1, std::memory_order_relaxed);
      if (record) store(record->filterNumber, value);
      return;
    case kParamLfoSpeed: {
      // An infinite speed would step the envelope by infinity (NaN on a flat segment).
      const float speed = (value - 0.5f) * 2.0f;
      if (!std::isfinite(speed)) return;
      store(mod.lfoSpeed, speed);
      mod.rebuildSegmentRates();
      mod.placeOnEnvelope();
      if (record) store(record->lfoSpeed, value);
      return;
    }
    case kParamLfoPosition:
      store(mod.lfoPosition, value);
      store(mod.lfoSpeed, 0.0f);
      mod.rebuildSegmentRates();
      mod.placeOnEnvelope();
      if (record) store(record->lfoPosition, value);
      return;
    case kParamGain: {
      const float gain = gainFor(value);
      if (!std::isfinite(gain)) return;  // far outside 0..1: no finite gain to apply
      engine_.outGain.store(gain, std::memory_order_relaxed);
      if (record) store(record->gain, value);
      return;
    }
    default:
      break;
  }

  // The envelope's points.
  if (isPointValue(index)) {
    const int point = index - kParamPointValue1;
    store(mod.pointValues[point], value);
    if (record) store(record->pointValue[point], value);
  } else {
    const int point = index - kParamPointTime1;
    if (point == 0) {
      recorded = 0.0f;  // the envelope always starts at time 0
    } else if (point == kEnvelopePoints - 1) {
      recorded = 1.0f;  // and ends at time 1
    } else {
      // Kept strictly between its neighbours as they stand now, so times keep increasing.
      const float previous = load(mod.pointTimes[point - 1]);
      const float next = load(mod.pointTimes[point + 1]);
      if (previous >= value)
        recorded = previous + kMinPointGap;
      else if (value >= next)
        recorded = next - kMinPointGap;
    }
    store(mod.pointTimes[point], recorded);
    if (record) store(record->pointTime[point], recorded);
  }
  mod.rebuildSegmentRates();
  if (load(mod.lfoSpeed) != 0.0f) mod.placeOnEnvelope();
}

float quendral::getParameter(int32_t index) {
  const AngleModulator& mod = engine_.modulator;
  float value = 0.0f;
  switch (index) {
    case kParamAngle:
      value = (180.0f + load(mod.targetAngle)) / 360.0f;
      break;
    case kParamMidiLfoTempo:
      value = load(mod.syncToHost);
      break;
    case kParamLfoDivide:
      value = static_cast<float>(mod.lfoDivide.load(std::memory_order_relaxed) - 1) * 0.1f;
      break;
    case kParamFilterNumber:
      value = engine_.filterSet.load(std::memory_order_relaxed) != 0 ? 1.0f : 0.0f;
      break;
    case kParamLfoSpeed:
      value = 0.5f + load(mod.lfoSpeed) * 0.5f;
      break;
    case kParamLfoPosition:
      value = load(mod.lfoPosition);
      break;
    case kParamGain:
      value = 20.0f * std::log10(engine_.outGain.load(std::memory_order_relaxed)) / 24.0f + 0.5f;
      break;
    default:
      if (isPointValue(index))
        value = load(mod.pointValues[index - kParamPointValue1]);
      else if (isPointTime(index))
        value = load(mod.pointTimes[index - kParamPointTime1]);
      break;
  }
  if (!(value >= 0.0f)) return 0.0f;  // also catches NaN
  return std::min(value, 1.0f);
}

void quendral::getParameterName(int32_t index, char* text) {
  if (index >= kParamAngle && index <= kParamGain) {
    copyText(text, kFixedNames[index], kTextSize);
  } else if (isPointValue(index)) {
    std::snprintf(text, kTextSize, "point %d value",
                  static_cast<int>(index - kParamPointValue1 + 1));
  } else if (isPointTime(index)) {
    std::snprintf(text, kTextSize, "point %d time", static_cast<int>(index - kParamPointTime1 + 1));
  } else {
    text[0] = 0;
  }
}

void quendral::getParameterLabel(int32_t index, char* label) {
  const char* text = "";
  if (index == kParamAngle)
    text = kDegreeSign;
  else if (index == kParamLfoSpeed)
    text = " Hz";
  else if (index == kParamGain)
    text = " dB";
  copyText(label, text, kTextSize);
}

void quendral::getParameterDisplay(int32_t index, char* text) {
  const AngleModulator& mod = engine_.modulator;
  const auto print = [text](const char* format, float value) {
    std::snprintf(text, kTextSize, format, static_cast<double>(value));
  };
  switch (index) {
    case kParamAngle:
      print("%3.1f", load(mod.targetAngle));
      return;
    case kParamMidiLfoTempo:
      print("%3.2f", load(mod.syncToHost));
      return;
    case kParamLfoDivide:
      int2string(mod.lfoDivide.load(std::memory_order_relaxed), text, kTextSize);
      return;
    case kParamFilterNumber:
      int2string(engine_.filterSet.load(std::memory_order_relaxed), text, kTextSize);
      return;
    case kParamLfoSpeed:
      print("%3.2f", load(mod.lfoSpeed));
      return;
    case kParamLfoPosition:
      print("%3.2f", load(mod.lfoPosition));
      return;
    case kParamGain:
      print("%3.1f", 20.0f * std::log10(engine_.outGain.load(std::memory_order_relaxed)));
      return;
    default:
      if (isPointValue(index))
        float2string(load(mod.pointValues[index - kParamPointValue1]), text, kTextSize);
      else if (isPointTime(index))
        float2string(load(mod.pointTimes[index - kParamPointTime1]), text, kTextSize);
      else
        text[0] = 0;
      return;
  }
}

void quendral::setProgram(int32_t program) {
  if (!programs_ || program < 0 || program >= kNumPrograms) return;
  curProgram.store(program, std::memory_order_relaxed);
  ProgramRecord& record = programs_[program];
  AngleModulator& mod = engine_.modulator;

  for (int i = 0; i < kEnvelopePoints; ++i) store(mod.pointValues[i], load(record.pointValue[i]));
  // The end points are fixed; the times between are taken as stored, without clamping.
  store(record.pointTime[0], 0.0f);
  store(mod.pointTimes[0], 0.0f);
  for (int i = 1; i < kEnvelopePoints - 1; ++i) store(mod.pointTimes[i], load(record.pointTime[i]));
  store(record.pointTime[kEnvelopePoints - 1], 1.0f);
  store(mod.pointTimes[kEnvelopePoints - 1], 1.0f);

  setParameter(kParamGain, load(record.gain));
  setParameter(kParamMidiLfoTempo, load(record.midiLfoTempo));
  setParameter(kParamLfoDivide, load(record.lfoDivide));
  setParameter(kParamFilterNumber, load(record.filterNumber));
  // Position before speed: the position stops the LFO, the speed starts it again.
  setParameter(kParamLfoPosition, load(record.lfoPosition));
  setParameter(kParamLfoSpeed, load(record.lfoSpeed));

  // A running LFO has just been placed on its envelope by the speed; a stopped one starts
  // at the stored angle.
  if (load(mod.lfoSpeed) == 0.0f) setParameter(kParamAngle, load(record.angle));
}

void quendral::setProgramName(char* name) {
  if (ProgramRecord* record = currentRecord()) copyText(record->name, name, kProgramNameLen);
}

void quendral::getProgramName(char* name) {
  const ProgramRecord* record = currentRecord();
  if (!record) {
    name[0] = 0;
  } else if (std::strcmp(record->name, "Init") == 0) {
    std::snprintf(name, kProgramNameLen, "Init %d", static_cast<int>(getProgram() + 1));
  } else {
    copyText(name, record->name, kProgramNameLen);
  }
}

}  // namespace panner
