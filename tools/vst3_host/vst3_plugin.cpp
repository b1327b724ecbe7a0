#include "vst3_plugin.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "utf16_text.h"

namespace vst3host {

namespace {

#if defined(_WIN32)
constexpr const char* kArchitectureFolder = "x86_64-win";
constexpr const char* kBinaryExtension = ".vst3";
#else
constexpr const char* kArchitectureFolder = "x86_64-linux";
constexpr const char* kBinaryExtension = ".so";
#endif

bool isDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string fixedText(const char* text, std::size_t capacity) {
  return std::string(text, strnlen(text, capacity));
}

template <typename Interface>
Interface* query(vst3::FUnknown* object) {
  void* result = nullptr;
  if (!object || object->queryInterface(Interface::iid.bytes, &result) != vst3::kResultOk)
    return nullptr;
  return static_cast<Interface*>(result);
}

std::string resultText(vst3::tresult result) {
  switch (result) {
    case vst3::kResultFalse:
      return "false";
    case vst3::kNoInterface:
      return "no interface";
    case vst3::kInvalidArgument:
      return "invalid argument";
    case vst3::kNotImplemented:
      return "not implemented";
    default:
      return "error " + std::to_string(result);
  }
}

}  // namespace

std::string Vst3Plugin::binaryFor(const std::string& path) {
  if (!isDirectory(path)) return path;
  std::string bundle = path;
  while (bundle.size() > 1 && bundle.back() == '/') bundle.pop_back();
  std::string name = bundle.substr(bundle.find_last_of('/') + 1);
  if (name.size() > 5 && name.compare(name.size() - 5, 5, ".vst3") == 0)
    name.resize(name.size() - 5);
  return bundle + "/Contents/" + kArchitectureFolder + "/" + name + kBinaryExtension;
}

std::unique_ptr<Vst3Plugin> Vst3Plugin::load(const std::string& path, std::string& error) {
  const std::string binary = binaryFor(path);
  if (!isFile(binary)) {
    error = binary == path ? "plug-in file not found: " + path
                           : "the VST3 bundle " + path + " holds no " + binary;
    return nullptr;
  }
  std::string reason;
  std::unique_ptr<vsthost::SharedLibrary> library = vsthost::SharedLibrary::open(binary, reason);
  if (!library) {
    error = "cannot load " + binary + " as a shared library: " + reason;
    return nullptr;
  }
  auto getFactory = reinterpret_cast<vst3::GetFactoryProc>(library->symbol("GetPluginFactory"));
  if (!getFactory) {
    error = path + " is not a VST3 plug-in: it exports no GetPluginFactory";
    return nullptr;
  }
  std::unique_ptr<Vst3Plugin> plugin(new Vst3Plugin());
  plugin->path_ = path;
#if defined(_WIN32)
  auto enter = reinterpret_cast<vst3::WindowsInitDllProc>(library->symbol("InitDll"));
  if (enter && !enter()) {
    error = "the module " + binary + " refused to start (InitDll returned false)";
    return nullptr;
  }
#else
  auto enter = reinterpret_cast<vst3::LinuxModuleEntryProc>(library->symbol("ModuleEntry"));
  if (enter && !enter(library->nativeHandle())) {
    error = "the module " + binary + " refused to start (ModuleEntry returned false)";
    return nullptr;
  }
#endif
  plugin->moduleEntered_ = enter != nullptr;
  plugin->library_ = std::move(library);
  plugin->factory_ = getFactory();
  if (!plugin->factory_) {
    error = "the module " + binary + " returned no plug-in factory";
    return nullptr;
  }
  if (!plugin->create(error)) return nullptr;
  return plugin;
}

bool Vst3Plugin::create(std::string& error) {
  vst3::PFactoryInfo info{};
  if (factory_->getFactoryInfo(&info) == vst3::kResultOk)
    factoryVendor_ = fixedText(info.vendor, sizeof info.vendor);
  if (auto* factory3 = query<vst3::IPluginFactory3>(factory_)) {
    factory3->setHostContext(&application_);
    factory3->release();
  }
  vst3::IPluginFactory2* factory2 = query<vst3::IPluginFactory2>(factory_);
  int32_t found = -1;
  for (int32_t i = 0; i < factory_->countClasses() && found < 0; ++i) {
    vst3::PClassInfo ci{};
    if (factory_->getClassInfo(i, &ci) != vst3::kResultOk) continue;
    if (fixedText(ci.category, sizeof ci.category) != vst3::kVstAudioEffectClass) continue;
    found = i;
    std::memcpy(class_.cid.bytes, ci.cid, 16);
    class_.name = fixedText(ci.name, sizeof ci.name);
    class_.category = fixedText(ci.category, sizeof ci.category);
    vst3::PClassInfo2 ci2{};
    if (factory2 && factory2->getClassInfo2(i, &ci2) == vst3::kResultOk) {
      class_.subCategories = fixedText(ci2.subCategories, sizeof ci2.subCategories);
      class_.vendor = fixedText(ci2.vendor, sizeof ci2.vendor);
      class_.version = fixedText(ci2.version, sizeof ci2.version);
      class_.sdkVersion = fixedText(ci2.sdkVersion, sizeof ci2.sdkVersion);
    }
  }
  if (factory2) factory2->release();
  if (found < 0) {
    error = "the VST3 module " + path_ + " offers no audio effect class";
    return false;
  }

  void* object = nullptr;
  if (factory_->createInstance(class_.cid.bytes, vst3::IComponent::iid.bytes, &object) !=
          vst3::kResultOk ||
      !object) {
    error = "the plug-in in " + path_ + " refused to load (its factory made no component)";
    return false;
  }
  component_ = static_cast<vst3::IComponent*>(object);
  if (const vst3::tresult r = component_->initialize(&application_); r != vst3::kResultOk) {
    error = "the plug-in in " + path_ + " refused to load (initialize: " + resultText(r) + ")";
    component_->release();
    component_ = nullptr;
    return false;
  }
  processor_ = query<vst3::IAudioProcessor>(component_);
  if (!processor_) {
    error = "the component in " + path_ + " is no audio processor";
    return false;
  }

  controller_ = query<vst3::IEditController>(component_);
  if (!controller_) {
    vst3::TUID controllerId{};
    object = nullptr;
    if (component_->getControllerClassId(controllerId) == vst3::kResultOk &&
        factory_->createInstance(controllerId, vst3::IEditController::iid.bytes, &object) ==
            vst3::kResultOk &&
        object) {
      controller_ = static_cast<vst3::IEditController*>(object);
      separateController_ = true;
      if (controller_->initialize(&application_) != vst3::kResultOk) {
        error = "the edit controller of " + path_ + " refused to initialise";
        return false;
      }
    }
  }
  if (!controller_) {
    error = "the plug-in in " + path_ + " has no edit controller";
    return false;
  }
  if (separateController_) {
    componentConnection_ = query<vst3::IConnectionPoint>(component_);
    controllerConnection_ = query<vst3::IConnectionPoint>(controller_);
    if (componentConnection_ && controllerConnection_) {
      componentConnection_->connect(controllerConnection_);
      controllerConnection_->connect(componentConnection_);
    }
  }
  controller_->setComponentHandler(&handler_);
  // The controller learns the component's start-up state, as after a project load.
  MemoryStream state;
  if (component_->getState(&state) == vst3::kResultOk && separateController_) {
    state.rewind();
    controller_->setComponentState(&state);
  }
  describeParameters();

  // Main bus channels: the first audio bus of each direction.
  for (int direction = 0; direction < 2; ++direction) {
    const std::vector<BusDescription> audio = buses(vst3::kAudio, direction);
    mainChannels_[direction] = audio.empty() ? 0 : audio[0].channelCount;
  }
  return true;
}

void Vst3Plugin::describeParameters() {
  parameters_.clear();
  const int32_t count = controller_->getParameterCount();
  for (int32_t i = 0; i < count; ++i) {
    vst3::ParameterInfo info{};
    if (controller_->getParameterInfo(i, info) != vst3::kResultOk) continue;
    ParameterDescription p;
    p.id = info.id;
    p.title = toUtf8(info.title, 128);
    p.shortTitle = toUtf8(info.shortTitle, 128);
    p.units = toUtf8(info.units, 128);
    p.stepCount = info.stepCount;
    p.defaultValue = info.defaultNormalizedValue;
    p.unitId = info.unitId;
    p.flags = info.flags;
    parameters_.push_back(p);
  }
}

Vst3Plugin::~Vst3Plugin() {
  closeEditor();
  if (active_) close();
  if (componentConnection_ && controllerConnection_) {
    componentConnection_->disconnect(controllerConnection_);
    controllerConnection_->disconnect(componentConnection_);
  }
  if (componentConnection_) componentConnection_->release();
  if (controllerConnection_) controllerConnection_->release();
  if (controller_) {
    controller_->setComponentHandler(nullptr);
    if (separateController_) controller_->terminate();
    controller_->release();
  }
  if (processor_) processor_->release();
  if (component_) {
    component_->terminate();
    component_->release();
  }
  if (factory_) factory_->release();
  if (moduleEntered_ && library_) {
#if defined(_WIN32)
    if (auto leave = reinterpret_cast<vst3::WindowsExitDllProc>(library_->symbol("ExitDll")))
      leave();
#else
    if (auto leave = reinterpret_cast<vst3::LinuxModuleExitProc>(library_->symbol("ModuleExit")))
      leave();
#endif
  }
  library_.reset();
}

std::vector<BusDescription> Vst3Plugin::buses(vst3::MediaType type,
                                              vst3::BusDirection direction) const {
  std::vector<BusDescription> result;
  const int32_t count = component_->getBusCount(type, direction);
  for (int32_t i = 0; i < count; ++i) {
    vst3::BusInfo info{};
    if (component_->getBusInfo(type, direction, i, info) != vst3::kResultOk) continue;
    result.push_back({toUtf8(info.name, 128), info.channelCount, info.busType, info.flags});
  }
  return result;
}

bool Vst3Plugin::open(double sampleRate, int32_t maxBlockSize, std::string& error,
                      int32_t processMode) {
  if (active_) close();
  sampleRate_ = sampleRate;
  maxBlock_ = std::max<int32_t>(maxBlockSize, 1);
  processMode_ = processMode;
  for (int direction = 0; direction < 2; ++direction) {
    const std::vector<BusDescription> audio = buses(vst3::kAudio, direction);
    for (std::size_t i = 0; i < audio.size(); ++i)
      component_->activateBus(vst3::kAudio, direction, static_cast<int32_t>(i), 1);
  }
  const std::vector<BusDescription> events = buses(vst3::kEvent, vst3::kInput);
  if (!events.empty()) component_->activateBus(vst3::kEvent, vst3::kInput, 0, 1);

  std::memset(&context_, 0, sizeof context_);
  vst3::ProcessSetup setup{processMode, vst3::kSample32, maxBlock_, sampleRate};
  if (const vst3::tresult r = processor_->setupProcessing(setup); r != vst3::kResultOk) {
    error = "the plug-in refuses to process at " + std::to_string(sampleRate) + " Hz (" +
            resultText(r) + ")";
    return false;
  }
  // Buffers for every audio bus: the main ones take the caller's channels, the others
  // silence in and scratch out.
  silence_.assign(static_cast<std::size_t>(maxBlock_), 0.0f);
  scratch_.clear();
  for (int direction = 0; direction < 2; ++direction) {
    const std::vector<BusDescription> audio = buses(vst3::kAudio, direction);
    auto& busBuffers = direction == 0 ? inputBuses_ : outputBuses_;
    auto& pointers = direction == 0 ? inputPointers_ : outputPointers_;
    busBuffers.assign(audio.size(), vst3::AudioBusBuffers{});
    pointers.assign(audio.size(), {});
    for (std::size_t b = 0; b < audio.size(); ++b) {
      pointers[b].assign(static_cast<std::size_t>(std::max(audio[b].channelCount, 0)), nullptr);
      for (float*& p : pointers[b]) {
        if (direction == 0) {
          p = silence_.data();
        } else {
          scratch_.emplace_back(static_cast<std::size_t>(maxBlock_), 0.0f);
          p = scratch_.back().data();
        }
      }
      busBuffers[b].numChannels = static_cast<int32_t>(pointers[b].size());
      busBuffers[b].silenceFlags = 0;
      busBuffers[b].channelBuffers32 = pointers[b].data();
    }
  }
  if (const vst3::tresult r = component_->setActive(1); r != vst3::kResultOk) {
    error = "the plug-in refuses to be activated (" + resultText(r) + ")";
    return false;
  }
  active_ = true;
  processor_->setProcessing(1);
  return true;
}

void Vst3Plugin::close() {
  if (!active_) return;
  processor_->setProcessing(0);
  component_->setActive(0);
  active_ = false;
}

int32_t Vst3Plugin::indexOf(vst3::ParamID id) const {
  for (std::size_t i = 0; i < parameters_.size(); ++i)
    if (parameters_[i].id == id) return static_cast<int32_t>(i);
  return -1;
}

int32_t Vst3Plugin::parameterWithFlag(int32_t flag) const {
  for (std::size_t i = 0; i < parameters_.size(); ++i)
    if (parameters_[i].flags & flag) return static_cast<int32_t>(i);
  return -1;
}

double Vst3Plugin::getParameter(int32_t index) {
  if (index < 0 || index >= parameterCount()) return 0.0;
  return controller_->getParamNormalized(parameters_[static_cast<std::size_t>(index)].id);
}

void Vst3Plugin::setParameter(int32_t index, double value) {
  if (index < 0 || index >= parameterCount()) return;
  const vst3::ParamID id = parameters_[static_cast<std::size_t>(index)].id;
  controller_->setParamNormalized(id, value);
  queueParameterChange(id, value);
}

void Vst3Plugin::queueParameterChange(vst3::ParamID id, double value, int32_t sampleOffset) {
  std::lock_guard<std::mutex> lock(pendingMutex_);
  (void)sampleOffset;  // changes between blocks land at the start of the next one
  for (auto& change : pending_) {
    if (change.first == id) {
      change.second = value;
      return;
    }
  }
  pending_.emplace_back(id, value);
  hasPending_.store(true, std::memory_order_release);
}

std::string Vst3Plugin::displayFor(int32_t index, double value) {
  if (index < 0 || index >= parameterCount()) return {};
  vst3::String128 text{};
  if (controller_->getParamStringByValue(parameters_[static_cast<std::size_t>(index)].id, value,
                                         text) != vst3::kResultOk)
    return {};
  return toUtf8(text, 128);
}

std::string Vst3Plugin::parameterDisplay(int32_t index) {
  return displayFor(index, getParameter(index));
}

bool Vst3Plugin::valueFromText(int32_t index, const std::string& text, double& value) {
  if (index < 0 || index >= parameterCount()) return false;
  vst3::String128 typed{};
  toUtf16(text, typed, 128);
  return controller_->getParamValueByString(parameters_[static_cast<std::size_t>(index)].id, typed,
                                            value) == vst3::kResultOk;
}

std::vector<std::string> Vst3Plugin::programNames() {
  std::vector<std::string> names;
  vst3::IUnitInfo* units = query<vst3::IUnitInfo>(controller_);
  if (!units) return names;
  vst3::ProgramListInfo list{};
  if (units->getProgramListCount() > 0 && units->getProgramListInfo(0, list) == vst3::kResultOk) {
    for (int32_t p = 0; p < list.programCount; ++p) {
      vst3::String128 name{};
      names.push_back(units->getProgramName(list.id, p, name) == vst3::kResultOk ? toUtf8(name, 128)
                                                                                 : std::string());
    }
  }
  units->release();
  return names;
}

void Vst3Plugin::fillContext(int32_t frames) {
  (void)frames;
  // Only the fields this host reports; the rest stay zero from open().
  vst3::ProcessContext& c = context_;
  c.sampleRate = sampleRate_;
  // Clamped to the field's range: a test's nonsense position stays nonsense, but defined.
  const double position = samplePos_.load();
  c.projectTimeSamples =
      std::isnan(position) ? 0 : static_cast<vst3::TSamples>(std::clamp(position, -9.2e18, 9.2e18));
  c.continousTimeSamples = c.projectTimeSamples;
  c.tempo = tempo_.load();
  c.timeSigNumerator = 4;
  c.timeSigDenominator = 4;
  c.state = vst3::ProcessContext::kTimeSigValid | vst3::ProcessContext::kContTimeValid;
  if (sampleRate_ > 0.0) {
    c.projectTimeMusic = samplePos_.load() / sampleRate_ * c.tempo / 60.0;
    c.state |= vst3::ProcessContext::kProjectTimeMusicValid;
  }
  if (tempoValid_.load()) c.state |= vst3::ProcessContext::kTempoValid;
  if (playing_.load()) c.state |= vst3::ProcessContext::kPlaying;
}

void Vst3Plugin::processBlock(float** inputs, float** outputs, int32_t frames) {
  inputChanges_.clear();
  outputChanges_.clear();
  if (hasPending_.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    for (const auto& change : pending_) inputChanges_.add(change.first, 0, change.second);
    pending_.clear();
    hasPending_.store(false, std::memory_order_relaxed);
  }
  if (!inputBuses_.empty())
    for (int32_t c = 0; c < mainChannels_[0]; ++c)
      inputPointers_[0][static_cast<std::size_t>(c)] = inputs[c];
  if (!outputBuses_.empty())
    for (int32_t c = 0; c < mainChannels_[1]; ++c)
      outputPointers_[0][static_cast<std::size_t>(c)] = outputs[c];
  fillContext(frames);
  vst3::ProcessData data{};
  data.processMode = processMode_;
  data.symbolicSampleSize = vst3::kSample32;
  data.numSamples = frames;
  data.numInputs = static_cast<int32_t>(inputBuses_.size());
  data.numOutputs = static_cast<int32_t>(outputBuses_.size());
  data.inputs = inputBuses_.empty() ? nullptr : inputBuses_.data();
  data.outputs = outputBuses_.empty() ? nullptr : outputBuses_.data();
  data.inputParameterChanges = &inputChanges_;
  data.outputParameterChanges = &outputChanges_;
  data.processContext = provideContext_.load() ? &context_ : nullptr;
  processor_->process(data);
  if (frames > 0) samplePos_.store(samplePos_.load() + frames);
}

void Vst3Plugin::process(float** inputs, float** outputs, int32_t frames) {
  if (!active_) return;
  if (frames <= maxBlock_) {
    processBlock(inputs, outputs, frames);
    return;
  }
  // Channel pointers on the stack: a host's audio thread allocates nothing.
  constexpr int32_t kMaxChannels = 64;
  if (mainChannels_[0] > kMaxChannels || mainChannels_[1] > kMaxChannels) return;
  float* in[kMaxChannels];
  float* out[kMaxChannels];
  for (int32_t done = 0; done < frames;) {
    const int32_t n = std::min(frames - done, maxBlock_);
    for (int32_t c = 0; c < mainChannels_[0]; ++c)
      in[static_cast<std::size_t>(c)] = inputs[c] + done;
    for (int32_t c = 0; c < mainChannels_[1]; ++c)
      out[static_cast<std::size_t>(c)] = outputs[c] + done;
    processBlock(in, out, n);
    done += n;
  }
}

std::vector<std::vector<float>> Vst3Plugin::render(const std::vector<float>& input,
                                                   int32_t blockSize) {
  std::vector<std::vector<float>> result(static_cast<std::size_t>(numOutputs()),
                                         std::vector<float>(input.size(), 0.0f));
  if (!active_ || blockSize < 1) return result;
  std::vector<float> block(static_cast<std::size_t>(blockSize));
  std::vector<float*> inPointers(static_cast<std::size_t>(std::max(numInputs(), 1)), block.data());
  std::vector<float*> outPointers(static_cast<std::size_t>(std::max(numOutputs(), 1)));
  for (std::size_t start = 0; start < input.size(); start += static_cast<std::size_t>(blockSize)) {
    const std::size_t n = std::min(input.size() - start, static_cast<std::size_t>(blockSize));
    std::copy(input.begin() + static_cast<std::ptrdiff_t>(start),
              input.begin() + static_cast<std::ptrdiff_t>(start + n), block.begin());
    for (int32_t c = 0; c < numOutputs(); ++c)
      outPointers[static_cast<std::size_t>(c)] = result[static_cast<std::size_t>(c)].data() + start;
    process(inPointers.data(), outPointers.data(), static_cast<int32_t>(n));
  }
  return result;
}

std::vector<std::pair<vst3::ParamID, double>> Vst3Plugin::outputChanges() {
  std::vector<std::pair<vst3::ParamID, double>> result;
  for (int32_t i = 0; i < outputChanges_.getParameterCount(); ++i) {
    vst3::IParamValueQueue* queue = outputChanges_.getParameterData(i);
    int32_t offset = 0;
    double value = 0.0;
    if (queue->getPointCount() > 0 &&
        queue->getPoint(queue->getPointCount() - 1, offset, value) == vst3::kResultOk)
      result.emplace_back(queue->getParameterId(), value);
  }
  return result;
}

std::vector<uint8_t> Vst3Plugin::getState() {
  MemoryStream stream;
  if (component_->getState(&stream) != vst3::kResultOk) return {};
  return stream.bytes();
}

std::vector<uint8_t> Vst3Plugin::controllerState() {
  MemoryStream stream;
  if (controller_->getState(&stream) != vst3::kResultOk) return {};
  return stream.bytes();
}

vst3::tresult Vst3Plugin::setState(const std::vector<uint8_t>& bytes) {
  MemoryStream stream(bytes);
  const vst3::tresult answer = component_->setState(&stream);
  if (answer == vst3::kResultOk) {
    MemoryStream again(bytes);
    controller_->setComponentState(&again);
  }
  return answer;
}

bool Vst3Plugin::midiControllerParameter(int16_t channel, int16_t controllerNumber,
                                         vst3::ParamID& id) {
  vst3::IMidiMapping* mapping = query<vst3::IMidiMapping>(controller_);
  if (!mapping) return false;
  const bool mapped =
      mapping->getMidiControllerAssignment(0, channel, controllerNumber, id) == vst3::kResultOk;
  mapping->release();
  return mapped;
}

bool Vst3Plugin::openEditor(void* parentWindow, std::string& error) {
  closeEditor();
  view_ = controller_->createView(vst3::kViewTypeEditor);
  if (!view_) {
    error = "the plug-in made no editor view";
    return false;
  }
#if defined(_WIN32)
  const char* type = vst3::kPlatformTypeHWND;
#else
  const char* type = vst3::kPlatformTypeX11EmbedWindowID;
#endif
  if (view_->isPlatformTypeSupported(type) != vst3::kResultOk) {
    error = std::string("the editor view does not support ") + type;
    closeEditor();
    return false;
  }
  view_->setFrame(&frame_);
  applyContentScale(view_);
  if (const vst3::tresult r = view_->attached(parentWindow, type); r != vst3::kResultOk) {
    error = "the editor view refused to attach (" + resultText(r) + ")";
    view_->setFrame(nullptr);
    view_->release();
    view_ = nullptr;
    return false;
  }
  return true;
}

void Vst3Plugin::closeEditor() {
  if (!view_) return;
  view_->removed();
  view_->setFrame(nullptr);
  view_->release();
  view_ = nullptr;
}

bool Vst3Plugin::setContentScale(float factor) {
  contentScale_ = factor;
  return !view_ || applyContentScale(view_);
}

bool Vst3Plugin::applyContentScale(vst3::IPlugView* view) {
  if (contentScale_ <= 0.0f) return true;
  void* support = nullptr;
  if (view->queryInterface(vst3::IPlugViewContentScaleSupport::iid.bytes, &support) !=
          vst3::kResultOk ||
      !support)
    return false;
  auto* scaling = static_cast<vst3::IPlugViewContentScaleSupport*>(support);
  const bool taken = scaling->setContentScaleFactor(contentScale_) == vst3::kResultTrue;
  scaling->release();
  return taken;
}

bool Vst3Plugin::editorSize(vst3::ViewRect& rect) {
  if (view_) return view_->getSize(&rect) == vst3::kResultOk;
  vst3::IPlugView* probe = controller_->createView(vst3::kViewTypeEditor);
  if (!probe) return false;
  applyContentScale(probe);
  const bool ok = probe->getSize(&rect) == vst3::kResultOk;
  probe->release();
  return ok;
}

}  // namespace vst3host
