#include "quendral_vst3.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "editor/panel_editor.h"
#include "plugin_identity.h"
#include "state_chunk.h"
#include "vst3_identity.h"
#include "vst3_text.h"
#include "vst3_view.h"

namespace panner {

namespace {

// A saved state longer than the largest chunk (the bank with the largest own set) is not one
// of ours: it is refused without reading on.
constexpr std::size_t kMaxStateBytes = chunk::kMaxChunkSize;

template <typename Interface, typename Object>
bool offer(Object* self, const vst3::TUID interfaceId, void** obj) {
  if (!vst3::sameUid(interfaceId, Interface::iid)) return false;
  *obj = static_cast<Interface*>(self);
  return true;
}

}  // namespace

QuendralVst3::QuendralVst3() : core(this) {}

QuendralVst3::~QuendralVst3() {
  if (vst3::IComponentHandler* h = handler.exchange(nullptr)) h->release();
}

vst3::tresult QuendralVst3::queryInterface(const vst3::TUID interfaceId, void** obj) {
  if (!obj) return vst3::kInvalidArgument;
  if (vst3::sameUid(interfaceId, vst3::FUnknown::iid) ||
      vst3::sameUid(interfaceId, vst3::IPluginBase::iid)) {
    *obj = static_cast<vst3::IComponent*>(this);
  } else if (!offer<vst3::IComponent>(this, interfaceId, obj) &&
             !offer<vst3::IAudioProcessor>(this, interfaceId, obj) &&
             !offer<vst3::IEditController>(this, interfaceId, obj) &&
             !offer<vst3::IEditController2>(this, interfaceId, obj) &&
             !offer<vst3::IUnitInfo>(this, interfaceId, obj) &&
             !offer<vst3::IMidiMapping>(this, interfaceId, obj) &&
             !offer<vst3::IQuendralOwnSetFile>(this, interfaceId, obj)) {
    *obj = nullptr;
    return vst3::kNoInterface;
  }
  addRef();
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::loadOwnSetFile(const char* path, char* answer, vst3::uint32 capacity) {
  return core.loadOwnSetFile(path, answer, capacity) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult QuendralVst3::describeOwnSet(char* line, vst3::uint32 capacity) {
  core.describeOwnSet(line, capacity);
  return vst3::kResultOk;
}

vst3::uint32 QuendralVst3::addRef() { return ++references; }

vst3::uint32 QuendralVst3::release() {
  const vst3::uint32 left = --references;
  if (left == 0) delete this;
  return left;
}

vst3::tresult QuendralVst3::initialize(vst3::FUnknown*) { return vst3::kResultOk; }

vst3::tresult QuendralVst3::terminate() {
  setComponentHandler(nullptr);
  return vst3::kResultOk;
}

// ---- component ----

vst3::tresult QuendralVst3::getControllerClassId(vst3::TUID classId) {
  // The component is its own controller: there is no second class.
  if (classId) std::memset(classId, 0, sizeof(vst3::TUID));
  return vst3::kNotImplemented;
}

vst3::tresult QuendralVst3::setIoMode(vst3::IoMode) { return vst3::kResultOk; }

vst3::int32 QuendralVst3::getBusCount(vst3::MediaType type, vst3::BusDirection dir) {
  if (type == vst3::kAudio) return 1;                         // one mono input, one stereo output
  if (type == vst3::kEvent && dir == vst3::kInput) return 1;  // controllers, through the mapping
  return 0;
}

vst3::tresult QuendralVst3::getBusInfo(vst3::MediaType type, vst3::BusDirection dir,
                                       vst3::int32 index, vst3::BusInfo& bus) {
  if (index != 0 || getBusCount(type, dir) == 0) return vst3::kInvalidArgument;
  bus.mediaType = type;
  bus.direction = dir;
  bus.busType = vst3::kMain;
  bus.flags = vst3::BusInfo::kDefaultActive;
  if (type == vst3::kEvent) {
    bus.channelCount = 16;
    coreTextToUtf16("MIDI In", bus.name, 128);
  } else if (dir == vst3::kInput) {
    bus.channelCount = identity::kNumInputs;
    coreTextToUtf16("Input", bus.name, 128);
  } else {
    bus.channelCount = identity::kNumOutputs;
    coreTextToUtf16("Output (left ear, right ear)", bus.name, 128);
  }
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getRoutingInfo(vst3::RoutingInfo&, vst3::RoutingInfo&) {
  return vst3::kNotImplemented;
}

vst3::tresult QuendralVst3::activateBus(vst3::MediaType type, vst3::BusDirection dir,
                                        vst3::int32 index, vst3::TBool state) {
  if (index != 0 || getBusCount(type, dir) == 0) return vst3::kInvalidArgument;
  if (type == vst3::kAudio) audioBusActive[dir == vst3::kInput ? 0 : 1] = state != 0;
  return vst3::kResultOk;
}

// Deactivation is the VST2 build's suspend: meters and displays clear, the sound carries on.
vst3::tresult QuendralVst3::setActive(vst3::TBool state) {
  if (!state) core.suspend();
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::componentGetState(vst3::IBStream* state) {
  if (!state) return vst3::kInvalidArgument;
  void* data = nullptr;
  const int32_t size = core.getChunk(&data, false);
  if (size <= 0 || !data) return vst3::kInternalError;
  int32_t written = 0;
  if (state->write(data, size, &written) != vst3::kResultOk || written != size)
    return vst3::kResultFalse;
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::componentSetState(vst3::IBStream* state) {
  if (!state) return vst3::kInvalidArgument;
  std::vector<uint8_t> bytes;
  uint8_t buffer[4096];
  for (;;) {
    int32_t read = 0;
    if (state->read(buffer, sizeof buffer, &read) != vst3::kResultOk || read <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + read);
    if (bytes.size() > kMaxStateBytes) return vst3::kResultFalse;
  }
  if (bytes.empty()) return vst3::kResultFalse;
  if (core.setChunk(bytes.data(), static_cast<int32_t>(bytes.size()), false) != 1)
    return vst3::kResultFalse;
  parametersChanged();
  return vst3::kResultOk;
}

// ---- processor ----

vst3::tresult QuendralVst3::setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                               vst3::SpeakerArrangement* outputs,
                                               vst3::int32 numOuts) {
  // One mono input and one stereo output, nothing else.
  if (numIns != 1 || numOuts != 1 || !inputs || !outputs) return vst3::kResultFalse;
  if (inputs[0] != vst3::kArrMono || outputs[0] != vst3::kArrStereo) return vst3::kResultFalse;
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                              vst3::SpeakerArrangement& arr) {
  if (index != 0) return vst3::kInvalidArgument;
  arr = dir == vst3::kInput ? vst3::kArrMono : vst3::kArrStereo;
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::canProcessSampleSize(vst3::int32 symbolicSampleSize) {
  return symbolicSampleSize == vst3::kSample32 ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::uint32 QuendralVst3::getLatencySamples() {
  return static_cast<vst3::uint32>(identity::kLatencySamples);
}

vst3::uint32 QuendralVst3::getTailSamples() { return 0; }

// The engine prepares for the rate here; a rate it refuses keeps the last good one and
// the host hears that the setup failed.
vst3::tresult QuendralVst3::setupProcessing(vst3::ProcessSetup& setup) {
  if (setup.symbolicSampleSize != vst3::kSample32) return vst3::kResultFalse;
  return core.setSampleRate(setup.sampleRate) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult QuendralVst3::setProcessing(vst3::TBool) { return vst3::kResultOk; }

vst3::tresult QuendralVst3::process(vst3::ProcessData& data) {
  if (data.symbolicSampleSize != vst3::kSample32) return vst3::kResultFalse;
  // Parameter changes apply at the start of their block, with the last value each carries.
  if (vst3::IParameterChanges* changes = data.inputParameterChanges) {
    const vst3::int32 count = changes->getParameterCount();
    for (vst3::int32 i = 0; i < count; ++i) {
      vst3::IParamValueQueue* queue = changes->getParameterData(i);
      if (!queue) continue;
      const vst3::int32 points = queue->getPointCount();
      vst3::int32 offset = 0;
      double value = 0.0;
      if (points > 0 && queue->getPoint(points - 1, offset, value) == vst3::kResultOk)
        applyHostValue(queue->getParameterId(), value);
    }
  }
  if (data.numSamples <= 0 || data.numOutputs < 1 || !data.outputs) return vst3::kResultOk;
  vst3::AudioBusBuffers& out = data.outputs[0];
  float** outChannels = out.channelBuffers32;
  float* left = outChannels && out.numChannels > 0 ? outChannels[0] : nullptr;
  float* right = outChannels && out.numChannels > 1 ? outChannels[1] : nullptr;
  const float* in = nullptr;
  if (data.numInputs > 0 && data.inputs && data.inputs[0].numChannels > 0 &&
      data.inputs[0].channelBuffers32)
    in = data.inputs[0].channelBuffers32[0];
  blockContext = data.processContext;
  core.processReplacing(in, left, right, data.numSamples);
  blockContext = nullptr;
  out.silenceFlags = 0;
  return vst3::kResultOk;
}

bool QuendralVst3::hostTempo(double& beatsPerMinute) {
  const vst3::ProcessContext* context = blockContext;
  if (!context || !(context->state & vst3::ProcessContext::kTempoValid)) return false;
  beatsPerMinute = context->tempo;
  return true;
}

bool QuendralVst3::hostPosition(double& quarterNotes, bool& playing) {
  const vst3::ProcessContext* context = blockContext;
  if (!context || !(context->state & vst3::ProcessContext::kProjectTimeMusicValid)) return false;
  quarterNotes = context->projectTimeMusic;
  playing = (context->state & vst3::ProcessContext::kPlaying) != 0;
  return true;
}

}  // namespace panner
