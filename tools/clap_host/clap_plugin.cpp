#include "clap_plugin.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace claphost {

namespace {

using Clock = std::chrono::steady_clock;

// An event of any of the kinds the host sends, in a record of the largest size.
union AnyEvent {
  clapabi::EventHeader header;
  clapabi::EventParamValue param;
  clapabi::EventMidi midi;
};

}  // namespace

// The host's side: its record, its extensions and what the plug-in asked of it.
struct ClapPlugin::HostState {
  ClapPlugin* owner = nullptr;
  HostOptions options;
  clapabi::Host record{};
  clapabi::HostParams params{};
  clapabi::HostState state{};
  clapabi::HostGui gui{};
  clapabi::HostTimerSupport timers{};
  clapabi::HostPosixFdSupport descriptors{};
  clapabi::HostThreadCheck threads{};
  clapabi::InputEvents input{};
  clapabi::OutputEvents output{};
  std::vector<AnyEvent> queued, sending;
  std::vector<OutputEvent> pushed;
  clapabi::EventTransport transport{};
  bool provideTransport = false;
  bool callbackRequested = false, flushRequested = false;
  bool processingNow = false;
  int64_t steadyTime = 0;  // samples processed so far
  struct Timer {
    clapabi::Id id;
    uint32_t period;
    Clock::time_point due;
  };
  std::vector<Timer> timerList;
  clapabi::Id nextTimer = 1;
  std::vector<int> watched;

  static HostState* of(const clapabi::Host* host) {
    return static_cast<HostState*>(host->hostData);
  }
  bool offers(const char* id) const { return options.withheld.count(id) == 0; }

  static const void* extension(const clapabi::Host* host, const char* id) {
    HostState* h = of(host);
    if (!id || !h->offers(id)) return nullptr;
    if (!std::strcmp(id, clapabi::kExtParams)) return &h->params;
    if (!std::strcmp(id, clapabi::kExtState)) return &h->state;
    if (!std::strcmp(id, clapabi::kExtGui)) return &h->gui;
    if (!std::strcmp(id, clapabi::kExtTimerSupport)) return &h->timers;
    if (!std::strcmp(id, clapabi::kExtPosixFdSupport)) return &h->descriptors;
    if (!std::strcmp(id, clapabi::kExtThreadCheck)) return &h->threads;
    return nullptr;
  }
  static void requestRestart(const clapabi::Host*) {}
  static void requestProcess(const clapabi::Host*) {}
  static void requestCallback(const clapabi::Host* host) { of(host)->callbackRequested = true; }
  static void rescan(const clapabi::Host* host, uint32_t) { ++of(host)->owner->rescans_; }
  static void clear(const clapabi::Host*, clapabi::Id, uint32_t) {}
  static void requestFlush(const clapabi::Host* host) { of(host)->flushRequested = true; }
  static void markDirty(const clapabi::Host*) {}
  static void resizeHintsChanged(const clapabi::Host*) {}
  // A host window that follows the editor's wish.
  static bool requestResize(const clapabi::Host* host, uint32_t width, uint32_t height) {
    of(host)->owner->resizeRequests_.emplace_back(width, height);
    return true;
  }
  static bool requestShow(const clapabi::Host*) { return false; }
  static bool requestHide(const clapabi::Host*) { return false; }
  static void closed(const clapabi::Host*, bool) {}
  static bool registerTimer(const clapabi::Host* host, uint32_t period, clapabi::Id* id) {
    HostState* h = of(host);
    if (!id) return false;
    *id = h->nextTimer++;
    h->timerList.push_back({*id, std::max<uint32_t>(period, 1), Clock::now()});
    return true;
  }
  static bool unregisterTimer(const clapabi::Host* host, clapabi::Id id) {
    auto& list = of(host)->timerList;
    const auto before = list.size();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Timer& t) { return t.id == id; }),
               list.end());
    return list.size() != before;
  }
  static bool registerFd(const clapabi::Host* host, int fd, uint32_t) {
    of(host)->watched.push_back(fd);
    return true;
  }
  static bool modifyFd(const clapabi::Host*, int, uint32_t) { return true; }
  static bool unregisterFd(const clapabi::Host* host, int fd) {
    auto& list = of(host)->watched;
    const auto before = list.size();
    list.erase(std::remove(list.begin(), list.end(), fd), list.end());
    return list.size() != before;
  }
  // This host runs everything on one thread: the main thread, and the audio thread while
  // it processes.
  static bool isMainThread(const clapabi::Host* host) { return !of(host)->processingNow; }
  static bool isAudioThread(const clapabi::Host* host) { return of(host)->processingNow; }

  static uint32_t inputSize(const clapabi::InputEvents* list) {
    return static_cast<uint32_t>(static_cast<HostState*>(list->context)->sending.size());
  }
  static const clapabi::EventHeader* inputGet(const clapabi::InputEvents* list, uint32_t index) {
    auto& events = static_cast<HostState*>(list->context)->sending;
    return index < events.size() ? &events[index].header : nullptr;
  }
  static bool outputPush(const clapabi::OutputEvents* list, const clapabi::EventHeader* event) {
    auto* h = static_cast<HostState*>(list->context);
    if (!event || event->spaceId != clapabi::kCoreEventSpace) return true;
    OutputEvent out;
    out.type = event->type;
    if (event->type == clapabi::kEventParamValue &&
        event->size >= sizeof(clapabi::EventParamValue)) {
      const auto* p = reinterpret_cast<const clapabi::EventParamValue*>(event);
      out.paramId = p->paramId;
      out.value = p->value;
    } else if ((event->type == clapabi::kEventParamGestureBegin ||
                event->type == clapabi::kEventParamGestureEnd) &&
               event->size >= sizeof(clapabi::EventParamGesture)) {
      out.paramId = reinterpret_cast<const clapabi::EventParamGesture*>(event)->paramId;
    } else {
      return true;
    }
    h->pushed.push_back(out);
    return true;
  }

  // The queued events, ordered by time, become the list the plug-in reads.
  void takeQueued() {
    sending.swap(queued);
    queued.clear();
    // In time order, equal times as queued; an insertion sort, which allocates nothing on the
    // audio thread (std::stable_sort may).
    for (size_t i = 1; i < sending.size(); ++i)
      for (size_t j = i; j > 0 && sending[j].header.time < sending[j - 1].header.time; --j)
        std::swap(sending[j], sending[j - 1]);
  }
};

