// A loaded VST2 plug-in as quendral-render's processor: loading with a one-line error,
// the start-up and shut-down calls a host makes around a render, and the processing call
// the plug-in supports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "plugin_processor.h"

namespace render {

class VstPluginProcessor : public PluginProcessor {
 public:
  // Loads the plug-in. Throws RenderError when the file is missing, not a VST2 plug-in,
  // or the plug-in refuses to load.
  explicit VstPluginProcessor(const std::string& path);
  ~VstPluginProcessor() override;

  vsthost::PluginHost& host() { return *host_; }
  const AEffect& effect() const { return *host_->effect(); }

  int numInputs() const override { return host_->effect()->numInputs; }
  int numOutputs() const override { return host_->effect()->numOutputs; }
  int32_t uniqueId() override { return host_->effect()->uniqueID; }
  int numParams() override { return host_->effect()->numParams; }
  int numPrograms() override { return host_->effect()->numPrograms; }
  void selectProgram(int index) override { host_->setProgram(index); }
  int latencySamples() override { return host_->effect()->initialDelay; }
  int tailSamples() override;
  std::vector<std::string> parameterNames() override;
  void setTempo(double beatsPerMinute) override { host_->setTempo(beatsPerMinute); }
  void setSamplePosition(double position) override { host_->setSamplePosition(position); }

  void setParameter(int index, float value) override { host_->setParameter(index, value); }
  void process(float** inputs, float** outputs, int frames) override;

  // effOpen, rate, block size and resume; then effStartProcess before the first block.
  void start(double sampleRate, int blockSize) override;
  // effStopProcess and suspend, as a host does when playback stops.
  void stop() override;
  void printInfo(const std::string& path, std::FILE* out) override;
  std::vector<uint8_t> stateChunk(bool program) override;
  bool setStateChunk(const std::vector<uint8_t>& bytes, bool program) override;
  bool loadOwnSetFile(const std::string& path, std::string& answer) override;
  std::string ownSetDescription() override;
  std::string programName() override { return host_->programName(); }
  int32_t pluginVersion() override { return host_->effect()->version; }
  std::string pluginName() override { return host_->effectName(); }
  float getParameter(int index) override { return host_->getParameter(index); }
  std::string parameterUnit(int index) override;
  std::string parameterDisplay(int index) override { return host_->parameterDisplay(index); }
  int parameterSteps(int) override { return -1; }
  std::vector<std::string> programNames() override;
  int currentProgram() override { return host_->program(); }
  // Sent at once with effProcessEvents: the plug-in applies it before the next block.
  void sendMidi(unsigned char status, unsigned char data1, unsigned char data2) override {
    host_->sendMidi({{status, data1, data2, 0}});
  }
  void setTransportPlaying(bool playing) override { host_->setTransportPlaying(playing); }
  void setTempoValid(bool valid) override { host_->setTempoValid(valid); }
  bool setBypass(bool on) override;

 private:
  std::unique_ptr<vsthost::PluginHost> host_;
  bool started_ = false;
};

}  // namespace render
