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

 private:
  std::unique_ptr<vst3host::Vst3Plugin> plugin_;
  int programParameter_ = -1;
};

}  // namespace render