std::unique_ptr<ClapPlugin> ClapPlugin::load(const std::string& path, std::string& error,
                                             const HostOptions& options) {
  std::unique_ptr<ClapPlugin> self(new ClapPlugin());
  self->library_ = vsthost::SharedLibrary::open(path, error);
  if (!self->library_) return nullptr;
  self->entry_ = static_cast<const clapabi::PluginEntry*>(self->library_->symbol("clap_entry"));
  if (!self->entry_) {
    error = path + " exports no clap_entry: not a CLAP plug-in";
    return nullptr;
  }
  if (!clapabi::compatible(self->entry_->clapVersion) || !self->entry_->init ||
      !self->entry_->getFactory) {
    error = path + ": an incompatible CLAP version";
    self->entry_ = nullptr;
    return nullptr;
  }
  if (!self->entry_->init(path.c_str())) {
    error = path + ": the module's init failed";
    self->entry_ = nullptr;
    return nullptr;
  }
  const auto* factory = static_cast<const clapabi::PluginFactory*>(
      self->entry_->getFactory(clapabi::kPluginFactoryId));
  if (!factory || factory->getPluginCount(factory) == 0) {
    error = path + " offers no plug-in";
    return nullptr;
  }
  std::string id = options.pluginId;
  if (id.empty()) {
    const clapabi::PluginDescriptor* first = factory->getPluginDescriptor(factory, 0);
    if (!first || !first->id) {
      error = path + ": the first plug-in has no descriptor";
      return nullptr;
    }
    id = first->id;
  }

  auto host = std::make_unique<HostState>();
  host->owner = self.get();
  host->options = options;
  host->record = {clapabi::kVersion,
                  host.get(),
                  "quendral test host",
                  "quendral",
                  "",
                  "1.0",
                  HostState::extension,
                  HostState::requestRestart,
                  HostState::requestProcess,
                  HostState::requestCallback};
  host->params = {HostState::rescan, HostState::clear, HostState::requestFlush};
  host->state = {HostState::markDirty};
  host->gui = {HostState::resizeHintsChanged, HostState::requestResize, HostState::requestShow,
               HostState::requestHide, HostState::closed};
  host->timers = {HostState::registerTimer, HostState::unregisterTimer};
  host->descriptors = {HostState::registerFd, HostState::modifyFd, HostState::unregisterFd};
  host->threads = {HostState::isMainThread, HostState::isAudioThread};
  host->input = {host.get(), HostState::inputSize, HostState::inputGet};
  host->output = {host.get(), HostState::outputPush};
  self->host_ = std::move(host);

  self->plugin_ = factory->createPlugin(factory, &self->host_->record, id.c_str());
  if (!self->plugin_) {
    error = path + ": the factory made no plug-in " + id;
    return nullptr;
  }
  if (!self->plugin_->init(self->plugin_)) {
    self->plugin_->destroy(self->plugin_);
    self->plugin_ = nullptr;
    error = path + ": the plug-in's init failed";
    return nullptr;
  }
  if (const auto* p = self->extension<clapabi::PluginParams>(clapabi::kExtParams)) {
    const uint32_t count = p->count(self->plugin_);
    for (uint32_t i = 0; i < count; ++i) {
      clapabi::ParamInfo info{};
      if (!p->getInfo(self->plugin_, i, &info)) continue;
      info.name[clapabi::kNameSize - 1] = '\0';
      self->params_.push_back(
          {info.id, info.name, info.flags, info.minValue, info.maxValue, info.defaultValue});
    }
  }
  return self;
}

