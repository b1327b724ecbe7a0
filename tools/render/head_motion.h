// --head: a recorded head movement, CSV rows "seconds,yaw,pitch,roll" in degrees (quendral's
// conventions: yaw to the right, pitch up, roll right ear up), linear between rows and held
// before the first and after the last. It reaches the plug-in as a MIDI head tracker's
// 14-bit control changes, the path a live tracker takes, with tracking switched on in the
// plug-in's state.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "plugin_processor.h"

namespace render {

struct HeadRow {
  double seconds = 0.0, yaw = 0.0, pitch = 0.0, roll = 0.0;
};

// Rows in time order. Blank lines and '#' lines are skipped, a first row whose time is not
// a number is a header. Throws RenderError "FILE:LINE: problem" for a malformed row, a
// negative or non-finite time or angle.
std::vector<HeadRow> parseHeadMotion(std::istream& in, const std::string& fileName);
std::vector<HeadRow> loadHeadMotion(const std::string& path);

// The orientation at `seconds`.
HeadRow headAt(const std::vector<HeadRow>& rows, double seconds);

// Sends the orientation as the six control changes (coarse 16, 17, 18; fine 48, 49, 50).
void sendHeadMidi(PluginProcessor& plugin, const HeadRow& head);

// Switches quendral's head tracking on through its bank chunk, listening on `port` (0: MIDI
// only). Throws RenderError when the plug-in is not quendral.
void turnTrackingOn(PluginProcessor& plugin, int port);

}  // namespace render
