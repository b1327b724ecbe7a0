// Saving and restoring the plug-in's state through program chunks. The eight programs and
// the current one are not enough to put a project back as it was: the modulator's target,
// position, speed and segment and the azimuth and elevation the filters use move by
// themselves, so the bank chunk carries them too. A restored value is confined as
// setParameter confines it: a value setParameter would ignore (NaN, infinite, or one whose
// mapping is not finite) leaves what was there, any other is brought into 0..1, point times
// are kept between their neighbours, and an index out of range is not used.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "angle_math.h"
#include "editor/panel_editor.h"
#include "own_response_set.h"
#include "parameter_mapping.h"
#include "quendral_core.h"
#include "state_chunk.h"
#include "text_format.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

float load(const std::atomic<float>& field) { return field.load(kRelaxed); }

// Stores `value` confined to 0..1, as setParameter confines it, unless setParameter would
// have ignored it (NaN or infinite).
void restore(std::atomic<float>& field, float value) {
  if (std::isfinite(value)) field.store(std::clamp(value, 0.0f, 1.0f), kRelaxed);
}
// For the parameters whose value maps through a formula: the mapped value must be finite.
void restore(std::atomic<float>& field, float value, float mapped) {
  if (std::isfinite(mapped)) restore(field, value);
}

void restoreRecord(ProgramRecord& record, const chunk::StoredProgram& stored) {
  restore(record.angle, stored.angle, angleFromValue(stored.angle));
  restore(record.midiLfoTempo, stored.midiLfoTempo);
  restore(record.lfoDivide, stored.lfoDivide);
  restore(record.filterNumber, stored.filterNumber);
  restore(record.lfoSpeed, stored.lfoSpeed, lfoSpeedFromValue(stored.lfoSpeed));
  restore(record.lfoPosition, stored.lfoPosition);
  restore(record.gain, stored.gain, linearGainFromDb(gainDbFromValue(stored.gain)));
  restore(record.elevation, stored.elevation);
  for (int i = 0; i < AngleModulator::kPoints; ++i)
    restore(record.pointValue[i], stored.pointValue[i]);

  // Times in index order, each kept between the one before (as now restored) and the one
  // after, as setParameter keeps them; the end points are fixed.
  record.pointTime[0].store(0.0f, kRelaxed);
  for (int i = 1; i < AngleModulator::kPoints - 1; ++i) {
    const float value = stored.pointTime[i];
    if (!std::isfinite(value)) continue;
    const float previous = load(record.pointTime[i - 1]);
    float next = 1.0f;  // the last point's time
    if (i + 1 < AngleModulator::kPoints - 1)
      next = std::isfinite(stored.pointTime[i + 1]) ? stored.pointTime[i + 1]
                                                    : load(record.pointTime[i + 1]);
    record.pointTime[i].store(pointTimeBetween(previous, value, next), kRelaxed);
  }
  record.pointTime[AngleModulator::kPoints - 1].store(1.0f, kRelaxed);
  copyText(record.name, stored.name, kProgramNameLen);
}

chunk::StoredProgram storedFrom(const ProgramRecord& record) {
  chunk::StoredProgram stored;
  stored.angle = load(record.angle);
  stored.midiLfoTempo = load(record.midiLfoTempo);
  stored.lfoDivide = load(record.lfoDivide);
  stored.filterNumber = load(record.filterNumber);
  stored.lfoSpeed = load(record.lfoSpeed);
  stored.lfoPosition = load(record.lfoPosition);
  stored.gain = load(record.gain);
  stored.elevation = load(record.elevation);
  for (int i = 0; i < AngleModulator::kPoints; ++i) {
    stored.pointTime[i] = load(record.pointTime[i]);
    stored.pointValue[i] = load(record.pointValue[i]);
  }
  copyText(stored.name, record.name, kProgramNameLen);
  return stored;
}

}  // namespace

// The ring is held to the limits a loaded one keeps and prepared for the engine's rate
// before the switch moves; false, changing nothing, when it is refused.
bool QuendralCore::applyOwnSetState(const chunk::OwnSetState& own) {
  const std::shared_ptr<const OwnResponseSet> current = engine.ownResponseSet();
  const bool same = own.set && current &&
                    (own.set == current ||
                     (own.set->rate == current->rate && own.set->length == current->length &&
                      own.set->mirrored == current->mirrored && own.set->name == current->name &&
                      own.set->angles == current->angles && own.set->taps == current->taps));
  if (own.set && !same) {
    auto checked = std::make_shared<OwnResponseSet>(*own.set);
    std::string why;
    if (!checkOwnResponseSet(*checked, why) || !engine.setOwnResponseSet(std::move(checked)))
      return false;
  } else if (!own.set && current && !engine.setOwnResponseSet(nullptr)) {
    return false;
  }
  engine.useOwnSet.store(own.on, kRelaxed);
  if (panel) panel->setParameter(kParamOwnSet, own.on ? 1.0f : 0.0f);
  return true;
}

