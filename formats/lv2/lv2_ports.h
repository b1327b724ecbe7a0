// The LV2 face of the plug-in's ports: their order, and for each parameter the unit its
// control port speaks and how a port value becomes the parameter's normalised value and
// back. The conversions are the core's own (parameter_mapping.h); the bundle's description
// (written at build time by quendral_lv2_ttl) and the binary both read this one table.
#pragma once

#include <cstdint>

#include "parameters.h"

namespace panner::lv2 {

// Port indices. The control inputs come first and in parameter order, so a host that
// numbers the controls (Ardour's parameter numbers, ecasound's effect arguments) sees the
// same numbers as the VST2 build's parameters: the program's first 23 parameters, then
// "own set". "elevation" came later: its port follows all the others, so that sessions
// saved before it keep their port numbers.
constexpr uint32_t kFirstControlPort = 0;
constexpr int32_t kNumControlPorts = kNumParams;  // one per parameter
constexpr uint32_t kLatencyPort =
    kFirstControlPort + kParamOwnSet + 1;  // control output: the latency
constexpr uint32_t kAudioInPort = kLatencyPort + 1;
constexpr uint32_t kAudioOutPort0 = kAudioInPort + 1;
constexpr uint32_t kAudioOutPort1 = kAudioOutPort0 + 1;
// Atom input, optional: MIDI, time and the own set file's patch:Set and patch:Get.
constexpr uint32_t kEventsInPort = kAudioOutPort1 + 1;
// Atom output, optional: patch:Set of the own set file, so hosts show which file is loaded.
constexpr uint32_t kNotifyPort = kEventsInPort + 1;
// Control input: "elevation".
constexpr uint32_t kElevationPort = kNotifyPort + 1;
constexpr uint32_t kNumPorts = kElevationPort + 1;

// The control port of a parameter, and the parameter of a port (-1 for a port that is no
// parameter's).
constexpr uint32_t controlPortOf(int32_t parameter) {
  return parameter == kParamElevation ? kElevationPort
                                      : kFirstControlPort + static_cast<uint32_t>(parameter);
}
constexpr int32_t parameterOfPort(uint32_t port) {
  if (port == kElevationPort) return kParamElevation;
  if (port >= kFirstControlPort && port < kLatencyPort)
    return static_cast<int32_t>(port - kFirstControlPort);
  return -1;
}

// How a control port presents its parameter to the host.
enum class PortKind {
  kContinuous,   // a float in the parameter's unit
  kInteger,      // whole numbers only (lv2:integer)
  kToggle,       // 0 or 1 (lv2:toggled)
  kEnumeration,  // one of a few labelled values (lv2:enumeration)
};

// The units extension's unit of a port, where one fits.
enum class PortUnit { kNone, kDegree, kDb, kHz };

struct ControlPortInfo {
  PortKind kind;
  PortUnit unit;
};

ControlPortInfo controlPortInfo(int32_t parameter);

// The port value (in the parameter's unit) for a normalised value, and the normalised value
// setParameter is given for a port value. A port value outside the port's range is brought
// to its nearest end first, as the host was told the range.
float portValueFromNormalised(int32_t parameter, float normalised);
float normalisedFromPortValue(int32_t parameter, float portValue);

// The ends of a port's range: the port values of the normalised 0 and 1.
float portMinimum(int32_t parameter);
float portMaximum(int32_t parameter);

// The port symbol: the parameter's name with spaces as underscores ("point 1 value" ->
// "point_1_value"). `symbol` holds at least kSymbolSize characters.
constexpr int kSymbolSize = 24;
void portSymbol(const char* parameterName, char* symbol);

}  // namespace panner::lv2
