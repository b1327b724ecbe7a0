#include "lv2_plugin.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "angle_math.h"
#include "engine_constants.h"
#include "lv2_features.h"
#include "lv2_uris.h"
#include "parameter_mapping.h"
#include "plugin_identity.h"
#include "state_chunk.h"

namespace panner::lv2 {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool isEnvelopePoint(int32_t index) {
  return index >= kParamPointValue1 && index <= kParamPointTime8;
}

// The order changed ports reach the core within one block, that of a program change: the
// envelope first, then the plain settings, the position before the speed (the position
// stops the LFO, the speed starts it again), the angle last, so that an angle given with
// a stopped LFO is the one that stays.
constexpr int32_t kApplyOrder[] = {kParamGain,         kParamMidiLfoTempo, kParamLfoDivide,
                                   kParamFilterNumber, kParamOwnSet,       kParamElevation,
                                   kParamLfoPosition,  kParamLfoSpeed,     kParamAngle};

}  // namespace

Lv2Plugin* Lv2Plugin::create(double sampleRate, const LV2_Feature* const* features) {
  Lv2Plugin* plugin = new (std::nothrow)
      Lv2Plugin(findFeature<LV2_URID_Map>(features, LV2_URID__map),
                findFeature<LV2_Worker_Schedule>(features, LV2_WORKER__schedule));
  if (!plugin) return nullptr;
  if (!plugin->core_ || !plugin->core_->constructed() || !plugin->ownSet ||
      !plugin->core_->setSampleRate(sampleRate)) {
    delete plugin;
    return nullptr;
  }
  plugin->timeline.setSampleRate(sampleRate);
  return plugin;
}

Lv2Plugin::Lv2Plugin(const LV2_URID_Map* uridMap, const LV2_Worker_Schedule* schedule)
    : map(uridMap) {
  core_.reset(new (std::nothrow) QuendralCore(this));
  if (core_) {
    for (int32_t p = 0; p < kNumControlPorts; ++p)
      lastPortValue[p] = portValueFromNormalised(p, core_->getParameter(p));
    ownSet.reset(new (std::nothrow) OwnSetFile(*core_, map, schedule));
  }
  if (!map) return;
  const auto urid = [this](const char* uri) { return map->map(map->handle, uri); };
  uris.atomBlank = urid(LV2_ATOM__Blank);
  uris.atomObject = urid(LV2_ATOM__Object);
  uris.atomChunk = urid(LV2_ATOM__Chunk);
  uris.atomDouble = urid(LV2_ATOM__Double);
  uris.atomFloat = urid(LV2_ATOM__Float);
  uris.atomInt = urid(LV2_ATOM__Int);
  uris.atomLong = urid(LV2_ATOM__Long);
  uris.atomSequence = urid(LV2_ATOM__Sequence);
  uris.midiEvent = urid(LV2_MIDI__MidiEvent);
  uris.timePosition = urid(LV2_TIME__Position);
  uris.timeBeat = urid(LV2_TIME__beat);
  uris.timeBeatUnit = urid(LV2_TIME__beatUnit);
  uris.timeBeatsPerMinute = urid(LV2_TIME__beatsPerMinute);
  uris.timeSpeed = urid(LV2_TIME__speed);
  uris.stateChunk = urid(kStateChunkUri);
}

// The panel goes with the core; an editor still registered is the host's error, but it
// must not be called into a freed instance.
Lv2Plugin::~Lv2Plugin() { editListener.store(nullptr); }

void Lv2Plugin::connectPort(uint32_t port, void* data) {
  if (const int32_t parameter = parameterOfPort(port); parameter >= 0) {
    controls[parameter] = static_cast<const float*>(data);
    return;
  }
  switch (port) {
    case kLatencyPort:
      latency = static_cast<float*>(data);
      break;
    case kAudioInPort:
      input = static_cast<const float*>(data);
      break;
    case kAudioOutPort0:
      output0 = static_cast<float*>(data);
      break;
    case kAudioOutPort1:
      output1 = static_cast<float*>(data);
      break;
    case kEventsInPort:
      events = static_cast<const LV2_Atom_Sequence*>(data);
      break;
    case kNotifyPort:
      ownSet->connectNotify(static_cast<LV2_Atom_Sequence*>(data));
      break;
    default:
      break;
  }
}

