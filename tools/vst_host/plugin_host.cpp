#include "plugin_host.h"

#include <sys/stat.h>

#include <cstring>

namespace vsthost {

namespace {

// The instance whose plug-in is being created: during the entry call the plug-in has no
// effect record yet to find its host by.
thread_local PluginHost* loadingHost = nullptr;
// True on a thread while it is inside a processing call of some plug-in.
thread_local bool inAudioCall = false;
std::atomic<intptr_t> versionAnswer{2400};

const char* const kHostCapabilities[] = {
    "sendVstEvents",       "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents",
    "receiveVstMidiEvent", "supplyIdle",       "sizeWindow",      "startStopProcess",
};

intptr_t VST_CALL hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                               void* ptr, float opt) {
  PluginHost* host = effect && effect->user ? static_cast<PluginHost*>(effect->user) : loadingHost;
  if (!host) return opcode == audioMasterVersion ? versionAnswer.load() : 0;
  return host->answer(opcode, index, value, ptr, opt);
}

struct AudioCallScope {
  AudioCallScope() { inAudioCall = true; }
  ~AudioCallScope() { inAudioCall = false; }
};

}  // namespace

void HostRecorder::recordAutomate(int32_t index, float value) {
  std::lock_guard<std::mutex> lock(mutex_);
  automate_.push_back({index, value});
}
void HostRecorder::recordBeginEdit(int32_t index) {
  std::lock_guard<std::mutex> lock(mutex_);
  beginEdits_.push_back(index);
}
void HostRecorder::recordEndEdit(int32_t index) {
  std::lock_guard<std::mutex> lock(mutex_);
  endEdits_.push_back(index);
}
void HostRecorder::recordIdle() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++idleCalls_;
}
void HostRecorder::recordTimeRequest(intptr_t filter) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++timeRequests_;
  lastTimeFilter_ = filter;
}
void HostRecorder::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  automate_.clear();
  beginEdits_.clear();
  endEdits_.clear();
  idleCalls_ = 0;
  timeRequests_ = 0;
  lastTimeFilter_ = 0;
}
std::vector<AutomateCall> HostRecorder::automateCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return automate_;
}
std::vector<int32_t> HostRecorder::beginEdits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return beginEdits_;
}
std::vector<int32_t> HostRecorder::endEdits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return endEdits_;
}
int HostRecorder::idleCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return idleCalls_;
}
int HostRecorder::timeRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timeRequests_;
}
intptr_t HostRecorder::lastTimeFilter() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastTimeFilter_;
}

void PluginHost::setVersionAnswer(intptr_t version) { versionAnswer.store(version); }

std::unique_ptr<PluginHost> PluginHost::load(const std::string& path, std::string& error) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    error = "plug-in file not found: " + path;
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "not a plug-in file (a directory or device): " + path;
    return nullptr;
  }
  std::string reason;
  std::unique_ptr<SharedLibrary> library = SharedLibrary::open(path, reason);
  if (!library) {
    error = "cannot load " + path + " as a shared library: " + reason;
    return nullptr;
  }
  auto entry = reinterpret_cast<VstPluginMainProc>(library->symbol("VSTPluginMain"));
  if (!entry) entry = reinterpret_cast<VstPluginMainProc>(library->symbol("main"));
  if (!entry) {
    error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
    return nullptr;
  }

  std::unique_ptr<PluginHost> host(new PluginHost());
  host->path_ = path;
  host->library_ = std::move(library);
  loadingHost = host.get();
  AEffect* effect = entry(hostCallback);
  loadingHost = nullptr;
  if (!effect) {
    error = "the plug-in in " + path + " refused to load (its entry point returned no effect)";
    return nullptr;  // the destructor unloads the library
  }
  if (effect->magic != kEffectMagic) {
    error = "the entry point of " + path + " returned a record without the VST magic number";
    return nullptr;  // not a record we can close: only unload
  }
  effect->user = host.get();
  host->effect_ = effect;
  return host;
}

PluginHost::~PluginHost() {
  close();
  library_.reset();  // after the plug-in object is gone
}

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (!effect_) return 0;
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void PluginHost::open(double sampleRate, int32_t blockSize) {
  dispatch(effOpen);
  setSampleRate(sampleRate);
  setBlockSize(blockSize);
  resume();
}