int32_t QuendralCore::getChunk(void** data, bool isPreset) {
  if (!programs) return 0;
  std::size_t size = 0;
  // The own set travels with both kinds: the switch and the ring as used.
  chunk::OwnSetState own;
  own.on = engine.useOwnSet.load(kRelaxed);
  own.set = engine.ownResponseSet();
  try {
    savedChunk.resize(isPreset ? chunk::programChunkSize(own)
                               : chunk::kBankChunkSize + chunk::ownSetBlockSize(own) +
                                     chunk::kBankElevationSize + chunk::kBankTrackingSize +
                                     chunk::kBankEditorSizeSize);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (isPreset) {
    size = chunk::writeProgram(storedFrom(programs[getProgram()]), own, savedChunk.data());
  } else {
    chunk::BankState bank;
    bank.currentProgram = getProgram();
    for (int p = 0; p < kNumPrograms; ++p) bank.programs[p] = storedFrom(programs[p]);
    const AngleModulator& mod = engine.modulator;
    bank.live.targetAngle = load(mod.targetAngle);
    bank.live.currentAngle = engine.currentAngleDegrees();
    bank.live.lfoPosition = load(mod.lfoPosition);
    bank.live.lfoPositionResidual = load(mod.lfoPositionResidual);
    bank.live.lfoSpeed = load(mod.lfoSpeed);
    bank.live.fromPoint = mod.fromPoint.load(kRelaxed);
    bank.live.toPoint = mod.toPoint.load(kRelaxed);
    bank.live.currentElevation = engine.currentElevationDegrees();
    bank.own = std::move(own);
    bank.tracking = tracker.settings();
    bank.editorSizePercent = getEditorSizePercent();
    size = chunk::writeBank(bank, savedChunk.data());
  }
  *data = savedChunk.data();
  return static_cast<int32_t>(size);
}

int32_t QuendralCore::setChunk(const void* data, int32_t byteSize, bool isPreset) {
  if (!programs || !data || byteSize <= 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  const auto size = static_cast<std::size_t>(byteSize);

  if (isPreset) {
    chunk::StoredProgram program;
    chunk::OwnSetState own;
    bool hasOwn = false;
    if (!chunk::parseProgram(bytes, size, program, own, hasOwn)) return 0;
    // A preset from before own sets switches the own set off and leaves it loaded.
    if (!hasOwn) own = {false, engine.ownResponseSet()};
    if (!applyOwnSetState(own)) return 0;
    restoreRecord(programs[getProgram()], program);
    setProgram(getProgram());
    return 1;
  }

  // Everything is parsed and checked before anything changes. A bank from before own sets
  // has none and the switch off: it sounds as it did.
  chunk::BankState bank;
  if (!chunk::parseBank(bytes, size, bank)) return 0;
  if (!applyOwnSetState(bank.own)) return 0;
  // A project from before the panel could be sized opens at the host's or system's size.
  setEditorSizePercent(bank.editorSizePercent);
  for (int p = 0; p < kNumPrograms; ++p) restoreRecord(programs[p], bank.programs[p]);
  setHeadTrackingSettings(bank.tracking);
  const int32_t program = bank.currentProgram >= 0 && bank.currentProgram < kNumPrograms
                              ? bank.currentProgram
                              : getProgram();
  // The program sets every parameter; then the motion continues where it was saved.
  setProgram(program);
  AngleModulator& mod = engine.modulator;
  const chunk::LiveState& live = bank.live;
  // Each in the range the modulator keeps it in: the target a signed angle, the position
  // 0..1; the signed speed follows the host's tempo, so any finite one is taken.
  if (std::isfinite(live.targetAngle))
    mod.targetAngle.store(wrapSignedAngle(live.targetAngle), kRelaxed);
  if (std::isfinite(live.lfoPosition)) {
    // The residual first: the audio thread takes it with the new position.
    mod.lfoPositionResidual.store(live.lfoPositionResidual, kRelaxed);
    mod.lfoPosition.store(std::clamp(live.lfoPosition, 0.0f, 1.0f), kRelaxed);
  }
  if (std::isfinite(live.lfoSpeed)) mod.lfoSpeed.store(live.lfoSpeed, kRelaxed);
  const bool segmentValid = live.fromPoint >= 0 && live.fromPoint < AngleModulator::kPoints &&
                            live.toPoint >= 0 && live.toPoint < AngleModulator::kPoints &&
                            std::abs(live.fromPoint - live.toPoint) == 1;
  if (segmentValid) {
    mod.fromPoint.store(static_cast<int16_t>(live.fromPoint), kRelaxed);
    mod.toPoint.store(static_cast<int16_t>(live.toPoint), kRelaxed);
  }
  if (std::isfinite(live.currentAngle)) engine.restoreCurrentAngle(wrapAzimuth(live.currentAngle));
  // A bank from before elevation has 0 here, as its programs have.
  if (std::isfinite(live.currentElevation)) {
    engine.restoreCurrentElevation(
        std::clamp(live.currentElevation, -kMaxElevationDegrees, kMaxElevationDegrees));
  }
  return 1;
}

}  // namespace panner
