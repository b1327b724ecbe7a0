// The 25 parameters and the 8 programs: how each normalised value drives the engine and
// the angle modulator, how it reads back, and the texts the host shows for it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "editor/panel_editor.h"
#include "parameter_mapping.h"
#include "quendral_core.h"
#include "text_format.h"

namespace panner {

namespace {

constexpr std::size_t kTextSize = QuendralCore::kTextSize;
constexpr int kLastPoint = AngleModulator::kPoints - 1;

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

// Linear gain from the normalised value: -12 dB at 0, 0 dB at 0.5, +12 dB at 1.
float gainFor(float value) { return linearGainFromDb(gainDbFromValue(value)); }

// The record fields of the parameters 0..6, in index order.
constexpr std::atomic<float> ProgramRecord::*kFixedFields[] = {
    &ProgramRecord::angle,        &ProgramRecord::midiLfoTempo, &ProgramRecord::lfoDivide,
    &ProgramRecord::filterNumber, &ProgramRecord::lfoSpeed,     &ProgramRecord::lfoPosition,
    &ProgramRecord::gain};
static_assert(std::size(kFixedFields) == kParamGain + 1);

// The field of a program record that keeps parameter `index` (isProgramParameter).
std::atomic<float>& recordedField(ProgramRecord& record, int32_t index) {
  if (index == kParamElevation) return record.elevation;
  if (index <= kParamGain) return record.*kFixedFields[index];
  if (isPointValue(index)) return record.pointValue[index - kParamPointValue1];
  return record.pointTime[index - kParamPointTime1];
}

}  // namespace

ProgramRecord::ProgramRecord() {
  for (int i = 0; i < AngleModulator::kPoints; ++i) {
    store(pointTime[i], AngleModulator::defaultPoint(i));
    store(pointValue[i], AngleModulator::defaultPoint(i));
  }
  copyText(name, "Init", sizeof name);
}

ProgramRecord* QuendralCore::currentRecord() const {
  return programs ? &programs[getProgram()] : nullptr;
}

void QuendralCore::setParameter(int32_t index, float value) {
  // A NaN or infinite value has no meaning for any parameter: it changes nothing. Any other
  // value is confined to 0..1 before it is stored or applied, so a host or script error
  // cannot raise the gain beyond +12 dB, and the record holds what getParameter reports.
  if (!std::isfinite(value)) return;
  value = std::clamp(value, 0.0f, 1.0f);
  if (isProgramParameter(index)) applyParameter(index, value);
  if (index == kParamOwnSet) engine.useOwnSet.store(value >= 0.5f, std::memory_order_relaxed);
  if (panel) panel->setParameter(index, value);
}

void QuendralCore::applyParameter(int32_t index, float value) {
  float recorded = value;  // what the current program's record keeps
  if (index <= kParamGain || index == kParamElevation) {
    if (!applyFixedParameter(index, value)) return;
  } else {
    recorded = applyEnvelopePoint(index, value);
  }
  if (ProgramRecord* record = currentRecord()) store(recordedField(*record, index), recorded);
}

bool QuendralCore::applyFixedParameter(int32_t index, float value) {
  AngleModulator& mod = engine.modulator;
  switch (index) {
    case kParamAngle: {
      const float angle = angleFromValue(value);
      if (!std::isfinite(angle)) return false;  // far outside 0..1: no finite angle to apply
      store(mod.targetAngle, angle);
      store(mod.lfoSpeed, 0.0f);
      mod.rebuildSegmentRates();
      return true;
    }
    case kParamMidiLfoTempo:
      store(mod.syncToHost, value);
      return true;
    case kParamLfoDivide:
      mod.lfoDivide.store(lfoDivisorFromValue(value), std::memory_order_relaxed);
      return true;
    case kParamFilterNumber:
      engine.filterSet.store(responseSetFromValue(value), std::memory_order_relaxed);
      return true;
    case kParamLfoSpeed: {
      // An infinite speed would step the envelope by infinity (NaN on a flat segment).
      const float speed = lfoSpeedFromValue(value);
      if (!std::isfinite(speed)) return false;
      store(mod.lfoSpeed, speed);
      mod.rebuildSegmentRates();
      mod.placeOnEnvelope();
      return true;
    }
    case kParamLfoPosition:
      store(mod.lfoPositionResidual, 0.0f);  // exactly the value set
      store(mod.lfoPosition, value);
      store(mod.lfoSpeed, 0.0f);
      mod.rebuildSegmentRates();
      mod.placeOnEnvelope();
      return true;
    case kParamGain: {
      const float gain = gainFor(value);
      if (!std::isfinite(gain)) return false;  // far outside 0..1: no finite gain to apply
      engine.outGain.store(gain, std::memory_order_relaxed);
      return true;
    }
    case kParamElevation:
      store(engine.targetElevation, elevationFromValue(value));
      return true;
    default:
      return false;
  }
}

float QuendralCore::applyEnvelopePoint(int32_t index, float value) {
  AngleModulator& mod = engine.modulator;
  float applied = value;
  if (isPointValue(index)) {
    store(mod.pointValues[index - kParamPointValue1], value);
  } else {
    const int point = index - kParamPointTime1;
    applied = pointTimeBetweenNeighbours(point, value);
    store(mod.pointTimes[point], applied);
  }
  mod.rebuildSegmentRates();
  if (load(mod.lfoSpeed) != 0.0f) mod.placeOnEnvelope();
  return applied;
}

float QuendralCore::pointTimeBetweenNeighbours(int point, float time) const {
  if (point == 0) return 0.0f;           // the envelope always starts at time 0
  if (point == kLastPoint) return 1.0f;  // and ends at time 1
  // Kept strictly between its neighbours as they stand now, so times keep increasing.
  const AngleModulator& mod = engine.modulator;
  return pointTimeBetween(load(mod.pointTimes[point - 1]), time, load(mod.pointTimes[point + 1]));
}

float QuendralCore::getParameter(int32_t index) const {
  const AngleModulator& mod = engine.modulator;
  float value = 0.0f;
  switch (index) {
    case kParamAngle:
      value = valueFromAngle(load(mod.targetAngle));
      break;
    case kParamMidiLfoTempo:
      value = load(mod.syncToHost);
      break;
    case kParamLfoDivide:
      value = valueFromLfoDivisor(mod.lfoDivide.load(std::memory_order_relaxed));
      break;
    case kParamFilterNumber:
      value = engine.filterSet.load(std::memory_order_relaxed) != 0 ? 1.0f : 0.0f;
      break;
    case kParamLfoSpeed:
      value = valueFromLfoSpeed(load(mod.lfoSpeed));
      break;
    case kParamLfoPosition:
      value = load(mod.lfoPosition);
      break;
    case kParamGain:
      value = valueFromGainDb(dbFromLinearGain(engine.outGain.load(std::memory_order_relaxed)));
      break;
    case kParamOwnSet:
      value = engine.useOwnSet.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
      break;
    case kParamElevation:
      value = valueFromElevation(load(engine.targetElevation));
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

void QuendralCore::getParameterName(int32_t index, char* text) const {
  if (index >= kParamAngle && index <= kParamGain) {
    copyText(text, kFixedNames[index], kTextSize);
  } else if (isPointValue(index)) {
    std::snprintf(text, kTextSize, "point %d value",
                  static_cast<int>(index - kParamPointValue1 + 1));
  } else if (isPointTime(index)) {
    std::snprintf(text, kTextSize, "point %d time", static_cast<int>(index - kParamPointTime1 + 1));
  } else if (index == kParamOwnSet) {
    copyText(text, "own set", kTextSize);
  } else if (index == kParamElevation) {
    copyText(text, "elevation", kTextSize);
  } else {
    text[0] = 0;
  }
}

void QuendralCore::getParameterLabel(int32_t index, char* label) const {
  const char* text = "";
  if (index == kParamAngle || index == kParamElevation)
    text = kDegreeSign;
  else if (index == kParamLfoSpeed)
    text = " Hz";
  else if (index == kParamGain)
    text = " dB";
  copyText(label, text, kTextSize);
}

void QuendralCore::getParameterDisplay(int32_t index, char* text) const {
  const AngleModulator& mod = engine.modulator;
  float shown = 0.0f;
  switch (index) {
    case kParamAngle:
      shown = load(mod.targetAngle);
      break;
    case kParamMidiLfoTempo:
      shown = load(mod.syncToHost);
      break;
    case kParamLfoDivide:
      shown = static_cast<float>(mod.lfoDivide.load(std::memory_order_relaxed));
      break;
    case kParamFilterNumber:
      shown = static_cast<float>(engine.filterSet.load(std::memory_order_relaxed));
      break;
    case kParamLfoSpeed:
      shown = load(mod.lfoSpeed);
      break;
    case kParamLfoPosition:
      shown = load(mod.lfoPosition);
      break;
    case kParamGain:
      shown = dbFromLinearGain(engine.outGain.load(std::memory_order_relaxed));
      break;
    case kParamOwnSet:
      shown = engine.useOwnSet.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
      break;
    case kParamElevation:
      shown = load(engine.targetElevation);
      break;
    default:
      if (isPointValue(index))
        shown = load(mod.pointValues[index - kParamPointValue1]);
      else if (isPointTime(index))
        shown = load(mod.pointTimes[index - kParamPointTime1]);
      break;
  }
  printShownValue(index, shown, text);
}

void QuendralCore::setProgram(int32_t program) {
  if (!programs || program < 0 || program >= kNumPrograms) return;
  currentProgram.store(program, std::memory_order_relaxed);
  ProgramRecord& record = programs[program];
  AngleModulator& mod = engine.modulator;

  for (int i = 0; i < AngleModulator::kPoints; ++i)
    store(mod.pointValues[i], load(record.pointValue[i]));
  // The end points are fixed; the times between are taken as stored, without clamping.
  store(record.pointTime[0], 0.0f);
  store(mod.pointTimes[0], 0.0f);
  for (int i = 1; i < kLastPoint; ++i) store(mod.pointTimes[i], load(record.pointTime[i]));
  store(record.pointTime[kLastPoint], 1.0f);
  store(mod.pointTimes[kLastPoint], 1.0f);

  setParameter(kParamGain, load(record.gain));
  setParameter(kParamMidiLfoTempo, load(record.midiLfoTempo));
  setParameter(kParamLfoDivide, load(record.lfoDivide));
  setParameter(kParamFilterNumber, load(record.filterNumber));
  // Position before speed: the position stops the LFO, the speed starts it again.
  setParameter(kParamLfoPosition, load(record.lfoPosition));
  setParameter(kParamLfoSpeed, load(record.lfoSpeed));
  setParameter(kParamElevation, load(record.elevation));

  // A running LFO has just been placed on its envelope by the speed; a stopped one starts
  // at the stored angle.
  if (load(mod.lfoSpeed) == 0.0f) setParameter(kParamAngle, load(record.angle));
}

void QuendralCore::setProgramName(const char* name) {
  if (ProgramRecord* record = currentRecord()) copyText(record->name, name, kProgramNameLen);
}

void QuendralCore::getProgramName(char* name) const { getProgramNameIndexed(getProgram(), name); }

void QuendralCore::getProgramNameIndexed(int32_t program, char* name) const {
  if (!programs || program < 0 || program >= kNumPrograms) {
    name[0] = 0;
  } else if (std::strcmp(programs[program].name, "Init") == 0) {
    std::snprintf(name, kProgramNameLen, "Init %d", static_cast<int>(program + 1));
  } else {
    copyText(name, programs[program].name, kProgramNameLen);
  }
}

}  // namespace panner