ClapPlugin::~ClapPlugin() {
  closeEditor();
  deactivate();
  if (plugin_) plugin_->destroy(plugin_);
  if (entry_ && entry_->deinit) entry_->deinit();
}

std::vector<std::string> ClapPlugin::features() const {
  std::vector<std::string> list;
  for (const char* const* f = descriptor().features; f && *f; ++f) list.emplace_back(*f);
  return list;
}

bool ClapPlugin::activate(double sampleRate, uint32_t maxFrames, std::string& error) {
  if (active_) deactivate();
  // Buffers for every port: a plug-in counts the channels of all its ports.
  maxFrames_ = std::max<uint32_t>(maxFrames, 1);
  const auto* audioPorts = extension<clapabi::PluginAudioPorts>(clapabi::kExtAudioPorts);
  for (int direction = 0; direction < 2; ++direction) {
    ports_[direction].clear();
    const uint32_t count = audioPorts ? audioPorts->count(plugin_, direction == 0) : 0;
    bool mainTaken = false;
    for (uint32_t i = 0; i < count; ++i) {
      clapabi::AudioPortInfo info{};
      if (!audioPorts->get(plugin_, i, direction == 0, &info)) continue;
      Port port;
      port.channels = info.channelCount;
      port.main = !mainTaken && (info.flags & clapabi::kAudioPortIsMain);
      mainTaken = mainTaken || port.main;
      port.scratch.assign(port.channels, std::vector<float>(maxFrames_, 0.0f));
      for (auto& channel : port.scratch) port.pointers.push_back(channel.data());
      ports_[direction].push_back(std::move(port));
    }
  }
  if (!plugin_->activate(plugin_, sampleRate, 1, maxFrames_)) {
    error = "the plug-in refused to activate at " + std::to_string(sampleRate) + " Hz";
    return false;
  }
  active_ = true;
  if (!plugin_->startProcessing(plugin_)) {
    error = "the plug-in refused to start processing";
    deactivate();
    return false;
  }
  return true;
}

void ClapPlugin::deactivate() {
  if (!active_) return;
  plugin_->stopProcessing(plugin_);
  plugin_->deactivate(plugin_);
  active_ = false;
}

uint32_t ClapPlugin::mainChannels(bool input) const {
  const auto* ports = extension<clapabi::PluginAudioPorts>(clapabi::kExtAudioPorts);
  if (!ports) return 0;
  for (uint32_t i = 0; i < ports->count(plugin_, input); ++i) {
    clapabi::AudioPortInfo info{};
    if (ports->get(plugin_, i, input, &info) && (info.flags & clapabi::kAudioPortIsMain))
      return info.channelCount;
  }
  return 0;
}

uint32_t ClapPlugin::latency() const {
  const auto* l = extension<clapabi::PluginLatency>(clapabi::kExtLatency);
  return l ? l->get(plugin_) : 0;
}

uint32_t ClapPlugin::tail() const {
  const auto* t = extension<clapabi::PluginTail>(clapabi::kExtTail);
  return t ? t->get(plugin_) : 0;
}

int32_t ClapPlugin::indexOf(clapabi::Id id) const {
  for (size_t i = 0; i < params_.size(); ++i)
    if (params_[i].id == id) return static_cast<int32_t>(i);
  return -1;
}

double ClapPlugin::value(clapabi::Id id) const {
  const auto* p = extension<clapabi::PluginParams>(clapabi::kExtParams);
  double v = NAN;
  if (!p || !p->getValue(plugin_, id, &v)) return NAN;
  return v;
}

