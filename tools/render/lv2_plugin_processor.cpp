#include "lv2_plugin_processor.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "own_set_file_extension.h"
#include "render_error.h"

namespace render {

namespace {

// Room for the atom ports: a block's controller messages and one time:Position.
constexpr std::size_t kAtomBufferBytes = 8192;

bool isFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string nodeText(const LilvNode* node) {
  return node && (lilv_node_is_string(node) || lilv_node_is_uri(node)) ? lilv_node_as_string(node)
                                                                       : "";
}

// The state interface's store and retrieve keep the properties here.
struct StoredProperty {
  uint32_t key, type, flags;
  std::vector<uint8_t> value;
};

}  // namespace

struct Lv2PluginProcessor::Features {
  LV2_URID_Map map;
  LV2_URID_Unmap unmap;
  LV2_Feature mapFeature;
  LV2_Feature unmapFeature;
  const LV2_Feature* list[3];
  LV2_Atom_Forge forge;  // initialised once: its set-up maps URIs
};

Lv2PluginProcessor::Lv2PluginProcessor(const std::string& bundleOrUri) {
  world_ = lilv_world_new();
  LilvNode* uri = nullptr;
  if (isFolder(bundleOrUri)) {
    std::string folder = bundleOrUri;
    if (folder.front() != '/') {
      char cwd[4096];
      if (::getcwd(cwd, sizeof cwd)) folder = std::string(cwd) + "/" + folder;
    }
    if (folder.back() != '/') folder += '/';
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, folder.c_str());
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
  } else {
    lilv_world_load_all(world_);
    uri = lilv_new_uri(world_, bundleOrUri.c_str());
  }
  const LilvPlugins* plugins = lilv_world_get_all_plugins(world_);
  if (uri) {
    plugin_ = lilv_plugins_get_by_uri(plugins, uri);
    lilv_node_free(uri);
  } else if (lilv_plugins_size(plugins) == 1) {
    plugin_ = lilv_plugins_get(plugins, lilv_plugins_begin(plugins));
  }
  if (!plugin_) {
    lilv_world_free(world_);
    throw RenderError(bundleOrUri +
                      " is no LV2 bundle holding one plug-in, nor an LV2 plug-in's URI");
  }