// Hosts activate once before processing and again after a pause (Ardour, before an export,
// deactivates and activates again): the sound carries on from where it was, as the VST2
// build's resume does; the meters start afresh.
void Lv2Plugin::activate() { core_->suspend(); }

void Lv2Plugin::run(uint32_t frames) {
  if (latency) *latency = static_cast<float>(identity::kLatencySamples);
  ownSet->startBlock();
  readEvents();
  applyControlPorts();
  processAudio(frames);
  timeline.advance(frames);
}

void Lv2Plugin::readEvents() {
  if (!events || !map || events->atom.type != uris.atomSequence) return;
  LV2_ATOM_SEQUENCE_FOREACH(events, event) {
    const uint32_t offset = event->time.frames > 0 ? static_cast<uint32_t>(event->time.frames) : 0u;
    const LV2_Atom& body = event->body;
    if (body.type == uris.midiEvent) {
      // Control changes take effect at once, whatever their place in the block, as the
      // VST2 build applies its MIDI events.
      if (body.size < 3) continue;
      const auto* bytes = reinterpret_cast<const uint8_t*>(&body + 1);
      core_->midiMessage(bytes[0], bytes[1], bytes[2]);
    } else if (body.type == uris.atomObject || body.type == uris.atomBlank) {
      const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&body);
      if (object->body.otype == uris.timePosition)
        readTimePosition(object, offset);
      else
        ownSet->handle(object, offset);
    }
  }
}

void Lv2Plugin::readTimePosition(const LV2_Atom_Object* object, uint32_t offset) {
  const LV2_Atom* beat = nullptr;
  const LV2_Atom* beatUnit = nullptr;
  const LV2_Atom* bpm = nullptr;
  const LV2_Atom* speed = nullptr;
  lv2_atom_object_get(object, uris.timeBeat, &beat, uris.timeBeatUnit, &beatUnit,
                      uris.timeBeatsPerMinute, &bpm, uris.timeSpeed, &speed, 0);
  // Hosts differ in the number types they use; any of them is read.
  const auto number = [this](const LV2_Atom* atom, double& value) {
    if (!atom) return false;
    const void* body = atom + 1;
    if (atom->type == uris.atomFloat && atom->size >= sizeof(float))
      value = *static_cast<const float*>(body);
    else if (atom->type == uris.atomDouble && atom->size >= sizeof(double))
      value = *static_cast<const double*>(body);
    else if (atom->type == uris.atomInt && atom->size >= sizeof(int32_t))
      value = *static_cast<const int32_t*>(body);
    else if (atom->type == uris.atomLong && atom->size >= sizeof(int64_t))
      value = static_cast<double>(*static_cast<const int64_t*>(body));
    else
      return false;
    return true;
  };
  HostTimeline::Report report;
  report.hasTempo = number(bpm, report.beatsPerMinute);
  report.hasBeat = number(beat, report.beat);
  report.hasSpeed = number(speed, report.speed);
  double unit = 0.0;
  if (number(beatUnit, unit)) {
    report.hasBeatUnit = true;
    report.beatUnit = static_cast<int32_t>(unit);
  }
  timeline.report(report, offset);
}

