// Converts the values users type (degrees, dB, cycles per second, set and divider numbers)
// into the normalised 0..1 values of quendral's parameters, and finds parameters of any
// plug-in by name or index.
#pragma once

#include <string>
#include <vector>

#include "render_options.h"

namespace render {

// One parameter value to set, named as the plug-in names its parameter.
struct NamedSetting {
  std::string parameter;     // name or index, resolved by findParameter()
  float value = 0.0f;        // normalised
  std::string origin;        // the option it came from, for error messages
  bool startsSweep = false;  // applied after the settling run (render_loop.h)
};

// Each converter throws RenderError naming the option and its range when the value is
// outside what the parameter can hold.
float angleToNormalised(double degrees);         // -180..360; 180..360 wraps to -180..0
float elevationToNormalised(double degrees);     // -90..+90
float responseSetToNormalised(int set);          // 1 or 2
float gainToNormalised(double db);               // -12..+12
float lfoSpeedToNormalised(double hz);           // -1..+1
float lfoDivideToNormalised(int divide);         // 1..11
float lfoPositionToNormalised(double position);  // 0..1

// The settings of the user-unit options and --param, in the order they are applied:
// response set, gain, divider, angle, elevation, position, --param in command-line order,
// then the two that start a sweep: tempo sync and speed. Speed comes last because setting
// the angle or the position stops the sweep. --sync without --lfo-speed runs forward.
std::vector<NamedSetting> settingsFromOptions(const RenderOptions& options);

// The index of the parameter called `nameOrIndex` (case-insensitive name, or a decimal
// index below names.size()). Throws RenderError naming `origin` when there is none.
int findParameter(const std::vector<std::string>& names, const std::string& nameOrIndex,
                  const std::string& origin);

}  // namespace render
