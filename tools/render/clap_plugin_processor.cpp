#include "clap_plugin_processor.h"

#include <algorithm>
#include <cmath>

#include "own_set_file_extension.h"
#include "plugin_info.h"
#include "render_error.h"

namespace render {

namespace {
// Latency and tail beyond this are not believed (an "infinite" tail and the like).
constexpr uint32_t kMaxBelievedSamples = 1u << 30;
}  // namespace

ClapPluginProcessor::ClapPluginProcessor(const std::string& path) {
  std::string error;
  plugin_ = claphost::ClapPlugin::load(path, error);
  if (!plugin_) throw RenderError(error);
  for (size_t i = 0; i < plugin_->params().size(); ++i) {
    const uint32_t flags = plugin_->params()[i].flags;
    // An enumerated parameter the host cannot automate selects among programs.
    if ((flags & clapabi::kParamIsEnum) && !(flags & clapabi::kParamIsAutomatable) &&
        plugin_->params()[i].name == "Program")
      programParameter_ = static_cast<int>(i);
  }
}

ClapPluginProcessor::~ClapPluginProcessor() { stop(); }

double ClapPluginProcessor::plain(int index, double value) const {
  const claphost::ParamDescription& p = param(index);
  const double v = p.minValue + std::clamp(value, 0.0, 1.0) * (p.maxValue - p.minValue);
  return (p.flags & clapabi::kParamIsStepped) ? std::round(v) : v;
}

double ClapPluginProcessor::normalised(int index, double value) const {
  const claphost::ParamDescription& p = param(index);
  return p.maxValue > p.minValue ? (value - p.minValue) / (p.maxValue - p.minValue) : 0.0;
}

int ClapPluginProcessor::parameterWithFlag(uint32_t flag) const {
  for (size_t i = 0; i < plugin_->params().size(); ++i)
    if (plugin_->params()[i].flags & flag) return static_cast<int>(i);
  return -1;
}

std::vector<std::string> ClapPluginProcessor::parameterNames() {
  std::vector<std::string> names;
  for (const auto& p : plugin_->params()) names.push_back(p.name);
  return names;
}

int ClapPluginProcessor::numPrograms() {
  return programParameter_ < 0 ? 0 : parameterSteps(programParameter_) + 1;
}

void ClapPluginProcessor::selectProgram(int index) {
  if (programParameter_ < 0) return;
  plugin_->setParam(param(programParameter_).id, index);
}

int ClapPluginProcessor::latencySamples() {
  const uint32_t latency = plugin_->latency();
  return latency < kMaxBelievedSamples ? static_cast<int>(latency) : 0;
}

int ClapPluginProcessor::tailSamples() {
  const uint32_t tail = plugin_->tail();
  return tail < kMaxBelievedSamples ? static_cast<int>(tail) : 0;
}

void ClapPluginProcessor::setParameter(int index, float value) {
  if (index < 0 || index >= numParams()) return;
  plugin_->setParam(param(index).id, plain(index, value));
  if (!plugin_->isActive()) plugin_->flush();
}

float ClapPluginProcessor::getParameter(int index) {
  return static_cast<float>(normalised(index, plugin_->value(param(index).id)));
}

std::string ClapPluginProcessor::parameterDisplay(int index) {
  return plugin_->text(param(index).id, plugin_->value(param(index).id));
}

bool ClapPluginProcessor::valueFromText(int index, const std::string& text, float& value) {
  double parsed = 0.0;
  if (!plugin_->valueFromText(param(index).id, text, parsed)) return false;
  value = static_cast<float>(normalised(index, parsed));
  return true;
}

int ClapPluginProcessor::parameterSteps(int index) {
  const claphost::ParamDescription& p = param(index);
  if (!(p.flags & clapabi::kParamIsStepped)) return 0;
  return static_cast<int>(std::lround(p.maxValue - p.minValue));
}

std::vector<std::string> ClapPluginProcessor::programNames() {
  std::vector<std::string> names;
  for (int p = 0; p < numPrograms(); ++p)
    names.push_back(plugin_->text(param(programParameter_).id, p));
  return names;
}

int ClapPluginProcessor::currentProgram() {
  if (programParameter_ < 0) return 0;
  return static_cast<int>(std::lround(plugin_->value(param(programParameter_).id)));
}

std::string ClapPluginProcessor::programName() {
  const int current = currentProgram();
  const std::vector<std::string> names = programNames();
  return current >= 0 && current < static_cast<int>(names.size())
             ? names[static_cast<size_t>(current)]
             : "";
}

void ClapPluginProcessor::sendMidi(unsigned char status, unsigned char data1, unsigned char data2) {
  plugin_->midi(status, data1, data2);
}

bool ClapPluginProcessor::setBypass(bool on) {
  const int bypass = parameterWithFlag(clapabi::kParamIsBypass);
  if (bypass < 0) return false;
  plugin_->setParam(param(bypass).id, on ? 1.0 : 0.0);
  return true;
}

void ClapPluginProcessor::process(float** inputs, float** outputs, int frames) {
  // A CLAP host never hands more frames than it activated the plug-in for: a longer block
  // goes in pieces, each with its own transport.
  for (int done = 0; done < frames;) {
    const int n = std::min(frames - done, maxBlock_);
    float* in[8] = {};
    float* out[8] = {};
    for (int c = 0; c < std::min(numInputs(), 8); ++c)
      in[c] = inputs && inputs[c] ? inputs[c] + done : nullptr;
    for (int c = 0; c < std::min(numOutputs(), 8); ++c)
      out[c] = outputs && outputs[c] ? outputs[c] + done : nullptr;
    plugin_->setTransport(true, tempo_, position_ / sampleRate_ * tempo_ / 60.0, playing_,
                          tempoValid_);
    plugin_->process(inputs ? in : nullptr, outputs ? out : nullptr, static_cast<uint32_t>(n));
    position_ += n;  // the next block starts where this one ended, as a host's clock runs
    done += n;
  }
}

void ClapPluginProcessor::start(double sampleRate, int blockSize) {
  std::string error;
  sampleRate_ = sampleRate;
  maxBlock_ = std::max(blockSize, 1);
  if (!plugin_->activate(sampleRate, static_cast<uint32_t>(maxBlock_), error))
    throw RenderError(error);
}

void ClapPluginProcessor::stop() { plugin_->deactivate(); }

std::vector<uint8_t> ClapPluginProcessor::stateChunk(bool program) {
  if (program) throw RenderError("a CLAP plug-in saves its whole state only, not one program");
  std::vector<uint8_t> bytes = plugin_->saveState();
  if (bytes.empty()) throw RenderError("the plug-in saved no state");
  return bytes;
}

bool ClapPluginProcessor::setStateChunk(const std::vector<uint8_t>& bytes, bool program) {
  if (program) throw RenderError("a CLAP plug-in takes its whole state only, not one program");
  return plugin_->loadState(bytes);
}

void ClapPluginProcessor::printInfo(const std::string& path, std::FILE* out) {
  const clapabi::PluginDescriptor& d = plugin_->descriptor();
  std::string features;
  for (const std::string& f : plugin_->features()) features += (features.empty() ? "" : " ") + f;
  std::fprintf(out, "plug-in:    %s (CLAP)\n", path.c_str());
  std::fprintf(out, "name:       %s\n", displayText(d.name ? d.name : "").c_str());
  std::fprintf(out, "vendor:     %s\n", displayText(d.vendor ? d.vendor : "").c_str());
  std::fprintf(out, "version:    %s\n", d.version ? d.version : "");
  std::fprintf(out, "id:         %s\n", d.id ? d.id : "");
  std::fprintf(out, "features:   %s\n", features.c_str());
  std::fprintf(out, "inputs:     %d\n", numInputs());
  std::fprintf(out, "outputs:    %d\n", numOutputs());
  std::fprintf(out, "latency:    %d samples\n", latencySamples());
  std::fprintf(out, "parameters: %d\n", numParams());
  for (int i = 0; i < numParams(); ++i) {
    const claphost::ParamDescription& p = param(i);
    std::string flags;
    if (p.flags & clapabi::kParamIsBypass) flags += " bypass";
    if (i == programParameter_) flags += " program-change";
    if (p.flags & clapabi::kParamIsReadonly) flags += " read-only";
    if (p.flags & clapabi::kParamIsStepped) flags += " steps=" + std::to_string(parameterSteps(i));
    std::fprintf(out, "  %3d  %-24s %s  [%.6f]%s\n", i, displayText(p.name).c_str(),
                 displayText(parameterDisplay(i)).c_str(), getParameter(i), flags.c_str());
  }
  const std::vector<std::string> programs = programNames();
  std::fprintf(out, "programs:   %d\n", static_cast<int>(programs.size()));
  const int current = currentProgram();
  for (size_t p = 0; p < programs.size(); ++p)
    std::fprintf(out, "  %3d  %s%s\n", static_cast<int>(p) + 1, displayText(programs[p]).c_str(),
                 static_cast<int>(p) == current ? "  (current)" : "");
}

// quendral offers these requests as a plug-in extension of its own.
bool ClapPluginProcessor::loadOwnSetFile(const std::string& path, std::string& answer) {
  const void* calls =
      plugin_->plugin()->getExtension(plugin_->plugin(), panner::own_set_file::kClapExtensionId);
  if (!calls) return PluginProcessor::loadOwnSetFile(path, answer);
  return loadThroughCalls(calls, plugin_->plugin(), path, answer);
}

std::string ClapPluginProcessor::ownSetDescription() {
  const void* calls =
      plugin_->plugin()->getExtension(plugin_->plugin(), panner::own_set_file::kClapExtensionId);
  return calls ? describeThroughCalls(calls, plugin_->plugin()) : "";
}

}  // namespace render
