// Where quendral-render finds quendral when --plugin is not given: next to the tool itself
// (the build directory), in ../lib/vst beside it (the VST2 folder of an installed prefix,
// cmake/install_layout.cmake), then ~/.vst/.
#pragma once

#include <string>
#include <vector>

namespace render {

// The places looked at, in order. `toolDirectory` is the directory holding the running
// executable; `home` is $HOME (either may be empty and is then left out).
std::vector<std::string> defaultPluginCandidates(const std::string& toolDirectory,
                                                 const std::string& home);

// The first candidate that exists, for the running process. Throws RenderError listing
// every place looked at when none does.
std::string findDefaultPlugin();

}  // namespace render
