// The report of --info: what a plug-in says about itself through the VST2 interface.
#pragma once

#include <cstdio>
#include <string>

namespace render {

class VstPluginProcessor;

// Prints identity, I/O, latency, flags, every parameter (name, display text, label,
// normalised value) and the program names. The plug-in must have been started.
void printPluginInfo(VstPluginProcessor& plugin, const std::string& path, std::FILE* out);

// Plug-in texts are single-byte Windows code page 1252 by the interface's convention, but
// many Linux plug-ins write UTF-8. Valid UTF-8 is kept; anything else is read as code
// page 1252 (Latin-1 above 0x9F) and converted, so a degree sign prints as one.
std::string displayText(const std::string& pluginText);

}  // namespace render
