// Checks on the files of a render that the reader and writer cannot make themselves: an
// OUTPUT that is the INPUT (which the finished render would replace), and an input rate the
// plug-in refuses (it would keep its last rate and render wrong cues).
#pragma once

#include <cstdint>
#include <string>

namespace render {

// Throws RenderError when `output` names the same file as `input`: the same path, or
// another name for it (a symbolic or hard link). An output that does not exist yet is fine.
void refuseOutputThatIsInput(const std::string& input, const std::string& output);

// Throws RenderError when the VST2 plug-in with this unique ID is known to refuse
// `sampleRate`: quendral takes 8 kHz to 384 kHz and keeps its last rate otherwise. The VST2
// interface gives a plug-in no way to refuse a rate, so other plug-ins are trusted.
void refuseRateThePluginRefuses(int32_t uniqueId, double sampleRate);

}  // namespace render