  LilvNode* input = lilv_new_uri(world_, LV2_CORE__InputPort);
  LilvNode* audio = lilv_new_uri(world_, LV2_CORE__AudioPort);
  LilvNode* control = lilv_new_uri(world_, LV2_CORE__ControlPort);
  LilvNode* atom = lilv_new_uri(world_, LV2_ATOM__AtomPort);
  LilvNode* integer = lilv_new_uri(world_, LV2_CORE__integer);
  LilvNode* toggled = lilv_new_uri(world_, LV2_CORE__toggled);
  LilvNode* enumeration = lilv_new_uri(world_, LV2_CORE__enumeration);
  LilvNode* reportsLatency = lilv_new_uri(world_, LV2_CORE__reportsLatency);
  LilvNode* unitUri = lilv_new_uri(world_, LV2_UNITS__unit);
  LilvNode* symbolUri = lilv_new_uri(world_, LV2_UNITS__symbol);
  for (uint32_t p = 0; p < lilv_plugin_get_num_ports(plugin_); ++p) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, p);
    const bool in = lilv_port_is_a(plugin_, port, input);
    if (lilv_port_is_a(plugin_, port, audio)) {
      (in ? audioIn_ : audioOut_).push_back(p);
    } else if (lilv_port_is_a(plugin_, port, atom)) {
      if (in && eventsPort_ < 0)
        eventsPort_ = static_cast<int>(p);
      else
        otherAtomPorts_.push_back(p);
    } else if (lilv_port_is_a(plugin_, port, control) && !in) {
      if (lilv_port_has_property(plugin_, port, reportsLatency)) latencyPort_ = static_cast<int>(p);
    } else if (lilv_port_is_a(plugin_, port, control)) {
      Control c{};
      c.port = p;
      LilvNode* name = lilv_port_get_name(plugin_, port);
      c.name = nodeText(name);
      lilv_node_free(name);
      LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
      lilv_port_get_range(plugin_, port, &def, &min, &max);
      c.minimum = min ? lilv_node_as_float(min) : 0.0f;
      c.maximum = max ? lilv_node_as_float(max) : 1.0f;
      c.defaultValue = def ? lilv_node_as_float(def) : c.minimum;
      lilv_node_free(def);
      lilv_node_free(min);
      lilv_node_free(max);
      c.integer = lilv_port_has_property(plugin_, port, integer);
      c.toggled = lilv_port_has_property(plugin_, port, toggled);
      c.enumeration = lilv_port_has_property(plugin_, port, enumeration);
      if (LilvNodes* units = lilv_port_get_value(plugin_, port, unitUri)) {
        const LilvNode* unit = lilv_nodes_get_first(units);
        if (LilvNodes* symbol = lilv_world_find_nodes(world_, unit, symbolUri, nullptr)) {
          c.unit = nodeText(lilv_nodes_get_first(symbol));
          lilv_nodes_free(symbol);
        }
        // Without the units extension's own description loaded, the common units' symbols.
        static const struct {
          const char* uri;
          const char* symbol;
        } kUnits[] = {{LV2_UNITS__degree, "\xC2\xB0"}, {LV2_UNITS__db, "dB"},
                      {LV2_UNITS__hz, "Hz"},           {LV2_UNITS__s, "s"},
                      {LV2_UNITS__ms, "ms"},           {LV2_UNITS__bpm, "BPM"}};
        for (const auto& known : kUnits)
          if (c.unit.empty() && nodeText(unit) == known.uri) c.unit = known.symbol;
        lilv_nodes_free(units);
      }
      c.value = c.defaultValue;
      controls_.push_back(c);
    }
  }
  for (LilvNode* node : {input, audio, control, atom, integer, toggled, enumeration, reportsLatency,
                         unitUri, symbolUri})
    lilv_node_free(node);

  // The presets, in the order of their URIs (quendral's end in the program's number).
  LilvNode* presetClass = lilv_new_uri(world_, LV2_PRESETS__Preset);
  LilvNode* label = lilv_new_uri(world_, LILV_NS_RDFS "label");
  if (LilvNodes* related = lilv_plugin_get_related(plugin_, presetClass)) {
    LILV_FOREACH(nodes, i, related) {
      const LilvNode* preset = lilv_nodes_get(related, i);
      lilv_world_load_resource(world_, preset);
      Preset entry{lilv_node_as_uri(preset), ""};
      if (LilvNodes* labels = lilv_world_find_nodes(world_, preset, label, nullptr)) {
        entry.label = nodeText(lilv_nodes_get_first(labels));
        lilv_nodes_free(labels);
      }
      presets_.push_back(entry);
    }
    lilv_nodes_free(related);
  }
  lilv_node_free(presetClass);
  lilv_node_free(label);
  std::sort(presets_.begin(), presets_.end(), [](const Preset& a, const Preset& b) {
    return a.uri.size() != b.uri.size() ? a.uri.size() < b.uri.size() : a.uri < b.uri;
  });

  features_ = std::make_unique<Features>();
  features_->map = {this, [](LV2_URID_Map_Handle h, const char* u) { return mapUri(h, u); }};
  features_->unmap = {this, [](LV2_URID_Unmap_Handle h, LV2_URID id) { return unmapUrid(h, id); }};
  features_->mapFeature = {LV2_URID__map, &features_->map};
  features_->unmapFeature = {LV2_URID__unmap, &features_->unmap};
  features_->list[0] = &features_->mapFeature;
  features_->list[1] = &features_->unmapFeature;
  features_->list[2] = nullptr;
  uridPosition_ = urid(LV2_TIME__Position);
  uridFrame_ = urid(LV2_TIME__frame);
  uridSpeed_ = urid(LV2_TIME__speed);
  uridTempo_ = urid(LV2_TIME__beatsPerMinute);
  uridBeatUnit_ = urid(LV2_TIME__beatUnit);
  uridBeat_ = urid(LV2_TIME__beat);
  uridMidi_ = urid(LV2_MIDI__MidiEvent);
  uridChunk_ = urid(LV2_ATOM__Chunk);
  lv2_atom_forge_init(&features_->forge, &features_->map);
  pendingMidi_.reserve(3 * 256);
  eventsIn_.assign(kAtomBufferBytes / sizeof(uint64_t), 0);
  eventsOut_.assign(kAtomBufferBytes / sizeof(uint64_t), 0);
}

