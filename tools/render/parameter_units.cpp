#include "parameter_units.h"

#include <sstream>

#include "parameter_mapping.h"

#include "render_error.h"
#include "text_fields.h"

namespace render {
namespace {

std::string formatNumber(double value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

void requireRange(const char* option, double value, double low, double high, const char* unit) {
  if (value < low || value > high) {
    throw RenderError(std::string(option) + " " + formatNumber(value) + " is out of range (" +
                      formatNumber(low) + " to " + formatNumber(high) + unit + ")");
  }
}

}  // namespace

float angleToNormalised(double degrees) {
  requireRange("--angle", degrees, -180.0, 360.0, " degrees");
  if (degrees > 180.0) degrees -= 360.0;
  return static_cast<float>(panner::valueFromAngle(degrees));
}

float elevationToNormalised(double degrees) {
  requireRange("--elevation", degrees, -panner::kMaxElevationDegrees, panner::kMaxElevationDegrees,
               " degrees");
  return static_cast<float>(panner::valueFromElevation(degrees));
}

float responseSetToNormalised(int set) {
  if (set != 1 && set != 2)
    throw RenderError("--set " + std::to_string(set) + " is out of range (1 or 2)");
  return panner::valueFromResponseSet(set - 1);
}

float gainToNormalised(double db) {
  requireRange("--gain", db, -12.0, 12.0, " dB");
  return static_cast<float>(panner::valueFromGainDb(db));
}

float lfoSpeedToNormalised(double hz) {
  requireRange("--lfo-speed", hz, -1.0, 1.0, " cycles per second");
  return static_cast<float>(panner::valueFromLfoSpeed(hz));
}

float lfoDivideToNormalised(int divide) {
  requireRange("--lfo-divide", divide, 1, panner::kMaxLfoDivisor, "");
  // Aim at the middle of each divisor's step so float rounding cannot land on the step
  // below.
  return divide == panner::kMaxLfoDivisor
             ? 1.0f
             : static_cast<float>((divide - 0.5) / static_cast<double>(panner::kLfoDivideSteps));
}

float lfoPositionToNormalised(double position) {
  requireRange("--lfo-position", position, 0.0, 1.0, "");
  return static_cast<float>(position);
}

std::vector<NamedSetting> settingsFromOptions(const RenderOptions& o) {
  std::vector<NamedSetting> settings;
  if (o.responseSet)
    settings.push_back({"filter number", responseSetToNormalised(*o.responseSet), "--set"});
  if (o.gainDb) settings.push_back({"gain", gainToNormalised(*o.gainDb), "--gain"});
  if (o.lfoDivide)
    settings.push_back({"lfo divide", lfoDivideToNormalised(*o.lfoDivide), "--lfo-divide"});
  if (o.angleDegrees) settings.push_back({"angle", angleToNormalised(*o.angleDegrees), "--angle"});
  if (o.elevationDegrees)
    settings.push_back({"elevation", elevationToNormalised(*o.elevationDegrees), "--elevation"});
  if (o.lfoPosition)
    settings.push_back({"lfo position", lfoPositionToNormalised(*o.lfoPosition), "--lfo-position"});
  for (const ParamAssignment& p : o.params)
    settings.push_back({p.nameOrIndex, p.value, "--param " + p.nameOrIndex});

  if (o.syncBpm) settings.push_back({"midi lfo tempo", 1.0f, "--sync", true});
  // With sync the host's tempo sets the speed; the speed parameter only gives the
  // direction, and setting it starts the sweep from the position.
  if (o.lfoSpeedHz)
    settings.push_back({"lfo speed", lfoSpeedToNormalised(*o.lfoSpeedHz), "--lfo-speed", true});
  else if (o.syncBpm)
    settings.push_back({"lfo speed", 1.0f, "--sync", true});
  return settings;
}

int findParameter(const std::vector<std::string>& names, const std::string& nameOrIndex,
                  const std::string& origin) {
  const std::string wanted = lowerCase(trimmed(nameOrIndex));
  for (size_t i = 0; i < names.size(); ++i) {
    if (lowerCase(trimmed(names[i])) == wanted) return static_cast<int>(i);
  }
  if (const std::optional<int> index = parseWholeNumber(wanted)) {
    if (*index >= 0 && static_cast<size_t>(*index) < names.size()) return *index;
    throw RenderError(origin + ": the plug-in has no parameter " + std::to_string(*index) +
                      " (it has " + std::to_string(names.size()) + ", counted from 0)");
  }
  throw RenderError(origin + ": the plug-in has no parameter named \"" + trimmed(nameOrIndex) +
                    "\" (--info lists them)");
}

}  // namespace render
