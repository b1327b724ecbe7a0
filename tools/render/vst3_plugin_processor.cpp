#include "vst3_plugin_processor.h"

#include <cmath>

#include "plugin_info.h"
#include "render_error.h"
#include "vst3_own_set_file.h"

namespace render {

namespace {
// Latency and tail beyond this are not believed (kInfiniteTail and the like).
constexpr uint32_t kMaxBelievedSamples = 1u << 30;
}  // namespace

Vst3PluginProcessor::Vst3PluginProcessor(const std::string& path) {
  std::string error;
  plugin_ = vst3host::Vst3Plugin::load(path, error);
  if (!plugin_) throw RenderError(error);
  programParameter_ = plugin_->parameterWithFlag(vst3::ParameterInfo::kIsProgramChange);
}

Vst3PluginProcessor::~Vst3PluginProcessor() { stop(); }

std::vector<std::string> Vst3PluginProcessor::parameterNames() {
  std::vector<std::string> names;
  for (const auto& p : plugin_->parameters()) names.push_back(p.title);
  return names;
}

int Vst3PluginProcessor::numPrograms() {
  if (programParameter_ < 0) return 0;
  return static_cast<int>(plugin_->programNames().size());
}

void Vst3PluginProcessor::selectProgram(int index) {
  const int steps =
      programParameter_ < 0
          ? 0
          : plugin_->parameters()[static_cast<std::size_t>(programParameter_)].stepCount;
  if (steps < 1) return;
  plugin_->setParameter(programParameter_, static_cast<double>(index) / steps);
}

int Vst3PluginProcessor::latencySamples() {
  const uint32_t latency = plugin_->latencySamples();
  return latency < kMaxBelievedSamples ? static_cast<int>(latency) : 0;
}

int Vst3PluginProcessor::tailSamples() {
  const uint32_t tail = plugin_->tailSamples();
  return tail < kMaxBelievedSamples ? static_cast<int>(tail) : 0;
}

std::vector<uint8_t> Vst3PluginProcessor::stateChunk(bool program) {
  if (program) throw RenderError("a VST3 plug-in saves its whole state only, not one program");
  return plugin_->getState();
}

bool Vst3PluginProcessor::setStateChunk(const std::vector<uint8_t>& bytes, bool program) {
  if (program) throw RenderError("a VST3 plug-in takes its whole state only, not one program");
  return plugin_->setState(bytes) == vst3::kResultOk;
}

std::string Vst3PluginProcessor::programName() {
  const std::vector<std::string> names = plugin_->programNames();
  const int current = currentProgram();
  return current >= 0 && current < static_cast<int>(names.size())
             ? names[static_cast<std::size_t>(current)]
             : "";
}

std::string Vst3PluginProcessor::parameterUnit(int index) {
  return plugin_->parameters()[static_cast<std::size_t>(index)].units;
}

bool Vst3PluginProcessor::valueFromText(int index, const std::string& text, float& value) {
  double parsed = 0.0;
  if (!plugin_->valueFromText(index, text, parsed)) return false;
  value = static_cast<float>(parsed);
  return true;
}

int Vst3PluginProcessor::parameterSteps(int index) {
  return plugin_->parameters()[static_cast<std::size_t>(index)].stepCount;
}

int Vst3PluginProcessor::currentProgram() {
  if (programParameter_ < 0) return 0;
  const int steps = parameterSteps(programParameter_);
  return static_cast<int>(std::lround(plugin_->getParameter(programParameter_) * steps));
}

void Vst3PluginProcessor::sendMidi(unsigned char status, unsigned char data1, unsigned char data2) {
  // Only controllers have a mapping in VST3, and only a MIDI data byte names one.
  if ((status & 0xF0) != 0xB0 || data1 > 127) return;
  vst3::ParamID id = 0;
  if (!plugin_->midiControllerParameter(static_cast<int16_t>(status & 0x0F),
                                        static_cast<int16_t>(data1 & 0x7F), id))
    return;
  plugin_->queueParameterChange(id, (data2 & 0x7F) / 127.0);
}

bool Vst3PluginProcessor::setBypass(bool on) {
  const int32_t bypass = plugin_->parameterWithFlag(vst3::ParameterInfo::kIsBypass);
  if (bypass < 0) return false;
  plugin_->setParameter(bypass, on ? 1.0 : 0.0);
  return true;
}

void Vst3PluginProcessor::process(float** inputs, float** outputs, int frames) {
  plugin_->process(inputs, outputs, frames);
}

void Vst3PluginProcessor::start(double sampleRate, int blockSize) {
  std::string error;
  if (!plugin_->open(sampleRate, blockSize, error)) throw RenderError(error);
}

void Vst3PluginProcessor::stop() { plugin_->close(); }

void Vst3PluginProcessor::printInfo(const std::string& path, std::FILE* out) {
  const vst3host::ClassDescription& c = plugin_->classDescription();
  std::fprintf(out, "plug-in:    %s (VST3)\n", path.c_str());
  std::fprintf(out, "name:       %s\n", displayText(c.name).c_str());
  std::fprintf(out, "vendor:     %s\n",
               displayText(c.vendor.empty() ? plugin_->factoryVendor() : c.vendor).c_str());
  std::fprintf(out, "version:    %s (%s)\n", c.version.c_str(), c.sdkVersion.c_str());
  std::fprintf(out, "category:   %s\n", c.subCategories.c_str());
  std::string id;
  for (char byte : c.cid.bytes) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(byte));
    id += hex;
  }
  std::fprintf(out, "class id:   %s\n", id.c_str());
  std::fprintf(out, "inputs:     %d\n", numInputs());
  std::fprintf(out, "outputs:    %d\n", numOutputs());
  std::fprintf(out, "latency:    %d samples\n", latencySamples());
  std::fprintf(out, "controller: %s\n", plugin_->singleObject() ? "in the component" : "separate");

  std::fprintf(out, "parameters: %d\n", plugin_->parameterCount());
  for (int i = 0; i < plugin_->parameterCount(); ++i) {
    const vst3host::ParameterDescription& p = plugin_->parameters()[static_cast<std::size_t>(i)];
    std::string flags;
    if (p.flags & vst3::ParameterInfo::kIsBypass) flags += " bypass";
    if (p.flags & vst3::ParameterInfo::kIsProgramChange) flags += " program-change";
    if (p.flags & vst3::ParameterInfo::kIsReadOnly) flags += " read-only";
    if (p.stepCount > 0) flags += " steps=" + std::to_string(p.stepCount);
    std::fprintf(out, "  %3d  %-24s %s%s  [%.6f]%s\n", i, displayText(p.title).c_str(),
                 displayText(plugin_->parameterDisplay(i)).c_str(), displayText(p.units).c_str(),
                 plugin_->getParameter(i), flags.c_str());
  }

  const std::vector<std::string> programs = plugin_->programNames();
  std::fprintf(out, "programs:   %d\n",
               programParameter_ < 0 ? 0 : static_cast<int>(programs.size()));
  if (programParameter_ < 0) return;
  const int steps = plugin_->parameters()[static_cast<std::size_t>(programParameter_)].stepCount;
  const int current =
      static_cast<int>(std::lround(plugin_->getParameter(programParameter_) * steps));
  for (std::size_t p = 0; p < programs.size(); ++p)
    std::fprintf(out, "  %3d  %s%s\n", static_cast<int>(p) + 1, displayText(programs[p]).c_str(),
                 static_cast<int>(p) == current ? "  (current)" : "");
}

