#include "plugin_processor.h"

#include <sys/stat.h>

#include "clap_plugin_processor.h"
#include "lv2_plugin_processor.h"
#include "own_set_file_extension.h"
#include "render_error.h"
#include "shared_library.h"
#include "vst3_plugin_processor.h"
#include "vst_plugin_processor.h"

namespace render {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A library that offers the VST3 factory and no VST 2.4 entry point is a VST3 binary.
bool isVst3Binary(const std::string& path) {
  std::string error;
  const auto library = vsthost::SharedLibrary::open(path, error);
  return library && library->symbol("GetPluginFactory") && !library->symbol("VSTPluginMain") &&
         !library->symbol("main");
}

// An LV2 bundle is a folder with a manifest; an LV2 plug-in is also named by its URI, which
// is no file.
bool isLv2(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode) && ::stat((path + "/manifest.ttl").c_str(), &st) == 0;
  const std::size_t colon = path.find(':');
  return colon != std::string::npos && colon > 0 && path.find('/') != 0 &&
         path.compare(0, 2, "./") != 0;
}

}  // namespace

std::vector<uint8_t> PluginProcessor::stateChunk(bool) {
  throw RenderError("presets and own sets are handled for VST2 plug-ins only");
}

bool PluginProcessor::setStateChunk(const std::vector<uint8_t>&, bool) {
  throw RenderError("presets and own sets are handled for VST2 plug-ins only");
}

bool loadThroughCalls(const void* calls, const void* instance, const std::string& path,
                      std::string& answer) {
  const auto* own = static_cast<const panner::own_set_file::OwnSetFileCalls*>(calls);
  std::vector<char> buffer(kAnswerCapacity, '\0');
  const bool loaded =
      own->load(instance, path.c_str(), buffer.data(), static_cast<uint32_t>(buffer.size()));
  buffer.back() = '\0';
  answer = buffer.data();
  return loaded;
}

std::string describeThroughCalls(const void* calls, const void* instance) {
  const auto* own = static_cast<const panner::own_set_file::OwnSetFileCalls*>(calls);
  std::vector<char> line(kAnswerCapacity, '\0');
  own->describe(instance, line.data(), static_cast<uint32_t>(line.size()));
  line.back() = '\0';
  return line.data();
}

bool PluginProcessor::loadOwnSetFile(const std::string&, std::string&) {
  throw RenderError("--sofa works with quendral only: this plug-in takes no file");
}

std::unique_ptr<PluginProcessor> openPlugin(const std::string& path) {
  if (isLv2(path)) return std::make_unique<Lv2PluginProcessor>(path);
  // dlopen searches the library path for a name without a slash; a user means the file.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  std::string trimmed = file;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  if (endsWith(trimmed, ".vst3") || isVst3Binary(file))
    return std::make_unique<Vst3PluginProcessor>(trimmed);
  if (endsWith(trimmed, ".clap")) return std::make_unique<ClapPluginProcessor>(trimmed);
  return std::make_unique<VstPluginProcessor>(file);
}

}  // namespace render
