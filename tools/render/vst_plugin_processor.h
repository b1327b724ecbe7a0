// A loaded VST2 plug-in as the render loop's processor: loading with a one-line error,
// the start-up and shut-down calls a host makes around a render, and the processing call
// the plug-in supports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "render_loop.h"

namespace render {

class VstPluginProcessor : public AudioProcessor {
 public:
  // Loads the plug-in. Throws RenderError when the file is missing, not a VST2 plug-in,
  // or the plug-in refuses to load.
  explicit VstPluginProcessor(const std::string& path);
  ~VstPluginProcessor() override;

  vsthost::PluginHost& host() { return *host_; }
  const AEffect& effect() const { return *host_->effect(); }

  int numInputs() const override { return host_->effect()->numInputs; }
  int numOutputs() const override { return host_->effect()->numOutputs; }
  int numParams() const { return host_->effect()->numParams; }
  int numPrograms() const { return host_->effect()->numPrograms; }
  int initialDelay() const { return host_->effect()->initialDelay; }
  // The plug-in's own tail in samples, or 0 when it reports none.
  int tailSamples();
  std::vector<std::string> parameterNames();

  void setParameter(int index, float value) override { host_->setParameter(index, value); }
  void process(float** inputs, float** outputs, int frames) override;

  // effOpen, rate, block size and resume; then effStartProcess before the first block.
  void start(double sampleRate, int blockSize);
  // effStopProcess and suspend, as a host does when playback stops.
  void stop();

 private:
  std::unique_ptr<vsthost::PluginHost> host_;
  bool started_ = false;
};

}  // namespace render