// quendral's component offers an interface of its own for these requests.
bool Vst3PluginProcessor::loadOwnSetFile(const std::string& path, std::string& answer) {
  void* found = nullptr;
  if (plugin_->component()->queryInterface(vst3::IQuendralOwnSetFile::iid.bytes, &found) !=
          vst3::kResultOk ||
      !found)
    return PluginProcessor::loadOwnSetFile(path, answer);
  auto* calls = static_cast<vst3::IQuendralOwnSetFile*>(found);
  std::vector<char> buffer(kAnswerCapacity, '\0');
  const bool loaded =
      calls->loadOwnSetFile(path.c_str(), buffer.data(),
                            static_cast<vst3::uint32>(buffer.size())) == vst3::kResultOk;
  calls->release();
  buffer.back() = '\0';
  answer = buffer.data();
  return loaded;
}

std::string Vst3PluginProcessor::ownSetDescription() {
  void* found = nullptr;
  if (plugin_->component()->queryInterface(vst3::IQuendralOwnSetFile::iid.bytes, &found) !=
          vst3::kResultOk ||
      !found)
    return "";
  auto* calls = static_cast<vst3::IQuendralOwnSetFile*>(found);
  std::vector<char> line(kAnswerCapacity, '\0');
  calls->describeOwnSet(line.data(), static_cast<vst3::uint32>(line.size()));
  calls->release();
  line.back() = '\0';
  return line.data();
}

}  // namespace render