Lv2PluginProcessor::~Lv2PluginProcessor() {
  if (instance_) {
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
  }
  lilv_world_free(world_);
}

uint32_t Lv2PluginProcessor::mapUri(void* handle, const char* uri) {
  auto* self = static_cast<Lv2PluginProcessor*>(handle);
  const auto [it, added] = self->ids_.emplace(uri, static_cast<uint32_t>(self->ids_.size() + 1));
  if (added) self->uris_.push_back(uri);
  return it->second;
}

const char* Lv2PluginProcessor::unmapUrid(void* handle, uint32_t id) {
  auto* self = static_cast<Lv2PluginProcessor*>(handle);
  return id >= 1 && id <= self->uris_.size() ? self->uris_[id - 1].c_str() : nullptr;
}

uint32_t Lv2PluginProcessor::urid(const char* uri) { return mapUri(this, uri); }

std::vector<std::string> Lv2PluginProcessor::parameterNames() {
  std::vector<std::string> names;
  for (const Control& c : controls_) names.push_back(c.name);
  return names;
}

std::string Lv2PluginProcessor::pluginName() {
  LilvNode* name = lilv_plugin_get_name(plugin_);
  std::string text = nodeText(name);
  lilv_node_free(name);
  return text;
}

void Lv2PluginProcessor::setPortValue(int index, float value) {
  if (index >= 0 && index < numParams()) controls_[static_cast<std::size_t>(index)].value = value;
}

float Lv2PluginProcessor::portValue(int index) const {
  return controls_.at(static_cast<std::size_t>(index)).value;
}

void Lv2PluginProcessor::setParameter(int index, float value) {
  if (index < 0 || index >= numParams() || !std::isfinite(value)) return;
  const Control& c = controls_[static_cast<std::size_t>(index)];
  const float v = std::clamp(value, 0.0f, 1.0f);
  float port = c.minimum + v * (c.maximum - c.minimum);
  // A toggle is on above the middle; whole-numbered ports take the nearest whole number.
  if (c.toggled) port = v > 0.5f ? c.maximum : c.minimum;
  if (c.integer || c.enumeration) port = std::round(port);
  setPortValue(index, port);
}

float Lv2PluginProcessor::getParameter(int index) {
  const Control& c = controls_.at(static_cast<std::size_t>(index));
  return c.maximum > c.minimum ? (c.value - c.minimum) / (c.maximum - c.minimum) : 0.0f;
}

std::string Lv2PluginProcessor::parameterUnit(int index) {
  return controls_.at(static_cast<std::size_t>(index)).unit;
}

int Lv2PluginProcessor::parameterSteps(int index) {
  const Control& c = controls_.at(static_cast<std::size_t>(index));
  if (c.toggled) return 1;
  if (c.integer || c.enumeration) return static_cast<int>(std::lround(c.maximum - c.minimum));
  return 0;
}

std::vector<std::string> Lv2PluginProcessor::programNames() {
  std::vector<std::string> names;
  for (const Preset& p : presets_) names.push_back(p.label);
  return names;
}

std::string Lv2PluginProcessor::programName() {
  return program_ < numPrograms() ? presets_[static_cast<std::size_t>(program_)].label : "";
}

