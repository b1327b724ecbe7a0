// Command-line options of quendral-render, parsed into one plain record. Values in user
// units are only checked to be numbers here; parameter_units.h converts them and checks
// their ranges.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace render {

// --param NAME_OR_INDEX=VALUE: a normalised value for any parameter of the plug-in.
struct ParamAssignment {
  std::string nameOrIndex;
  float value = 0.0f;
};

struct RenderOptions {
  bool help = false;
  bool info = false;
  bool quiet = false;
  bool compensateLatency = true;
  std::string inputPath;
  std::string outputPath;
  std::string pluginPath;  // empty: the default lookup of plugin_locator.h

  // Values in user units, as typed.
  std::optional<double> angleDegrees;
  std::optional<double> elevationDegrees;
  std::optional<int> responseSet;  // 1 or 2
  std::optional<double> gainDb;
  std::optional<double> lfoSpeedHz;
  std::optional<int> lfoDivide;
  std::optional<double> lfoPosition;
  std::optional<double> syncBpm;
  std::optional<double> startBeat;  // with --sync: the song position of the input's start
  std::optional<int> program;       // 1-based, as the program names count

  std::vector<ParamAssignment> params;  // in command-line order
  std::string automationPath;
  std::string sofaPath;        // --sofa: an own response set for quendral
  std::string headPath;        // --head: a recorded head movement (head_motion.h)
  std::optional<int> oscPort;  // --osc-port: quendral follows a tracker on this port
  bool realtime = false;       // --realtime: the input's own speed, not as fast as possible
  std::string presetPath;      // --preset: a .fxp or .fxb file to load first
  std::string savePresetPath;  // --save-preset: where to save the state after rendering
  int blockSize = 512;
  std::optional<double> tailSeconds;  // unset: the plug-in's own tail, or the default
};

constexpr int kMaxBlockSize = 65536;
constexpr double kMaxTailSeconds = 3600.0;
constexpr double kMaxStartBeat = 1.0e6;

// Parses the arguments after the program name. Throws RenderError with a one-line message
// for an unknown option, a missing or malformed value, or missing INPUT/OUTPUT.
RenderOptions parseOptions(const std::vector<std::string>& args);

// The text printed by --help.
std::string usageText();

}  // namespace render