std::string ClapPlugin::text(clapabi::Id id, double v) const {
  const auto* p = extension<clapabi::PluginParams>(clapabi::kExtParams);
  char buffer[256] = {};
  if (!p || !p->valueToText(plugin_, id, v, buffer, sizeof buffer)) return "";
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

bool ClapPlugin::valueFromText(clapabi::Id id, const std::string& text, double& v) const {
  const auto* p = extension<clapabi::PluginParams>(clapabi::kExtParams);
  return p && p->textToValue(plugin_, id, text.c_str(), &v);
}

void ClapPlugin::setParam(clapabi::Id id, double v, uint32_t sampleOffset) {
  AnyEvent e{};
  e.param.header = {sizeof(clapabi::EventParamValue), sampleOffset, clapabi::kCoreEventSpace,
                    clapabi::kEventParamValue, 0};
  e.param.paramId = id;
  e.param.cookie = nullptr;
  e.param.noteId = -1;
  e.param.portIndex = e.param.channel = e.param.key = -1;
  e.param.value = v;
  host_->queued.push_back(e);
}

void ClapPlugin::midi(uint8_t status, uint8_t data1, uint8_t data2, uint32_t sampleOffset) {
  AnyEvent e{};
  e.midi.header = {sizeof(clapabi::EventMidi), sampleOffset, clapabi::kCoreEventSpace,
                   clapabi::kEventMidi, 0};
  e.midi.portIndex = 0;
  e.midi.data[0] = status;
  e.midi.data[1] = data1;
  e.midi.data[2] = data2;
  host_->queued.push_back(e);
}

void ClapPlugin::flush() {
  const auto* p = extension<clapabi::PluginParams>(clapabi::kExtParams);
  host_->flushRequested = false;
  if (!p || !p->flush) return;
  host_->takeQueued();
  p->flush(plugin_, &host_->input, &host_->output);
  host_->sending.clear();
}

std::vector<OutputEvent> ClapPlugin::takeOutputEvents() {
  std::vector<OutputEvent> events;
  events.swap(host_->pushed);
  return events;
}

void ClapPlugin::setTransport(bool provide, double tempo, double beats, bool playing,
                              bool tempoValid) {
  host_->provideTransport = provide;
  clapabi::EventTransport& t = host_->transport;
  t = clapabi::EventTransport{};
  t.header = {sizeof t, 0, clapabi::kCoreEventSpace, clapabi::kEventTransport, 0};
  t.flags = (tempoValid ? clapabi::kTransportHasTempo : 0u) | clapabi::kTransportHasBeatsTimeline |
            (playing ? clapabi::kTransportIsPlaying : 0u);
  t.tempo = tempo;
  t.songPosBeats = static_cast<clapabi::BeatTime>(std::llround(beats * clapabi::kTimeFactor));
  t.timeSignatureNumerator = 4;
  t.timeSignatureDenominator = 4;
}

int32_t ClapPlugin::process(const float* const* inputs, float* const* outputs, uint32_t frames) {
  if (frames > maxFrames_) return clapabi::kProcessError;
  clapabi::AudioBuffer buffers[2][8] = {};
  uint32_t counts[2] = {0, 0};
  for (int direction = 0; direction < 2; ++direction) {
    for (Port& port : ports_[direction]) {
      if (counts[direction] == 8) break;
      clapabi::AudioBuffer& b = buffers[direction][counts[direction]++];
      b.channelCount = port.channels;
      const bool callers = port.main && (direction == 0 ? inputs != nullptr : outputs != nullptr);
      b.data32 =
          callers ? const_cast<float**>(direction == 0 ? inputs : outputs) : port.pointers.data();
    }
  }
  host_->takeQueued();
  clapabi::Process block{};
  block.steadyTime = host_->steadyTime;
  host_->steadyTime += frames;
  block.framesCount = frames;
  block.transport = host_->provideTransport ? &host_->transport : nullptr;
  block.audioInputs = buffers[0];
  block.audioOutputs = buffers[1];
  block.audioInputsCount = counts[0];
  block.audioOutputsCount = counts[1];
  block.inEvents = &host_->input;
  block.outEvents = &host_->output;
  host_->processingNow = true;
  const int32_t status = plugin_->process(plugin_, &block);
  host_->processingNow = false;
  host_->sending.clear();
  return status;
}

namespace {

struct Stream {
  const std::vector<uint8_t>* source = nullptr;
  std::vector<uint8_t>* sink = nullptr;
  size_t at = 0;
  uint32_t chunk = 0;  // 0: as much as asked
};

int64_t readStream(const clapabi::InputStream* stream, void* buffer, uint64_t size) {
  auto* s = static_cast<Stream*>(stream->context);
  uint64_t n = std::min<uint64_t>(size, s->source->size() - s->at);
  if (s->chunk) n = std::min<uint64_t>(n, s->chunk);
  if (n > 0) std::memcpy(buffer, s->source->data() + s->at, static_cast<size_t>(n));
  s->at += static_cast<size_t>(n);
  return static_cast<int64_t>(n);
}

int64_t writeStream(const clapabi::OutputStream* stream, const void* buffer, uint64_t size) {
  auto* s = static_cast<Stream*>(stream->context);
  uint64_t n = s->chunk ? std::min<uint64_t>(size, s->chunk) : size;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  s->sink->insert(s->sink->end(), bytes, bytes + n);
  return static_cast<int64_t>(n);
}

}  // namespace

std::vector<uint8_t> ClapPlugin::saveState() {
  std::vector<uint8_t> bytes;
  const auto* s = extension<clapabi::PluginState>(clapabi::kExtState);
  Stream stream;
  stream.sink = &bytes;
  stream.chunk = host_->options.streamChunk;
  clapabi::OutputStream out{&stream, writeStream};
  if (!s || !s->save(plugin_, &out)) return {};
  return bytes;
}

bool ClapPlugin::loadState(const std::vector<uint8_t>& bytes) {
  const auto* s = extension<clapabi::PluginState>(clapabi::kExtState);
  Stream stream;
  stream.source = &bytes;
  stream.chunk = host_->options.streamChunk;
  clapabi::InputStream in{&stream, readStream};
  return s && s->load(plugin_, &in);
}

bool ClapPlugin::openEditor(void* parentWindow, uint32_t& width, uint32_t& height,
                            std::string& error) {
  const auto* gui = extension<clapabi::PluginGui>(clapabi::kExtGui);
#if defined(_WIN32)
  const char* api = clapabi::kWindowApiWin32;
#else
  const char* api = clapabi::kWindowApiX11;
#endif
  if (!gui) {
    error = "the plug-in offers no editor to this host";
    return false;
  }
  if (!gui->isApiSupported(plugin_, api, false) || !gui->create(plugin_, api, false)) {
    error = std::string("the plug-in's editor does not embed in ") + api + " windows";
    return false;
  }
  if (editorScale_ > 0.0) gui->setScale(plugin_, editorScale_);
  clapabi::Window window{};
  window.api = api;
#if defined(_WIN32)
  window.win32 = parentWindow;
#else
  window.x11 = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parentWindow));