void Lv2PluginProcessor::selectProgram(int index) {
  if (index < 0 || index >= numPrograms()) return;
  LilvNode* uri = lilv_new_uri(world_, presets_[static_cast<std::size_t>(index)].uri.c_str());
  LilvState* state = lilv_state_new_from_world(world_, &features_->map, uri);
  lilv_node_free(uri);
  if (!state) return;
  // The preset's port values become the host's port values; its properties (none for
  // quendral's programs) go to the state interface.
  lilv_state_restore(
      state, instance_,
      [](const char* symbol, void* data, const void* value, uint32_t size, uint32_t type) {
        auto* self = static_cast<Lv2PluginProcessor*>(data);
        if (size != sizeof(float) || type != self->urid(LV2_ATOM__Float)) return;
        for (Control& c : self->controls_) {
          const LilvPort* port = lilv_plugin_get_port_by_index(self->plugin_, c.port);
          if (std::strcmp(lilv_node_as_string(lilv_port_get_symbol(self->plugin_, port)), symbol) ==
              0)
            std::memcpy(&c.value, value, sizeof(float));
        }
      },
      this, 0, features_->list);
  lilv_state_free(state);
  program_ = index;
}

void Lv2PluginProcessor::instantiate(double sampleRate) {
  instance_ = lilv_plugin_instantiate(plugin_, sampleRate, features_->list);
  if (!instance_) throw RenderError("the LV2 plug-in refused to start at this rate");
  for (Control& c : controls_) lilv_instance_connect_port(instance_, c.port, &c.value);
  if (latencyPort_ >= 0)
    lilv_instance_connect_port(instance_, static_cast<uint32_t>(latencyPort_), &latency_);
  if (eventsPort_ >= 0)
    lilv_instance_connect_port(instance_, static_cast<uint32_t>(eventsPort_), eventsIn_.data());
  for (uint32_t p : otherAtomPorts_) lilv_instance_connect_port(instance_, p, eventsOut_.data());
}

void Lv2PluginProcessor::start(double sampleRate, int blockSize) {
  if (instance_) stop();
  if (instance_) {
    lilv_instance_free(instance_);
    instance_ = nullptr;
  }
  sampleRate_ = sampleRate;
  blockSize_ = std::max(blockSize, 1);
  silence_.assign(static_cast<std::size_t>(blockSize_), 0.0f);
  discard_.assign(static_cast<std::size_t>(blockSize_), 0.0f);
  instantiate(sampleRate);
  lilv_instance_activate(instance_);
}

void Lv2PluginProcessor::stop() {
  if (instance_) lilv_instance_deactivate(instance_);
}

int Lv2PluginProcessor::latencySamples() {
  if (!instance_) start(sampleRate_, blockSize_);
  // The latency port is written by run(): a block of no frames asks for it.
  float* in[1] = {silence_.data()};
  float* out[2] = {discard_.data(), discard_.data()};
  connectAndRun(in, out, 0);
  return static_cast<int>(std::lround(latency_));
}

void Lv2PluginProcessor::sendMidi(unsigned char status, unsigned char data1, unsigned char data2) {
  if (pendingMidi_.size() + 3 > pendingMidi_.capacity()) return;  // the block's room is full
  pendingMidi_.insert(pendingMidi_.end(), {status, data1, data2});
}

