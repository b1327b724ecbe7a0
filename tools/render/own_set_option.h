// --sofa: a SOFA file as quendral's own response set, handed to the plug-in through its
// binary interface (core/own_set_file_extension.h): the plug-in reads the file and builds
// the set, as it does for a file dropped on its panel, and switches "own set" on.
#pragma once

#include <string>

#include "plugin_processor.h"

namespace render {

// Throws RenderError with the file's problem in one line, or when the plug-in is not
// quendral.
void loadOwnSetInto(PluginProcessor& plugin, const std::string& path, bool quiet);

// The own set quendral holds (on or off, what it is, its file's checksum and the bank
// chunk's size), or a line saying there is none; empty for a plug-in that is not quendral.
std::string ownSetLine(PluginProcessor& plugin);

}  // namespace render
