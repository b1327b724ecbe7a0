// A loaded VST3 plug-in as quendral-render's processor. Parameters are addressed by their
// index in the controller's list; a change set between blocks reaches the processor at the
// start of the next block, as hosts deliver automation. Programs are the root unit's
// program list, selected through the plug-in's program-change parameter.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin_processor.h"
#include "vst3_plugin.h"

namespace render {

class Vst3PluginProcessor : public PluginProcessor {
 public:
  // Loads the bundle or binary. Throws RenderError when it is missing, not a VST3 module,
  // or the plug-in refuses to load.
  explicit Vst3PluginProcessor(const std::string& path);
  ~Vst3PluginProcessor() override;

  vst3host::Vst3Plugin& plugin() { return *plugin_; }

  int numInputs() const override { return plugin_->numInputs(); }
  int numOutputs() const override { return plugin_->numOutputs(); }
  int32_t uniqueId() override { return 0; }  // a VST3 class is named by its 16-byte id
  int numParams() override { return plugin_->parameterCount(); }
  std::vector<std::string> parameterNames() override;
  int numPrograms() override;
  void selectProgram(int index) override;
  int latencySamples() override;
  int tailSamples() override;
  void setTempo(double beatsPerMinute) override { plugin_->setTempo(beatsPerMinute); }
  void setSamplePosition(double position) override { plugin_->setSamplePosition(position); }

  void setParameter(int index, float value) override { plugin_->setParameter(index, value); }
  void process(float** inputs, float** outputs, int frames) override;

  void start(double sampleRate, int blockSize) override;
  void stop() override;
  void printInfo(const std::string& path, std::FILE* out) override;

  // The component's whole state; VST3 has no chunk of one program, so `program` is refused.
  std::vector<uint8_t> stateChunk(bool program) override;
  bool setStateChunk(const std::vector<uint8_t>& bytes, bool program) override;
  bool loadOwnSetFile(const std::string& path, std::string& answer) override;
  std::string ownSetDescription() override;
  std::string programName() override;
  std::string pluginName() override { return plugin_->classDescription().name; }
  float getParameter(int index) override {
    return static_cast<float>(plugin_->getParameter(index));
  }
  std::string parameterUnit(int index) override;
  std::string parameterDisplay(int index) override { return plugin_->parameterDisplay(index); }
  bool valueFromText(int index, const std::string& text, float& value) override;
  int parameterSteps(int index) override;
  std::vector<std::string> programNames() override { return plugin_->programNames(); }
  int currentProgram() override;
  // A control change goes as the host sends it: a change of the parameter the controller
  // is mapped to (IMidiMapping), at the start of the next block, value / 127.
  void sendMidi(unsigned char status, unsigned char data1, unsigned char data2) override;
  void setTransportPlaying(bool playing) override { plugin_->setTransportPlaying(playing); }
  void setTempoValid(bool valid) override { plugin_->setTempoValid(valid); }
  bool setBypass(bool on) override;

 private:
  std::unique_ptr<vst3host::Vst3Plugin> plugin_;
  int programParameter_ = -1;
};

}  // namespace render