void Lv2PluginProcessor::writeEvents() {
  LV2_Atom_Forge& forge = features_->forge;
  lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(eventsIn_.data()), kAtomBufferBytes);
  LV2_Atom_Forge_Frame sequence;
  lv2_atom_forge_sequence_head(&forge, &sequence, 0);
  // The host's time at the block's start, as hosts send it whenever it may have changed.
  if (tempoValid_) {
    lv2_atom_forge_frame_time(&forge, 0);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, uridPosition_);
    lv2_atom_forge_key(&forge, uridFrame_);
    // Clamped to the field's range: a test's nonsense position stays nonsense, but defined.
    lv2_atom_forge_long(
        &forge, std::isnan(position_)
                    ? 0
                    : static_cast<int64_t>(std::clamp(std::floor(position_), -9.2e18, 9.2e18)));
    lv2_atom_forge_key(&forge, uridSpeed_);
    lv2_atom_forge_float(&forge, playing_ ? 1.0f : 0.0f);
    lv2_atom_forge_key(&forge, uridTempo_);
    lv2_atom_forge_float(&forge, static_cast<float>(tempo_));
    lv2_atom_forge_key(&forge, uridBeatUnit_);
    lv2_atom_forge_int(&forge, 4);
    lv2_atom_forge_key(&forge, uridBeat_);
    lv2_atom_forge_double(&forge, position_ / sampleRate_ * tempo_ / 60.0);
    lv2_atom_forge_pop(&forge, &object);
  }
  for (std::size_t m = 0; m + 2 < pendingMidi_.size(); m += 3) {
    lv2_atom_forge_frame_time(&forge, 0);
    lv2_atom_forge_atom(&forge, 3, uridMidi_);
    lv2_atom_forge_write(&forge, &pendingMidi_[m], 3);
  }
  pendingMidi_.clear();
  lv2_atom_forge_pop(&forge, &sequence);
  // The outputs' capacity, which the plug-in reads before it writes.
  auto* out = reinterpret_cast<LV2_Atom*>(eventsOut_.data());
  out->type = uridChunk_;
  out->size = kAtomBufferBytes - sizeof(LV2_Atom);
}

void Lv2PluginProcessor::connectAndRun(float** inputs, float** outputs, uint32_t frames) {
  for (std::size_t c = 0; c < audioIn_.size(); ++c)
    lilv_instance_connect_port(instance_, audioIn_[c],
                               inputs && inputs[c] ? inputs[c] : silence_.data());
  for (std::size_t c = 0; c < audioOut_.size(); ++c)
    lilv_instance_connect_port(instance_, audioOut_[c],
                               outputs && outputs[c] ? outputs[c] : discard_.data());
  writeEvents();
  lilv_instance_run(instance_, frames);
  if (playing_) position_ += frames;
}

void Lv2PluginProcessor::process(float** inputs, float** outputs, int frames) {
  if (!instance_) throw RenderError("the LV2 plug-in was not started");
  // Blocks beyond the announced size are split; a missing channel reads as silence.
  for (int done = 0; done < frames;) {
    const int n = std::min(frames - done, blockSize_);
    float* in[8] = {};
    float* out[8] = {};
    for (std::size_t c = 0; c < audioIn_.size() && c < 8; ++c)
      in[c] = inputs && inputs[c] ? inputs[c] + done : nullptr;
    for (std::size_t c = 0; c < audioOut_.size() && c < 8; ++c)
      out[c] = outputs && outputs[c] ? outputs[c] + done : nullptr;
    connectAndRun(in, out, static_cast<uint32_t>(n));
    done += n;
  }
}

std::vector<uint8_t> Lv2PluginProcessor::stateChunk(bool program) {
  if (program) throw RenderError("an LV2 plug-in saves its whole state only, not one program");
  const auto* iface = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
  if (!iface) throw RenderError("the LV2 plug-in saves no state");
  std::vector<StoredProperty> stored;
  iface->save(
      lilv_instance_get_handle(instance_),
      [](LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
         uint32_t flags) -> LV2_State_Status {
        const auto* bytes = static_cast<const uint8_t*>(value);
        static_cast<std::vector<StoredProperty>*>(handle)->push_back(
            {key, type, flags, std::vector<uint8_t>(bytes, bytes + size)});
        return LV2_STATE_SUCCESS;
      },
      &stored, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features_->list);
  // One property is the plug-in's own chunk: handed over as it is, so the same bytes
  // restore in the other formats. Several are kept as key, type, size and bytes.
  const uint32_t chunkType = urid(LV2_ATOM__Chunk);
  for (const StoredProperty& p : stored)
    if (p.type == chunkType) return p.value;
  throw RenderError("the LV2 plug-in's state holds no chunk");
}