void Lv2Plugin::applyControlPorts() {
  // Most blocks change nothing: that is found out before anything else is done.
  bool anyPortMoved = firstBlock;
  for (int32_t p = 0; p < kNumControlPorts && !anyPortMoved; ++p)
    anyPortMoved = controls[p] && !sameBits(*controls[p], lastPortValue[p]);
  const bool adopt = adoptPorts.load(std::memory_order_acquire) &&
                     adoptPorts.exchange(false, std::memory_order_acquire);
  if (!anyPortMoved && !adopt) return;

  bool changed[kNumControlPorts] = {};
  float normalised[kNumControlPorts] = {};
  bool any = false;
  for (int32_t p = 0; p < kNumControlPorts; ++p) {
    if (!controls[p]) continue;
    const float value = *controls[p];
    if (sameBits(value, lastPortValue[p])) continue;
    lastPortValue[p] = value;
    if (adopt || editing[p].load(kRelaxed)) continue;
    changed[p] = true;
    normalised[p] = normalisedFromPortValue(p, value);
    any = true;
  }
  if (firstBlock) {
    firstBlock = false;
    // A restored state is where the instance starts; otherwise its ports are.
    if (any && !adopt) applyStartingValues(changed, normalised);
    return;
  }
  if (!any) return;
  for (int32_t p = 0; p < kNumControlPorts; ++p)
    if (changed[p] && isEnvelopePoint(p)) core_->setParameter(p, normalised[p]);
  for (const int32_t p : kApplyOrder) {
    if (!changed[p]) continue;
    // With the speed changed in the same block to a running LFO, the LFO's envelope sets
    // the angle, as a program with a running LFO does.
    if (p == kParamAngle && changed[kParamLfoSpeed] &&
        lfoSpeedFromValue(normalised[kParamLfoSpeed]) != 0.0f)
      continue;
    core_->setParameter(p, normalised[p]);
  }
}

void Lv2Plugin::applyStartingValues(const bool* changed, const float* normalised) {
  for (int32_t p = 0; p < kNumControlPorts; ++p)
    if (changed[p] && isEnvelopePoint(p)) core_->setParameter(p, normalised[p]);
  for (const int32_t p :
       {int32_t{kParamGain}, int32_t{kParamLfoDivide}, int32_t{kParamFilterNumber}, kParamOwnSet,
        kParamElevation, int32_t{kParamLfoPosition}})
    if (changed[p]) core_->setParameter(p, normalised[p]);
  // A stopped LFO: the angle is a fixed setting, reached before the first sample. A running
  // one starts moving with the first sample, from where its position puts it.
  const bool lfoRuns =
      changed[kParamLfoSpeed] && lfoSpeedFromValue(normalised[kParamLfoSpeed]) != 0.0f;
  if (!lfoRuns) {
    if (changed[kParamLfoSpeed]) core_->setParameter(kParamLfoSpeed, normalised[kParamLfoSpeed]);
    if (changed[kParamAngle]) core_->setParameter(kParamAngle, normalised[kParamAngle]);
  }
  settle();
  if (changed[kParamMidiLfoTempo])
    core_->setParameter(kParamMidiLfoTempo, normalised[kParamMidiLfoTempo]);
  if (lfoRuns) core_->setParameter(kParamLfoSpeed, normalised[kParamLfoSpeed]);
}

void Lv2Plugin::settle() {
  SpatialEngine& engine = core_->getEngine();
  const float target = engine.modulator.targetAngle.load(kRelaxed);
  if (std::isfinite(target)) engine.restoreCurrentAngle(wrapAzimuth(target));
  engine.restoreCurrentElevation(engine.targetElevation.load(kRelaxed));
  // Two frames: each refills one of the two filter slots. Their output is silence (the
  // input is) and goes nowhere; whole frames keep the frame phase where it was.
  constexpr int32_t kSettleFrames = 2 * engine::kFrameSize;
  static_assert(kSettleFrames <= static_cast<int32_t>(kScratchFrames));
  float discard0[kSettleFrames];
  float discard1[kSettleFrames];
  core_->processReplacing(nullptr, discard0, discard1, kSettleFrames);
  core_->suspend();
}

