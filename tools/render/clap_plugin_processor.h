// A loaded CLAP plug-in as quendral-render's processor. Parameters are addressed by their
// index in the plug-in's list, their values 0..1 over each parameter's range (a stepped one
// rounded to its steps); a change set between blocks reaches the plug-in as an event at the
// start of the next block. Programs are the plug-in's enumerated program parameter where it
// has one (quendral's "Program"); the transport goes with every block.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "clap_plugin.h"
#include "plugin_processor.h"

namespace render {

class ClapPluginProcessor : public PluginProcessor {
 public:
  // Loads the .clap file. Throws RenderError when it is missing, not a CLAP module, or the
  // plug-in refuses to load.
  explicit ClapPluginProcessor(const std::string& path);
  ~ClapPluginProcessor() override;

  claphost::ClapPlugin& plugin() { return *plugin_; }

  int numInputs() const override { return static_cast<int>(plugin_->mainChannels(true)); }
  int numOutputs() const override { return static_cast<int>(plugin_->mainChannels(false)); }
  int32_t uniqueId() override { return 0; }  // a CLAP plug-in is named by its id string
  int numParams() override { return static_cast<int>(plugin_->params().size()); }
  std::vector<std::string> parameterNames() override;
  int numPrograms() override;
  void selectProgram(int index) override;
  int latencySamples() override;
  int tailSamples() override;
  void setTempo(double beatsPerMinute) override { tempo_ = beatsPerMinute; }
  void setSamplePosition(double position) override { position_ = position; }

  void setParameter(int index, float value) override;
  void process(float** inputs, float** outputs, int frames) override;

  void start(double sampleRate, int blockSize) override;
  void stop() override;
  void printInfo(const std::string& path, std::FILE* out) override;

  // The plug-in's whole state; CLAP has no state of one program, so `program` is refused.
  std::vector<uint8_t> stateChunk(bool program) override;
  bool setStateChunk(const std::vector<uint8_t>& bytes, bool program) override;
  bool loadOwnSetFile(const std::string& path, std::string& answer) override;
  std::string ownSetDescription() override;
  std::string programName() override;
  std::string pluginName() override { return plugin_->descriptor().name; }
  float getParameter(int index) override;
  std::string parameterUnit(int) override { return ""; }  // CLAP's texts carry the unit
  std::string parameterDisplay(int index) override;
  bool valueFromText(int index, const std::string& text, float& value) override;
  int parameterSteps(int index) override;
  std::vector<std::string> programNames() override;
  int currentProgram() override;
  void sendMidi(unsigned char status, unsigned char data1, unsigned char data2) override;
  void setTransportPlaying(bool playing) override { playing_ = playing; }
  void setTempoValid(bool valid) override { tempoValid_ = valid; }
  bool setBypass(bool on) override;

 private:
  const claphost::ParamDescription& param(int index) const {
    return plugin_->params()[static_cast<std::size_t>(index)];
  }
  // The plug-in's value for 0..1 over the parameter's range, and back.
  double plain(int index, double normalised) const;
  double normalised(int index, double plainValue) const;
  int parameterWithFlag(uint32_t flag) const;

  std::unique_ptr<claphost::ClapPlugin> plugin_;
  double sampleRate_ = 44100.0;
  int maxBlock_ = 1;  // frames per process call, as activated
  double tempo_ = 120.0;
  double position_ = 0.0;  // samples
  bool playing_ = true;
  bool tempoValid_ = true;
  int programParameter_ = -1;
};

}  // namespace render
