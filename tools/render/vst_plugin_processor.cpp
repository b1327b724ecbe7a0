#include "vst_plugin_processor.h"

#include "own_set_file_extension.h"
#include "plugin_info.h"
#include "render_error.h"

namespace render {

VstPluginProcessor::VstPluginProcessor(const std::string& path) {
  std::string error;
  host_ = vsthost::PluginHost::load(path, error);
  if (!host_) throw RenderError(error);
}

VstPluginProcessor::~VstPluginProcessor() {
  if (started_) stop();
}

int VstPluginProcessor::tailSamples() {
  // By the interface's convention 0 means "not reported" and 1 means "no tail".
  const intptr_t tail = host_->dispatch(effGetTailSize);
  return tail > 1 && tail < (1 << 30) ? static_cast<int>(tail) : 0;
}

std::vector<std::string> VstPluginProcessor::parameterNames() {
  std::vector<std::string> names;
  for (int i = 0; i < numParams(); ++i) names.push_back(host_->parameterName(i));
  return names;
}

std::string VstPluginProcessor::parameterUnit(int index) {
  std::string label = host_->parameterLabel(index);
  while (!label.empty() && label.front() == ' ') label.erase(label.begin());
  return label;
}

std::vector<std::string> VstPluginProcessor::programNames() {
  // Asked by index where the plug-in answers that; otherwise each program is selected in
  // turn, as hosts list them, and the current one selected again.
  std::vector<std::string> names;
  const int current = host_->program();
  for (int p = 0; p < numPrograms(); ++p) {
    char name[kVstMaxProgNameLen + 1] = {};
    if (host_->dispatch(effGetProgramNameIndexed, p, -1, name) == 1) {
      names.emplace_back(name);
    } else {
      host_->setProgram(p);
      names.push_back(host_->programName());
    }
  }
  host_->setProgram(current);
  return names;
}

bool VstPluginProcessor::setBypass(bool on) {
  return host_->dispatch(effSetBypass, 0, on ? 1 : 0) == 1 || !on;
}

void VstPluginProcessor::process(float** inputs, float** outputs, int frames) {
  // Plug-ins without the replacing call get the accumulating one; the render loop clears
  // the outputs before each block, so both give the same result.
  if (host_->effect()->flags & effFlagsCanReplacing)
    host_->processReplacing(inputs, outputs, frames);
  else
    host_->process(inputs, outputs, frames);
}

void VstPluginProcessor::start(double sampleRate, int blockSize) {
  host_->open(sampleRate, blockSize);
  host_->dispatch(effStartProcess);
  started_ = true;
}

void VstPluginProcessor::printInfo(const std::string& path, std::FILE* out) {
  printPluginInfo(*this, path, out);
}

std::vector<uint8_t> VstPluginProcessor::stateChunk(bool program) {
  if (!(host_->effect()->flags & effFlagsProgramChunks))
    throw RenderError("the plug-in saves no chunk: it has no presets of that kind");
  return host_->getChunk(program);
}

bool VstPluginProcessor::setStateChunk(const std::vector<uint8_t>& bytes, bool program) {
  if (!(host_->effect()->flags & effFlagsProgramChunks))
    throw RenderError("the plug-in takes no chunk: it has no presets of that kind");
  return host_->setChunk(bytes, program) == 1;
}

void VstPluginProcessor::stop() {
  host_->dispatch(effStopProcess);
  host_->suspend();
  started_ = false;
}

// quendral answers effVendorSpecific's own-set requests in the buffer it is handed.
bool VstPluginProcessor::loadOwnSetFile(const std::string& path, std::string& answer) {
  std::vector<char> buffer(std::max<std::size_t>(path.size() + 1, kAnswerCapacity), '\0');
  std::copy(path.begin(), path.end(), buffer.begin());
  const intptr_t result = host_->dispatch(effVendorSpecific, panner::own_set_file::kVst2LoadIndex,
                                          static_cast<intptr_t>(buffer.size()), buffer.data());
  if (result == 0) return PluginProcessor::loadOwnSetFile(path, answer);
  buffer.back() = '\0';
  answer = buffer.data();
  return result == 1;
}

std::string VstPluginProcessor::ownSetDescription() {
  std::vector<char> line(kAnswerCapacity, '\0');
  if (host_->dispatch(effVendorSpecific, panner::own_set_file::kVst2DescribeIndex,
                      static_cast<intptr_t>(line.size()), line.data()) != 1)
    return "";
  line.back() = '\0';
  return line.data();
}

}  // namespace render
