// A loaded LV2 plug-in as quendral-render's processor, hosted through lilv as LV2 hosts
// load plug-ins: the bundle (or the URI on the LV2 path) is read, the plug-in instantiated
// with a URID map, and its ports found by their types. Parameters are the control input
// ports in port order; setParameter's 0..1 is placed in each port's range (rounded for
// integer, toggled and enumerated ports), since an LV2 port speaks its own unit. MIDI and
// the host's time go through the atom input as midi:MidiEvent and time:Position events;
// the state is the state interface's properties. LV2 leaves a value's text to the host and
// has no text-to-value: those answers are empty.
#pragma once

#include <lilv/lilv.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plugin_processor.h"

namespace render {

class Lv2PluginProcessor : public PluginProcessor {
 public:
  // Loads the bundle folder or the URI. Throws RenderError when neither names an LV2
  // plug-in, or the plug-in cannot be instantiated at start().
  explicit Lv2PluginProcessor(const std::string& bundleOrUri);
  ~Lv2PluginProcessor() override;

  int numInputs() const override { return static_cast<int>(audioIn_.size()); }
  int numOutputs() const override { return static_cast<int>(audioOut_.size()); }
  int32_t uniqueId() override { return 0; }
  int numParams() override { return static_cast<int>(controls_.size()); }
  std::vector<std::string> parameterNames() override;
  int numPrograms() override { return static_cast<int>(presets_.size()); }
  // Applies the preset's port values, as a host applies an LV2 preset.
  void selectProgram(int index) override;
  int latencySamples() override;
  int tailSamples() override { return 0; }
  void setTempo(double beatsPerMinute) override { tempo_ = beatsPerMinute; }
  void setSamplePosition(double position) override { position_ = position; }
  void setParameter(int index, float value) override;
  void process(float** inputs, float** outputs, int frames) override;
  void start(double sampleRate, int blockSize) override;
  void stop() override;
  void printInfo(const std::string& path, std::FILE* out) override;
  // The state interface's properties; they hold the whole state, so `program` is refused.
  std::vector<uint8_t> stateChunk(bool program) override;
  bool setStateChunk(const std::vector<uint8_t>& bytes, bool program) override;
  bool loadOwnSetFile(const std::string& path, std::string& answer) override;
  std::string ownSetDescription() override;
  std::string programName() override;

  std::string pluginName() override;
  float getParameter(int index) override;
  std::string parameterUnit(int index) override;
  int parameterSteps(int index) override;
  std::vector<std::string> programNames() override;
  int currentProgram() override { return program_; }
  void sendMidi(unsigned char status, unsigned char data1, unsigned char data2) override;
  void setTransportPlaying(bool playing) override { playing_ = playing; }
  void setTempoValid(bool valid) override { tempoValid_ = valid; }

  // A port's value in its own unit, as an LV2 host writes it.
  void setPortValue(int index, float value);
  float portValue(int index) const;

 private:
  struct Control {
    uint32_t port;
    std::string name;
    std::string unit;
    float minimum, maximum, defaultValue;
    bool integer, toggled, enumeration;
    float value;
  };
  struct Preset {
    std::string uri;
    std::string label;
  };

  void instantiate(double sampleRate);
  void connectAndRun(float** inputs, float** outputs, uint32_t frames);
  void writeEvents();
  uint32_t urid(const char* uri);
  static uint32_t mapUri(void* handle, const char* uri);
  static const char* unmapUrid(void* handle, uint32_t urid);

  LilvWorld* world_ = nullptr;
  const LilvPlugin* plugin_ = nullptr;
  LilvInstance* instance_ = nullptr;
  std::vector<Control> controls_;
  std::vector<uint32_t> audioIn_, audioOut_;
  int latencyPort_ = -1;
  int eventsPort_ = -1;
  std::vector<uint32_t> otherAtomPorts_;
  float latency_ = 0.0f;
  std::vector<Preset> presets_;
  int program_ = 0;

  // The URID map the plug-in is given, with its unmap.
  std::map<std::string, uint32_t> ids_;
  std::vector<std::string> uris_;
  struct Features;
  std::unique_ptr<Features> features_;

  // Atom buffers: the input sequence written before each run, the others given room.
  std::vector<uint64_t> eventsIn_, eventsOut_;
  std::vector<uint8_t> pendingMidi_;  // three bytes per message
  // The URIDs the audio thread writes, mapped once (mapping may allocate).
  uint32_t uridPosition_ = 0, uridFrame_ = 0, uridSpeed_ = 0, uridTempo_ = 0, uridBeatUnit_ = 0,
           uridBeat_ = 0, uridMidi_ = 0, uridChunk_ = 0;
  double tempo_ = 120.0;
  bool tempoValid_ = true;
  bool playing_ = true;
  double position_ = 0.0;
  double sampleRate_ = 44100.0;
  int blockSize_ = 512;
  std::vector<float> silence_, discard_;
};

}  // namespace render