bool Lv2PluginProcessor::setStateChunk(const std::vector<uint8_t>& bytes, bool program) {
  if (program) throw RenderError("an LV2 plug-in takes its whole state only, not one program");
  const auto* iface = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
  if (!iface) throw RenderError("the LV2 plug-in takes no state");
  // No bytes is no property, which LV2 restores as "nothing saved": nothing is taken.
  if (bytes.empty()) return false;
  // The chunk goes back under the key the plug-in saved it with.
  std::vector<StoredProperty> saved;
  iface->save(
      lilv_instance_get_handle(instance_),
      [](LV2_State_Handle handle, uint32_t key, const void*, size_t, uint32_t type,
         uint32_t flags) -> LV2_State_Status {
        static_cast<std::vector<StoredProperty>*>(handle)->push_back({key, type, flags, {}});
        return LV2_STATE_SUCCESS;
      },
      &saved, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features_->list);
  const uint32_t chunkType = urid(LV2_ATOM__Chunk);
  StoredProperty given{0, chunkType, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, bytes};
  for (const StoredProperty& p : saved)
    if (p.type == chunkType) given.key = p.key;
  if (given.key == 0) return false;
  const LV2_State_Status status = iface->restore(
      lilv_instance_get_handle(instance_),
      [](LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
         uint32_t* flags) -> const void* {
        auto* p = static_cast<StoredProperty*>(handle);
        if (key != p->key) return nullptr;
        *size = p->value.size();
        *type = p->type;
        *flags = p->flags;
        return p->value.data();
      },
      &given, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features_->list);
  return status == LV2_STATE_SUCCESS;
}

void Lv2PluginProcessor::printInfo(const std::string& path, std::FILE* out) {
  std::fprintf(out, "plug-in:    %s (LV2)\n", path.c_str());
  std::fprintf(out, "name:       %s\n", pluginName().c_str());
  std::fprintf(out, "uri:        %s\n", lilv_node_as_uri(lilv_plugin_get_uri(plugin_)));
  std::fprintf(out, "inputs:     %d\n", numInputs());
  std::fprintf(out, "outputs:    %d\n", numOutputs());
  std::fprintf(out, "latency:    %d samples\n", latencySamples());
  std::fprintf(out, "parameters: %d\n", numParams());
  for (int i = 0; i < numParams(); ++i) {
    const Control& c = controls_[static_cast<std::size_t>(i)];
    std::fprintf(out, "  %3d  %-24s %g%s%s  [%g .. %g]\n", i, c.name.c_str(),
                 static_cast<double>(c.value), c.unit.empty() ? "" : " ", c.unit.c_str(),
                 static_cast<double>(c.minimum), static_cast<double>(c.maximum));
  }
  std::fprintf(out, "programs:   %d\n", numPrograms());
  for (int p = 0; p < numPrograms(); ++p)
    std::fprintf(out, "  %3d  %s%s\n", p + 1, presets_[static_cast<std::size_t>(p)].label.c_str(),
                 p == program_ ? "  (current)" : "");
}

// quendral offers these requests as extension data of its own.
bool Lv2PluginProcessor::loadOwnSetFile(const std::string& path, std::string& answer) {
  const void* calls =
      lilv_instance_get_extension_data(instance_, panner::own_set_file::kLv2ExtensionUri);
  if (!calls) return PluginProcessor::loadOwnSetFile(path, answer);
  return loadThroughCalls(calls, lilv_instance_get_handle(instance_), path, answer);
}

std::string Lv2PluginProcessor::ownSetDescription() {
  const void* calls =
      lilv_instance_get_extension_data(instance_, panner::own_set_file::kLv2ExtensionUri);
  return calls ? describeThroughCalls(calls, lilv_instance_get_handle(instance_)) : "";
}

}  // namespace render
