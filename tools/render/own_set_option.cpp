#include "own_set_option.h"

#include <cstdio>
#include <vector>

#include "render_error.h"

namespace render {

void loadOwnSetInto(PluginProcessor& plugin, const std::string& path, bool quiet) {
  std::string answer;
  if (!plugin.loadOwnSetFile(path, answer)) throw RenderError(answer);
  if (!quiet) std::fprintf(stderr, "quendral-render: own set %s\n", answer.c_str());
}

std::string ownSetLine(PluginProcessor& plugin) {
  std::string line = plugin.ownSetDescription();
  if (line.rfind("own set (", 0) != 0) return line;
  try {
    const std::vector<uint8_t> bank = plugin.stateChunk(false);
    line += "; bank chunk " + std::to_string(bank.size()) + " bytes";
  } catch (const RenderError&) {
    // A format that hands out no bank chunk here: the line without its size.
  }
  return line;
}

}  // namespace render
