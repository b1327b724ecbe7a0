#include "plugin_locator.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "render_error.h"

namespace render {

namespace {
constexpr const char* kPluginFile = "quendral.so";
}

std::vector<std::string> defaultPluginCandidates(const std::string& toolDirectory,
                                                 const std::string& home) {
  std::vector<std::string> candidates;
  if (!toolDirectory.empty()) {
    candidates.push_back(toolDirectory + "/" + kPluginFile);
    candidates.push_back(toolDirectory + "/../lib/vst/" + kPluginFile);
  }
  if (!home.empty()) candidates.push_back(home + "/.vst/" + kPluginFile);
  return candidates;
}

std::string findDefaultPlugin() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::string toolDirectory = error ? std::string() : exe.parent_path().string();
  const char* home = std::getenv("HOME");

  const auto candidates = defaultPluginCandidates(toolDirectory, home != nullptr ? home : "");
  std::string looked;
  for (const std::string& candidate : candidates) {
    if (access(candidate.c_str(), F_OK) == 0)
      return std::filesystem::path(candidate).lexically_normal().string();
    looked += (looked.empty() ? "" : ", ") + candidate;
  }
  throw RenderError("cannot find quendral.so (looked in " + looked +
                    "); install it or give --plugin PATH");
}

}  // namespace render
