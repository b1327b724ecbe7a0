// A loaded plug-in of any format as quendral-render drives it: what the render loop needs
// (render_loop.h's AudioProcessor) plus start-up and shut-down, parameters by name,
// programs, latency and tail, the host's transport, MIDI controllers, state and the --info
// report. One class per format implements it (VstPluginProcessor, Vst3PluginProcessor,
// Lv2PluginProcessor, ClapPluginProcessor); openPlugin picks it. Where a format offers less, the
// answer says so (an empty text, no steps, a RenderError) instead of making something up.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "render_loop.h"

namespace render {

// Room for a plug-in's one-line answers about its own set.
constexpr std::size_t kAnswerCapacity = 1024;

// quendral's own-set calls as CLAP and LV2 offer them (core/own_set_file_extension.h),
// through a buffer of kAnswerCapacity: the load's answer, and the line on the set in place.
bool loadThroughCalls(const void* calls, const void* instance, const std::string& path,
                      std::string& answer);
std::string describeThroughCalls(const void* calls, const void* instance);

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
  // quendral's own request (own_set_file_extension.h): the plug-in reads the SOFA file at
  // `path` and makes it its own set, switched on. True when it did; `answer` is the set's
  // description or why the file was refused. Throws RenderError for a plug-in that takes
  // no file this way.
  virtual bool loadOwnSetFile(const std::string& path, std::string& answer);
  // The plug-in's one line on its own set in place; empty for one that cannot say.
  virtual std::string ownSetDescription() { return ""; }
  virtual int32_t pluginVersion() { return 0; }

  // The name the plug-in goes by, and its vendor where the format says.
  virtual std::string pluginName() = 0;
  // A parameter's value as setParameter takes it: 0..1 over the parameter's range (an LV2
  // port's value placed in the port's range).
  virtual float getParameter(int index) = 0;
  // The parameter's unit as the plug-in labels it ("dB"), without padding.
  virtual std::string parameterUnit(int index) = 0;
  // The text the plug-in shows for the current value; empty where the format leaves texts
  // to the host (LV2 ports carry a value and a unit only).
  virtual std::string parameterDisplay(int) { return ""; }
  // The value a typed text stands for; false when the plug-in refuses the text or the
  // format has no text-to-value (VST2, LV2).
  virtual bool valueFromText(int, const std::string&, float&) { return false; }
  // Discrete steps of the parameter: 0 for a continuous one, -1 where the format does not
  // tell (VST2).
  virtual int parameterSteps(int index) = 0;
  virtual std::vector<std::string> programNames() = 0;
  // The program now selected, 0-based.
  virtual int currentProgram() = 0;
  // A MIDI channel message, delivered with the next block.
  virtual void sendMidi(unsigned char status, unsigned char data1, unsigned char data2) = 0;
  // The host's transport: whether it plays, and whether it reports a tempo at all.
  virtual void setTransportPlaying(bool playing) = 0;
  virtual void setTempoValid(bool valid) = 0;
  // Bypass as the format offers it (VST2's opcode, VST3's bypass parameter); false when the
  // format has none (LV2).
  virtual bool setBypass(bool) { return false; }
};

// Loads the plug-in at path: a VST3 bundle (a folder or file ending in .vst3) or a VST3
// binary (exporting GetPluginFactory), a CLAP file (ending in .clap), an LV2 bundle (a folder
// holding a manifest.ttl) or an LV2 plug-in's URI (lilv finds it on the LV2 path), otherwise
// a VST 2.4 plug-in. Throws
// RenderError when the file is missing, of neither format, or the plug-in refuses to load.
std::unique_ptr<PluginProcessor> openPlugin(const std::string& path);

}  // namespace render
