// --sofa: a SOFA file as quendral's own response set, through the plug-in's binary
// interface: the file is read and prepared here (core/sofa_file.h), put into quendral's
// bank chunk with "own set" on, and the chunk handed back, as a host restores a project.
// The plug-in checks the ring again and prepares it for its rate.
#pragma once

#include <string>

#include "plugin_processor.h"

namespace render {

// Throws RenderError with the file's problem in one line, or when the plug-in is not
// quendral or refuses the chunk.
void loadOwnSetInto(PluginProcessor& plugin, const std::string& path, bool quiet);

// The own set quendral holds (on or off, what it is, its file's checksum and the chunk's
// size), or a line saying there is none; empty for a plug-in that is not quendral.
std::string ownSetLine(PluginProcessor& plugin);

}  // namespace render