intptr_t PluginHost::close() {
  if (!effect_) return 0;
  const intptr_t answer = dispatch(effClose);
  effect_ = nullptr;
  return answer;
}

void PluginHost::setSampleRate(double rate) {
  sampleRate_.store(rate);
  dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void PluginHost::setBlockSize(int32_t size) {
  blockSize_.store(size);
  dispatch(effSetBlockSize, 0, size);
}

void PluginHost::setParameter(int32_t index, float value) {
  if (effect_) effect_->setParameter(effect_, index, value);
}

float PluginHost::getParameter(int32_t index) {
  return effect_ ? effect_->getParameter(effect_, index) : 0.0f;
}

// Text requests get a generous, pre-cleared buffer: hosts do, since plug-ins often write
// more than the interface's nominal lengths. The answer is read up to the buffer's end even
// when the plug-in fills it without a terminating zero.
std::string PluginHost::textAnswer(int32_t opcode, int32_t index) {
  char text[256] = {};
  dispatch(opcode, index, 0, text);
  return std::string(text, strnlen(text, sizeof text));
}

std::string PluginHost::parameterName(int32_t index) { return textAnswer(effGetParamName, index); }
std::string PluginHost::parameterLabel(int32_t index) {
  return textAnswer(effGetParamLabel, index);
}
std::string PluginHost::parameterDisplay(int32_t index) {
  return textAnswer(effGetParamDisplay, index);
}
std::string PluginHost::programName() { return textAnswer(effGetProgramName); }
void PluginHost::setProgramName(const std::string& name) {
  std::string text = name;
  dispatch(effSetProgramName, 0, 0, text.data());
}
std::vector<uint8_t> PluginHost::getChunk(bool preset) {
  void* data = nullptr;
  const intptr_t size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}
intptr_t PluginHost::setChunk(const std::vector<uint8_t>& bytes, bool preset) {
  // Hosts hand over their own copy, which the plug-in may not keep.
  std::vector<uint8_t> copy = bytes;
  return dispatch(effSetChunk, preset ? 1 : 0, static_cast<intptr_t>(copy.size()),
                  copy.empty() ? nullptr : copy.data());
}
std::string PluginHost::effectName() { return textAnswer(effGetEffectName); }
std::string PluginHost::vendorString() { return textAnswer(effGetVendorString); }
std::string PluginHost::productString() { return textAnswer(effGetProductString); }
intptr_t PluginHost::canDo(const std::string& capability) {
  std::string text = capability;  // the interface passes a non-const pointer
  return dispatch(effCanDo, 0, 0, text.data());
}

void PluginHost::processReplacing(float** inputs, float** outputs, int32_t frames) {
  if (!effect_) return;
  {
    AudioCallScope scope;
    effect_->processReplacing(effect_, inputs, outputs, frames);
  }
  if (frames > 0) samplePos_.store(samplePos_.load() + frames);
}

void PluginHost::process(float** inputs, float** outputs, int32_t frames) {
  if (!effect_) return;
  {
    AudioCallScope scope;
    effect_->process(effect_, inputs, outputs, frames);
  }
  if (frames > 0) samplePos_.store(samplePos_.load() + frames);
}

std::vector<std::vector<float>> PluginHost::render(const std::vector<float>& input,
                                                   int32_t blockSize) {
  const int32_t outputs = effect_ ? effect_->numOutputs : 0;
  const int32_t inputs = effect_ ? effect_->numInputs : 0;
  std::vector<std::vector<float>> result(static_cast<std::size_t>(outputs),
                                         std::vector<float>(input.size(), 0.0f));
  if (!effect_ || blockSize < 1) return result;
  // Plug-ins with more inputs than one get the same signal on every input.
  std::vector<float> silence(static_cast<std::size_t>(blockSize), 0.0f);
  std::vector<float*> inPointers(static_cast<std::size_t>(inputs > 0 ? inputs : 1));
  std::vector<float*> outPointers(static_cast<std::size_t>(outputs > 0 ? outputs : 1));
  std::vector<float> block(static_cast<std::size_t>(blockSize));
  for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(blockSize)) {
    const std::size_t n = std::min(input.size() - start, static_cast<std::size_t>(blockSize));
    std::copy(input.begin() + static_cast<std::ptrdiff_t>(start),
              input.begin() + static_cast<std::ptrdiff_t>(start + n), block.begin());
    for (auto& pointer : inPointers) pointer = block.data();
    for (int32_t c = 0; c < outputs; ++c)
      outPointers[static_cast<std::size_t>(c)] = result[static_cast<std::size_t>(c)].data() + start;
    processReplacing(inPointers.data(), outPointers.data(), static_cast<int32_t>(n));
  }
  return result;
}

