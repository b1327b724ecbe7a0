#include "quendral_clap.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "clap_gui.h"
#include "clap_identity.h"
#include "own_set_file_extension.h"
#include "plugin_identity.h"
#include "state_chunk.h"

namespace panner {

namespace {

QuendralClap* self(const clapabi::Plugin* plugin) {
  return plugin ? static_cast<QuendralClap*>(plugin->pluginData) : nullptr;
}

void copyName(char (&field)[clapabi::kNameSize], const char* text) {
  std::strncpy(field, text, clapabi::kNameSize - 1);
  field[clapabi::kNameSize - 1] = '\0';
}

}  // namespace

// The plug-in record's functions and the extensions' tables: each finds its instance
// through the record and hands the call on.
struct ClapCallbacks {
  static bool init(const clapabi::Plugin* plugin) {
    QuendralClap* p = self(plugin);
    if (!p) return false;
    p->hostParams = p->hostExtension<clapabi::HostParams>(clapabi::kExtParams);
    p->hostState = p->hostExtension<clapabi::HostState>(clapabi::kExtState);
    try {
      p->gui = std::make_unique<ClapGui>(*p);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
  static void destroy(const clapabi::Plugin* plugin) { delete self(plugin); }

  // The engine prepares for the rate here; a rate it refuses keeps the last good one and
  // the host hears that activation failed.
  static bool activate(const clapabi::Plugin* plugin, double rate, uint32_t, uint32_t) {
    QuendralClap* p = self(plugin);
    if (!p || p->active.load() || !p->core.setSampleRate(rate)) return false;
    p->active.store(true);
    return true;
  }
  // Deactivation is the VST2 build's suspend: meters and displays clear.
  static void deactivate(const clapabi::Plugin* plugin) {
    if (QuendralClap* p = self(plugin); p && p->active.exchange(false)) p->core.suspend();
  }
  static bool startProcessing(const clapabi::Plugin* plugin) {
    QuendralClap* p = self(plugin);
    if (!p || !p->active.load()) return false;
    p->processing.store(true);
    return true;
  }
  static void stopProcessing(const clapabi::Plugin* plugin) {
    if (QuendralClap* p = self(plugin)) p->processing.store(false);
  }
  static void reset(const clapabi::Plugin* plugin) {
    if (QuendralClap* p = self(plugin)) p->core.suspend();
  }

  static int32_t process(const clapabi::Plugin* plugin, const clapabi::Process* block) {
    QuendralClap* p = self(plugin);
    if (!p || !block || block->framesCount > static_cast<uint32_t>(INT32_MAX))
      return clapabi::kProcessError;
    // Parameter changes apply at the start of their block, as in the VST3 build.
    p->handleEvents(block->inEvents, block->outEvents);
    if (block->framesCount == 0 || block->audioOutputsCount < 1 || !block->audioOutputs)
      return clapabi::kProcessContinue;
    clapabi::AudioBuffer& out = block->audioOutputs[0];
    float* left = out.data32 && out.channelCount > 0 ? out.data32[0] : nullptr;
    float* right = out.data32 && out.channelCount > 1 ? out.data32[1] : nullptr;
    const float* in = nullptr;
    if (block->audioInputsCount > 0 && block->audioInputs && block->audioInputs[0].data32 &&
        block->audioInputs[0].channelCount > 0)
      in = block->audioInputs[0].data32[0];
    p->blockTransport = block->transport;
    p->core.processReplacing(in, left, right, static_cast<int32_t>(block->framesCount));
    p->blockTransport = nullptr;
    out.constantMask = 0;
    return clapabi::kProcessContinue;
  }

  static const void* getExtension(const clapabi::Plugin* plugin, const char* id);

  static void onMainThread(const clapabi::Plugin* plugin) {
    QuendralClap* p = self(plugin);
    if (p && p->rescanWanted.exchange(false) && p->hostParams && p->hostParams->rescan)
      p->hostParams->rescan(p->clapHost, clapabi::kParamRescanValues | clapabi::kParamRescanText);
  }

  // ---- audio and note ports: one mono input, one stereo output, one MIDI input ----
  static uint32_t audioPortCount(const clapabi::Plugin*, bool) { return 1; }
  static bool audioPort(const clapabi::Plugin*, uint32_t index, bool isInput,
                        clapabi::AudioPortInfo* info) {
    if (index != 0 || !info) return false;
    std::memset(info, 0, sizeof *info);
    info->id = isInput ? 0 : 1;
    copyName(info->name, isInput ? "Input" : "Output (left ear, right ear)");
    info->flags = clapabi::kAudioPortIsMain;
    info->channelCount = isInput ? identity::kNumInputs : identity::kNumOutputs;
    info->portType = isInput ? clapabi::kPortMono : clapabi::kPortStereo;
    info->inPlacePair = clapabi::kInvalidId;
    return true;
  }
  static uint32_t notePortCount(const clapabi::Plugin*, bool isInput) { return isInput ? 1 : 0; }
  static bool notePort(const clapabi::Plugin*, uint32_t index, bool isInput,
                       clapabi::NotePortInfo* info) {
    if (index != 0 || !isInput || !info) return false;
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    info->supportedDialects = clapabi::kNoteDialectMidi;
    info->preferredDialect = clapabi::kNoteDialectMidi;
    copyName(info->name, "MIDI In");
    return true;
  }

  // ---- parameters ----
  static uint32_t paramCount(const clapabi::Plugin* plugin) { return self(plugin)->paramCount(); }
  static bool paramInfo(const clapabi::Plugin* plugin, uint32_t index, clapabi::ParamInfo* info) {
    return info && self(plugin)->paramInfo(index, *info);
  }
  static bool paramValue(const clapabi::Plugin* plugin, clapabi::Id id, double* value) {
    return value && self(plugin)->paramValue(id, *value);
  }
  static bool valueToText(const clapabi::Plugin* plugin, clapabi::Id id, double value, char* text,
                          uint32_t capacity) {
    return text && capacity > 0 && self(plugin)->valueToText(id, value, text, capacity);
  }
  static bool textToValue(const clapabi::Plugin* plugin, clapabi::Id id, const char* text,
                          double* value) {
    return text && value && self(plugin)->textToValue(id, text, *value);
  }
  static void flush(const clapabi::Plugin* plugin, const clapabi::InputEvents* in,
                    const clapabi::OutputEvents* out) {
    self(plugin)->handleEvents(in, out);
  }

  // ---- state: the same chunk (the bank) as every other format ----
  static bool saveState(const clapabi::Plugin* plugin, const clapabi::OutputStream* stream) {
    QuendralClap* p = self(plugin);
    if (!stream || !stream->write) return false;
    void* data = nullptr;
    const int32_t size = p->core.getChunk(&data, false);
    if (size <= 0 || !data) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    // A stream may take fewer bytes than offered: write on until all are taken.
    for (int64_t done = 0; done < size;) {
      const int64_t written =
          stream->write(stream, bytes + done, static_cast<uint64_t>(size - done));
      if (written <= 0) return false;
      done += written;
    }
    return true;
  }
  static bool loadState(const clapabi::Plugin* plugin, const clapabi::InputStream* stream) {
    QuendralClap* p = self(plugin);
    if (!stream || !stream->read) return false;
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    try {
      for (;;) {
        const int64_t read = stream->read(stream, buffer, sizeof buffer);
        if (read < 0) return false;
        if (read == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + std::min<int64_t>(read, sizeof buffer));
        // Longer than any chunk of ours: not one, refused without reading on.
        if (bytes.size() > chunk::kMaxChunkSize) return false;
      }
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (bytes.empty() ||
        p->core.setChunk(bytes.data(), static_cast<int32_t>(bytes.size()), false) != 1)
      return false;
    if (p->hostParams && p->hostParams->rescan)
      p->hostParams->rescan(p->clapHost, clapabi::kParamRescanValues | clapabi::kParamRescanText);
    return true;
  }

  static uint32_t latency(const clapabi::Plugin*) {
    return static_cast<uint32_t>(identity::kLatencySamples);
  }
  static uint32_t tail(const clapabi::Plugin*) { return 0; }
  // Offline and real time sound the same: nothing to switch.
  static bool hardRealtime(const clapabi::Plugin*) { return false; }
  static bool setRenderMode(const clapabi::Plugin*, int32_t mode) {
    return mode == clapabi::kRenderRealtime || mode == clapabi::kRenderOffline;
  }

  // ---- the editor ----
  static bool guiApiSupported(const clapabi::Plugin* plugin, const char* api, bool floating) {
    return self(plugin)->gui->isApiSupported(api, floating);
  }
  static bool guiPreferredApi(const clapabi::Plugin* plugin, const char** api, bool* floating) {
    return self(plugin)->gui->preferredApi(api, floating);
  }
  static bool guiCreate(const clapabi::Plugin* plugin, const char* api, bool floating) {
    return self(plugin)->gui->create(api, floating);
  }
  static void guiDestroy(const clapabi::Plugin* plugin) { self(plugin)->gui->destroy(); }
  static bool guiSetScale(const clapabi::Plugin* plugin, double scale) {
    return self(plugin)->gui->setScale(scale);
  }
  static bool guiSize(const clapabi::Plugin* plugin, uint32_t* width, uint32_t* height) {
    return self(plugin)->gui->size(width, height);
  }
  static bool guiCanResize(const clapabi::Plugin*) { return false; }
  static bool guiResizeHints(const clapabi::Plugin*, clapabi::GuiResizeHints*) { return false; }
  static bool guiAdjustSize(const clapabi::Plugin* plugin, uint32_t* width, uint32_t* height) {
    return self(plugin)->gui->adjustSize(width, height);
  }
  static bool guiSetSize(const clapabi::Plugin* plugin, uint32_t width, uint32_t height) {
    return self(plugin)->gui->setSize(width, height);
  }
  static bool guiSetParent(const clapabi::Plugin* plugin, const clapabi::Window* window) {
    return self(plugin)->gui->setParent(window);
  }
  static bool guiSetTransient(const clapabi::Plugin*, const clapabi::Window*) { return false; }
  static void guiSuggestTitle(const clapabi::Plugin*, const char*) {}
  // The panel is a child of the host's window: it shows and hides with it.
  static bool guiShow(const clapabi::Plugin*) { return true; }
  static bool guiHide(const clapabi::Plugin*) { return true; }
  static void onTimer(const clapabi::Plugin* plugin, clapabi::Id) { self(plugin)->gui->idle(); }
  static void onFd(const clapabi::Plugin* plugin, int, uint32_t) { self(plugin)->gui->idle(); }
};

namespace {

const clapabi::PluginAudioPorts kAudioPorts = {ClapCallbacks::audioPortCount,
                                               ClapCallbacks::audioPort};
const clapabi::PluginNotePorts kNotePorts = {ClapCallbacks::notePortCount, ClapCallbacks::notePort};
const clapabi::PluginParams kParams = {ClapCallbacks::paramCount,  ClapCallbacks::paramInfo,
                                       ClapCallbacks::paramValue,  ClapCallbacks::valueToText,
                                       ClapCallbacks::textToValue, ClapCallbacks::flush};
const clapabi::PluginState kState = {ClapCallbacks::saveState, ClapCallbacks::loadState};
const clapabi::PluginLatency kLatency = {ClapCallbacks::latency};
const clapabi::PluginTail kTail = {ClapCallbacks::tail};
const clapabi::PluginRender kRender = {ClapCallbacks::hardRealtime, ClapCallbacks::setRenderMode};
const clapabi::PluginGui kGui = {
    ClapCallbacks::guiApiSupported, ClapCallbacks::guiPreferredApi, ClapCallbacks::guiCreate,
    ClapCallbacks::guiDestroy,      ClapCallbacks::guiSetScale,     ClapCallbacks::guiSize,
    ClapCallbacks::guiCanResize,    ClapCallbacks::guiResizeHints,  ClapCallbacks::guiAdjustSize,
    ClapCallbacks::guiSetSize,      ClapCallbacks::guiSetParent,    ClapCallbacks::guiSetTransient,
    ClapCallbacks::guiSuggestTitle, ClapCallbacks::guiShow,         ClapCallbacks::guiHide};
const clapabi::PluginTimerSupport kTimerSupport = {ClapCallbacks::onTimer};
const clapabi::PluginPosixFdSupport kPosixFdSupport = {ClapCallbacks::onFd};
// quendral's own tools hand it a SOFA file this way (own_set_file_extension.h).
const own_set_file::OwnSetFileCalls kOwnSetFile = {
    [](const void* plugin, const char* path, char* answer, uint32_t capacity) {
      QuendralClap* p = self(static_cast<const clapabi::Plugin*>(plugin));
      return p && p->getCore().loadOwnSetFile(path, answer, capacity);
    },
    [](const void* plugin, char* line, uint32_t capacity) {
      if (QuendralClap* p = self(static_cast<const clapabi::Plugin*>(plugin)))
        p->getCore().describeOwnSet(line, capacity);
    }};

}  // namespace

const void* ClapCallbacks::getExtension(const clapabi::Plugin* plugin, const char* id) {
  QuendralClap* p = self(plugin);
  if (!p || !id) return nullptr;
  if (std::strcmp(id, clapabi::kExtAudioPorts) == 0) return &kAudioPorts;
  if (std::strcmp(id, clapabi::kExtNotePorts) == 0) return &kNotePorts;
  if (std::strcmp(id, clapabi::kExtParams) == 0) return &kParams;
  if (std::strcmp(id, clapabi::kExtState) == 0) return &kState;
  if (std::strcmp(id, clapabi::kExtLatency) == 0) return &kLatency;
  if (std::strcmp(id, clapabi::kExtTail) == 0) return &kTail;
  if (std::strcmp(id, clapabi::kExtRender) == 0) return &kRender;
  // The editor is described to every host (scanners list it); one that cannot idle it is
  // refused when it asks to create it.
  if (std::strcmp(id, clapabi::kExtGui) == 0) return &kGui;
  if (std::strcmp(id, clapabi::kExtTimerSupport) == 0) return &kTimerSupport;
  if (std::strcmp(id, clapabi::kExtPosixFdSupport) == 0) return &kPosixFdSupport;
  if (std::strcmp(id, own_set_file::kClapExtensionId) == 0) return &kOwnSetFile;
  return nullptr;
}

const clapabi::PluginDescriptor QuendralClap::kDescriptor = {
    clapabi::kVersion, clapid::kPluginId,    identity::kEffectName, identity::kVendor, "", "", "",
    clapid::kVersion,  clapid::kDescription, clapid::kFeatures};

QuendralClap::QuendralClap(const clapabi::Host* host) : clapHost(host), core(this) {
  record.descriptor = &kDescriptor;
  record.pluginData = this;
  record.init = ClapCallbacks::init;
  record.destroy = ClapCallbacks::destroy;
  record.activate = ClapCallbacks::activate;
  record.deactivate = ClapCallbacks::deactivate;
  record.startProcessing = ClapCallbacks::startProcessing;
  record.stopProcessing = ClapCallbacks::stopProcessing;
  record.reset = ClapCallbacks::reset;
  record.process = ClapCallbacks::process;
  record.getExtension = ClapCallbacks::getExtension;
  record.onMainThread = ClapCallbacks::onMainThread;
}

// The editor goes before the core that its panel belongs to.
QuendralClap::~QuendralClap() { gui.reset(); }

bool QuendralClap::hostTempo(double& beatsPerMinute) {
  const clapabi::EventTransport* t = blockTransport;
  if (!t || !(t->flags & clapabi::kTransportHasTempo)) return false;
  beatsPerMinute = t->tempo;
  return true;
}

bool QuendralClap::hostPosition(double& quarterNotes, bool& playing) {
  const clapabi::EventTransport* t = blockTransport;
  if (!t || !(t->flags & clapabi::kTransportHasBeatsTimeline)) return false;
  quarterNotes = static_cast<double>(t->songPosBeats) / clapabi::kTimeFactor;
  playing = (t->flags & clapabi::kTransportIsPlaying) != 0;
  return true;
}

const clapabi::Plugin* createQuendralClap(const clapabi::Host* host) {
  if (!host || !clapabi::compatible(host->clapVersion)) return nullptr;
  auto* plugin = new (std::nothrow) QuendralClap(host);
  if (!plugin) return nullptr;
  if (!plugin->getCore().constructed()) {
    delete plugin;
    return nullptr;
  }
  return plugin->plugin();
}

}  // namespace panner