#endif
  if (!gui->getSize(plugin_, &width, &height) || !gui->setParent(plugin_, &window)) {
    gui->destroy(plugin_);
    error = "the plug-in's editor did not open in the host's window";
    return false;
  }
  gui->show(plugin_);
  editorOpen_ = true;
  return true;
}

bool ClapPlugin::setEditorScale(double scale) {
  editorScale_ = scale;
  const auto* gui = extension<clapabi::PluginGui>(clapabi::kExtGui);
  return gui != nullptr && gui->setScale(plugin_, scale);
}

void ClapPlugin::closeEditor() {
  if (!editorOpen_) return;
  if (const auto* gui = extension<clapabi::PluginGui>(clapabi::kExtGui)) gui->destroy(plugin_);
  editorOpen_ = false;
}

void ClapPlugin::pumpMainThread(int milliseconds) {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  const auto* timerSupport = extension<clapabi::PluginTimerSupport>(clapabi::kExtTimerSupport);
  const auto* fdSupport = extension<clapabi::PluginPosixFdSupport>(clapabi::kExtPosixFdSupport);
  do {
    if (host_->callbackRequested) {
      host_->callbackRequested = false;
      plugin_->onMainThread(plugin_);
    }
    if (host_->flushRequested && !active_) flush();
    const auto now = Clock::now();
    for (size_t i = 0; i < host_->timerList.size(); ++i) {
      HostState::Timer timer = host_->timerList[i];
      if (timer.due > now) continue;
      host_->timerList[i].due = now + std::chrono::milliseconds(timer.period);
      if (timerSupport) timerSupport->onTimer(plugin_, timer.id);
    }
#if !defined(_WIN32)
    for (int fd : std::vector<int>(host_->watched)) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 0) > 0 && fdSupport) fdSupport->onFd(plugin_, fd, clapabi::kFdRead);
    }
#else
    (void)fdSupport;
#endif
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  } while (Clock::now() < end);
}

}  // namespace claphost