intptr_t PluginHost::sendMidi(const std::vector<MidiMessage>& messages) {
  std::vector<VstMidiEvent> events(messages.size());
  // VstEvents declares two pointers; the host allocates room for as many as it sends.
  const std::size_t pointerCount = messages.size() > 2 ? messages.size() : 2;
  std::vector<unsigned char> storage(offsetof(VstEvents, events) +
                                     pointerCount * sizeof(VstEvent*));
  auto* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = static_cast<int32_t>(messages.size());
  list->reserved = 0;
  VstEvent** pointers = vstEventPointers(list);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    VstMidiEvent& event = events[i];
    std::memset(&event, 0, sizeof event);
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = messages[i].deltaFrames;
    event.midiData[0] = static_cast<char>(messages[i].status);
    event.midiData[1] = static_cast<char>(messages[i].data1);
    event.midiData[2] = static_cast<char>(messages[i].data2);
    pointers[i] = reinterpret_cast<VstEvent*>(&event);
  }
  AudioCallScope scope;
  return sendEvents(list);
}

bool PluginHost::editorRect(ERect& rect) {
  ERect* answer = nullptr;
  if (dispatch(effEditGetRect, 0, 0, &answer) == 0 || !answer) return false;
  rect = *answer;
  return true;
}

bool PluginHost::openEditor(void* parentWindow) {
  return dispatch(effEditOpen, 0, 0, parentWindow) != 0;
}

VstTimeInfo* PluginHost::fillTimeInfo() {
  VstTimeInfo& time = timeInfo_;
  std::memset(&time, 0, sizeof time);
  time.samplePos = samplePos_.load();
  time.sampleRate = sampleRate_.load();
  time.tempo = tempo_.load();
  time.timeSigNumerator = 4;
  time.timeSigDenominator = 4;
  time.flags = kVstTimeSigValid;
  // The musical position needs a sample rate; without one it is not claimed.
  if (positionValid_.load() && time.sampleRate > 0.0) {
    time.ppqPos = time.samplePos / time.sampleRate * time.tempo / 60.0;
    time.flags |= kVstPpqPosValid;
  }
  if (tempoValid_.load()) time.flags |= kVstTempoValid;
  if (playing_.load()) time.flags |= kVstTransportPlaying;
  return &time;
}

intptr_t PluginHost::answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  switch (opcode) {
    case audioMasterAutomate:
      recorder_.recordAutomate(index, opt);
      return 0;
    case audioMasterVersion:
      return versionAnswer.load();
    case audioMasterCurrentId:
      return effect_ ? effect_->uniqueID : 0;
    case audioMasterIdle:
      recorder_.recordIdle();
      return 0;
    case audioMasterGetTime:
      recorder_.recordTimeRequest(value);
      return timeGiven_.load() ? reinterpret_cast<intptr_t>(fillTimeInfo()) : 0;
    case audioMasterGetSampleRate:
      return static_cast<intptr_t>(sampleRate_.load());
    case audioMasterGetBlockSize:
      return blockSize_.load();
    case audioMasterGetCurrentProcessLevel:
      return inAudioCall ? kVstProcessLevelRealtime : kVstProcessLevelUser;
    case audioMasterGetAutomationState:
      return kVstAutomationOff;
    case audioMasterGetVendorString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "quendral host");
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), "quendral host");
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return 1;
    case audioMasterGetLanguage:
      return 1;  // English
    case audioMasterCanDo:
      if (!ptr) return 0;
      for (const char* capability : kHostCapabilities)
        if (std::strcmp(static_cast<const char*>(ptr), capability) == 0) return 1;
      return 0;
    case audioMasterWantMidi:
    case audioMasterNeedIdle:
    case audioMasterUpdateDisplay:
      return 1;
    case audioMasterBeginEdit:
      recorder_.recordBeginEdit(index);
      return 1;
    case audioMasterEndEdit:
      recorder_.recordEndEdit(index);
      return 1;
    default:
      return 0;
  }
}

}  // namespace vsthost
