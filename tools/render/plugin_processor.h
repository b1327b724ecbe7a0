// A loaded plug-in of any format as quendral-render drives it: what the render loop needs
// (render_loop.h's AudioProcessor) plus start-up and shut-down, parameters by name,
// programs, latency and tail, the host's transport and the --info report. One class per
// format implements it (VstPluginProcessor, Vst3PluginProcessor); openPlugin picks it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "render_loop.h"

namespace render {

class PluginProcessor : public AudioProcessor {
 public:
  // The VST 2.4 unique ID (four characters packed big-endian); 0 for a format without one.
  virtual int32_t uniqueId() = 0;
  virtual int numParams() = 0;
  virtual std::vector<std::string> parameterNames() = 0;
  virtual int numPrograms() = 0;
  virtual void selectProgram(int index) = 0;  // 0-based
  // Latency the plug-in reports, in samples (its output lags its input by this much).
  virtual int latencySamples() = 0;
  // The plug-in's own tail in samples, or 0 when it reports none.
  virtual int tailSamples() = 0;

  // The host's transport: tempo, and the position of the next block's first sample.
  virtual void setTempo(double beatsPerMinute) = 0;
  virtual void setSamplePosition(double position) = 0;

  // Prepares the plug-in to process at the rate in blocks of at most blockSize; throws
  // RenderError when the plug-in refuses.
  virtual void start(double sampleRate, int blockSize) = 0;
  // As a host does when playback stops.
  virtual void stop() = 0;

  // The --info report: identity, I/O, latency, every parameter and the programs. The
  // plug-in must have been started.
  virtual void printInfo(const std::string& path, std::FILE* out) = 0;

  // The plug-in's opaque state chunk (the bank, or with `program` the current program), as
  // a host saves it in projects and presets, and handing one back. Formats that do not
  // offer chunks here throw RenderError.
  virtual std::vector<uint8_t> stateChunk(bool program);
  // True when the plug-in took it.
  virtual bool setStateChunk(const std::vector<uint8_t>& bytes, bool program);
  virtual std::string programName() { return ""; }
  virtual int32_t pluginVersion() { return 0; }
};

// Loads the plug-in at path: a VST3 bundle (a folder or file ending in .vst3) or a VST3
// binary (exporting GetPluginFactory), otherwise a VST 2.4 plug-in. Throws RenderError
// when the file is missing, of neither format, or the plug-in refuses to load.
std::unique_ptr<PluginProcessor> openPlugin(const std::string& path);

}  // namespace render