void Lv2Plugin::processAudio(uint32_t frames) {
  // ecasound runs its plug-ins in place: the input may be the first output's buffer, which
  // the core writes while it still reads the input. Such blocks go through a copy.
  const bool inPlace = input && (input == output0 || input == output1);
  if (!inPlace) {
    core_->processReplacing(input, output0, output1, static_cast<int32_t>(frames));
    return;
  }
  for (uint32_t done = 0; done < frames;) {
    const uint32_t count = std::min(frames - done, kScratchFrames);
    std::memcpy(scratchInput, input + done, count * sizeof(float));
    core_->processReplacing(scratchInput, output0 ? output0 + done : nullptr,
                            output1 ? output1 + done : nullptr, static_cast<int32_t>(count));
    done += count;
    timeline.setPieceOffset(done);  // the next piece's position is later in the block
  }
  timeline.setPieceOffset(0);
}

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                                 const LV2_Feature* const* features) {
  if (!map) return LV2_STATE_ERR_NO_FEATURE;
  void* data = nullptr;
  const int32_t size = core_->getChunk(&data, false);
  if (size <= 0 || !data) return LV2_STATE_ERR_UNKNOWN;
  const LV2_State_Status status = store(handle, uris.stateChunk, data, static_cast<size_t>(size),
                                        uris.atomChunk, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  if (status != LV2_STATE_SUCCESS) return status;
  return ownSet->save(store, handle, features);
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                    const LV2_Feature* const* features) {
  if (!map) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const void* data = retrieve(handle, uris.stateChunk, &size, &type, &flags);
  // A preset of port values alone carries no chunk: its ports are applied as they come.
  if (!data) return LV2_STATE_SUCCESS;
  if (type != uris.atomChunk) return LV2_STATE_ERR_BAD_TYPE;
  if (size > chunk::kMaxChunkSize || core_->setChunk(data, static_cast<int32_t>(size), false) == 0)
    return LV2_STATE_ERR_UNKNOWN;
  // The chunk carries the own set itself; the file's path is for the host to show.
  ownSet->restore(retrieve, handle, features);
  // The chunk holds the programs and the motion; the host's port values of the same save
  // arrive with it and are not applied on top.
  adoptPorts.store(true, std::memory_order_release);
  return LV2_STATE_SUCCESS;
}

// Answers are reported at the start of the next block: nothing is left to do after them.
const LV2_Worker_Interface Lv2Plugin::kWorkerInterface = {
    [](LV2_Handle handle, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle respondTo,
       uint32_t size, const void* data) {
      return static_cast<Lv2Plugin*>(handle)->work(respond, respondTo, size, data);
    },
    [](LV2_Handle handle, uint32_t size, const void* body) {
      return static_cast<Lv2Plugin*>(handle)->workResponse(size, body);
    },
    nullptr};

LV2_Worker_Status Lv2Plugin::work(LV2_Worker_Respond_Function respond,
                                  LV2_Worker_Respond_Handle handle, uint32_t size,
                                  const void* data) {
  return ownSet->work(respond, handle, size, data);
}

LV2_Worker_Status Lv2Plugin::workResponse(uint32_t size, const void* body) {
  return ownSet->workResponse(size, body);
}

void Lv2Plugin::setEditListener(EditListener* listener) { editListener.store(listener); }

bool Lv2Plugin::hostTempo(double& beatsPerMinute) { return timeline.tempo(beatsPerMinute); }

bool Lv2Plugin::hostPosition(double& quarterNotes, bool& playing) {
  return timeline.position(quarterNotes, playing);
}

void Lv2Plugin::editBegan(int32_t index) {
  if (index >= 0 && index < kNumControlPorts) editing[index].store(true, kRelaxed);
  if (EditListener* listener = editListener.load()) listener->editBegan(index);
}

void Lv2Plugin::editPerformed(int32_t index, float value) {
  if (EditListener* listener = editListener.load()) listener->editPerformed(index, value);
}

void Lv2Plugin::editEnded(int32_t index) {
  if (EditListener* listener = editListener.load()) listener->editEnded(index);
  if (index >= 0 && index < kNumControlPorts) editing[index].store(false, kRelaxed);
}

// Sent through the host, the file becomes the host's parameter value and is saved with its
// session. With no editor registered there is nobody to send it: the panel loads it itself.
bool Lv2Plugin::ownSetFileChosen(const char* path) {
  EditListener* listener = editListener.load();
  return listener ? listener->ownSetFileChosen(path) : false;
}

}  // namespace panner::lv2
