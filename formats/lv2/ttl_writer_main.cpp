// quendral_lv2_ttl: writes the LV2 bundle's description at build time from the core itself,
// so that no parameter name, range, default, label or program is written down twice:
//
//   quendral_lv2_ttl BUNDLE_DIR
//
// writes BUNDLE_DIR/manifest.ttl, quendral.ttl (the plug-in, its ports and its editor) and
// presets.ttl (the eight programs). Names come from getParameterName, defaults and presets
// from the programs as getParameter reports them, ranges and units from the port table
// (lv2_ports.h, which converts with the core's own mappings), the response sets' labels from
// the panel's buttons.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "editor/panel_layout.h"
#include "lv2_ports.h"
#include "lv2_uris.h"
#include "own_set_file.h"
#include "plugin_identity.h"
#include "quendral_core.h"

namespace panner::lv2 {
namespace {

constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix idata: <http://lv2plug.in/ns/ext/instance-access> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix patch: <http://lv2plug.in/ns/ext/patch#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix worker: <http://lv2plug.in/ns/ext/worker#> .\n\n";

// A Turtle decimal or double that reads back as the same float.
std::string number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  std::string result = text;
  if (result.find_first_of(".e") == std::string::npos) result += ".0";
  return result;
}

std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') result += '\\';
    result += c;
  }
  return result + "\"";
}

std::string presetUri(int program) {
  return std::string("<") + kPresetUriPrefix + std::to_string(program + 1) + ">";
}

const char* unitName(PortUnit unit) {
  switch (unit) {
    case PortUnit::kDegree:
      return "units:degree";
    case PortUnit::kDb:
      return "units:db";
    case PortUnit::kHz:
      return "units:hz";
    case PortUnit::kNone:
      break;
  }
  return nullptr;
}

struct ScalePoint {
  float value;
  const char* label;
};

void writeScalePoints(std::ostream& out, const ScalePoint* points, int count) {
  out << " ;\n    lv2:scalePoint";
  for (int i = 0; i < count; ++i)
    out << (i ? " ,\n      " : " ") << "[ rdfs:label " << quoted(points[i].label) << " ; rdf:value "
        << number(points[i].value) << " ]";
}

// The port's description, followed by `end` (" ," for a port after which more follow).
void writeControlPort(std::ostream& out, const QuendralCore& core, int32_t parameter,
                      const char* end) {
  char name[QuendralCore::kTextSize];
  char symbol[QuendralCore::kTextSize];
  core.getParameterName(parameter, name);
  portSymbol(name, symbol);
  const ControlPortInfo info = controlPortInfo(parameter);
  out << "  [\n    a lv2:InputPort , lv2:ControlPort ;\n"
      << "    lv2:index " << controlPortOf(parameter) << " ;\n"
      << "    lv2:symbol " << quoted(symbol) << " ;\n"
      << "    lv2:name " << quoted(name) << " ;\n"
      << "    lv2:default "
      << number(portValueFromNormalised(parameter, core.getParameter(parameter))) << " ;\n"
      << "    lv2:minimum " << number(portMinimum(parameter)) << " ;\n"
      << "    lv2:maximum " << number(portMaximum(parameter));
  if (const char* unit = unitName(info.unit)) out << " ;\n    units:unit " << unit;
  switch (info.kind) {
    case PortKind::kInteger:
      out << " ;\n    lv2:portProperty lv2:integer";
      break;
    case PortKind::kToggle: {
      out << " ;\n    lv2:portProperty lv2:toggled";
      const char* on = parameter == kParamOwnSet ? "on" : panel::kViews[panel::kLfoSync].caption;
      const ScalePoint points[] = {{0.0f, "off"}, {1.0f, on}};
      writeScalePoints(out, points, 2);
      break;
    }
    case PortKind::kEnumeration: {
      out << " ;\n    lv2:portProperty lv2:integer , lv2:enumeration";
      const ScalePoint points[] = {
          {portMinimum(parameter), panel::kViews[panel::kFiltOne].caption},
          {portMaximum(parameter), panel::kViews[panel::kFiltTwo].caption}};
      writeScalePoints(out, points, 2);
      break;
    }
    case PortKind::kContinuous:
      break;
  }
  out << "\n  ]" << end << "\n";
}

void writeManifest(std::ostream& out) {
  out << kPrefixes;
  out << "<" << kPluginUri << ">\n  a lv2:Plugin ;\n  lv2:binary <" << kBinaryFile << "> ;\n"
      << "  rdfs:seeAlso <" << kDescriptionFile << "> .\n\n";
  out << "<" << kUiUri << ">\n  a ui:X11UI ;\n  ui:binary <" << kBinaryFile << "> ;\n"
      << "  rdfs:seeAlso <" << kDescriptionFile << "> .\n";
  for (int program = 0; program < kNumPrograms; ++program)
    out << "\n"
        << presetUri(program) << "\n  a pset:Preset ;\n  lv2:appliesTo <" << kPluginUri
        << "> ;\n  rdfs:seeAlso <" << kPresetsFile << "> .\n";
}

void writeDescription(std::ostream& out, const QuendralCore& core) {
  out << kPrefixes;
  out << "<" << kPluginUri << ">\n"
      << "  a lv2:Plugin , lv2:SpatialPlugin , doap:Project ;\n"
      << "  doap:name " << quoted(identity::kEffectName) << " ;\n"
      << "  rdfs:comment " << quoted(identity::kProduct) << " ;\n"
      << "  doap:maintainer [ foaf:name " << quoted(identity::kVendor) << " ] ;\n"
      << "  lv2:minorVersion 1 ;\n"
      << "  lv2:microVersion " << identity::kVendorVersion << " ;\n"
      << "  lv2:optionalFeature lv2:hardRTCapable , urid:map , worker:schedule ;\n"
      << "  lv2:extensionData state:interface , worker:interface ;\n"
      << "  patch:writable <" << kSofaFileUri << "> ;\n"
      << "  ui:ui <" << kUiUri << "> ;\n"
      << "  lv2:port\n";
  for (int32_t parameter = 0; parameter < kNumControlPorts; ++parameter)
    if (parameter != kParamElevation) writeControlPort(out, core, parameter, " ,");
  out << "  [\n    a lv2:OutputPort , lv2:ControlPort ;\n"
      << "    lv2:index " << kLatencyPort << " ;\n"
      << "    lv2:symbol \"latency\" ;\n    lv2:name \"latency\" ;\n"
      << "    lv2:designation lv2:latency ;\n"
      << "    lv2:portProperty lv2:reportsLatency , lv2:integer , pprops:notOnGUI ;\n"
      << "    lv2:minimum 0 ;\n    lv2:maximum " << identity::kLatencySamples << " ;\n"
      << "    units:unit units:frame\n  ] ,\n";
  out << "  [\n    a lv2:InputPort , lv2:AudioPort ;\n    lv2:index " << kAudioInPort
      << " ;\n    lv2:symbol \"in\" ;\n    lv2:name \"input\"\n  ] ,\n";
  out << "  [\n    a lv2:OutputPort , lv2:AudioPort ;\n    lv2:index " << kAudioOutPort0
      << " ;\n    lv2:symbol \"out_left\" ;\n    lv2:name \"left ear\"\n  ] ,\n";
  out << "  [\n    a lv2:OutputPort , lv2:AudioPort ;\n    lv2:index " << kAudioOutPort1
      << " ;\n    lv2:symbol \"out_right\" ;\n    lv2:name \"right ear\"\n  ] ,\n";
  out << "  [\n    a lv2:InputPort , atom:AtomPort ;\n    lv2:index " << kEventsInPort << " ;\n"
      << "    lv2:symbol \"events\" ;\n    lv2:name \"MIDI, time and own set file\" ;\n"
      << "    atom:bufferType atom:Sequence ;\n"
      << "    atom:supports midi:MidiEvent , time:Position , patch:Message ;\n"
      << "    lv2:designation lv2:control ;\n"
      << "    rsz:minimumSize " << OwnSetFile::kPortBufferBytes << " ;\n"
      << "    lv2:portProperty lv2:connectionOptional\n  ] ,\n";
  out << "  [\n    a lv2:OutputPort , atom:AtomPort ;\n    lv2:index " << kNotifyPort << " ;\n"
      << "    lv2:symbol \"notify\" ;\n    lv2:name \"own set file\" ;\n"
      << "    atom:bufferType atom:Sequence ;\n"
      << "    atom:supports patch:Message ;\n"
      << "    lv2:designation lv2:control ;\n"
      << "    rsz:minimumSize " << OwnSetFile::kPortBufferBytes << " ;\n"
      << "    lv2:portProperty lv2:connectionOptional\n  ] ,\n";
  writeControlPort(out, core, kParamElevation, " .");
  out << "\n";

  out << "<" << kSofaFileUri << ">\n  a lv2:Parameter ;\n"
      << "  rdfs:label " << quoted(kSofaFileLabel) << " ;\n"
      << "  rdfs:range atom:Path .\n\n";

  out << "<" << kUiUri << ">\n  a ui:X11UI ;\n"
      << "  lv2:requiredFeature ui:idleInterface ;\n"
      << "  lv2:optionalFeature ui:parent , ui:resize , ui:touch , ui:noUserResize , idata: ,\n"
      << "    urid:map , opts:options ;\n"
      << "  opts:supportedOption ui:scaleFactor ;\n"
      << "  lv2:extensionData ui:idleInterface , opts:interface .\n";
}

void writePresets(std::ostream& out, QuendralCore& core) {
  out << kPrefixes;
  for (int program = 0; program < kNumPrograms; ++program) {
    core.setProgram(program);
    char name[QuendralCore::kTextSize];
    core.getProgramName(name);
    out << presetUri(program) << "\n  a pset:Preset ;\n  lv2:appliesTo <" << kPluginUri
        << "> ;\n  rdfs:label " << quoted(name) << " ;\n  lv2:port";
    const char* separator = "\n    ";
    for (int32_t parameter = 0; parameter < kNumParams; ++parameter) {
      if (!isProgramParameter(parameter)) continue;
      char parameterName[QuendralCore::kTextSize];
      char symbol[QuendralCore::kTextSize];
      core.getParameterName(parameter, parameterName);
      portSymbol(parameterName, symbol);
      out << separator << "[ lv2:symbol " << quoted(symbol) << " ; pset:value "
          << number(portValueFromNormalised(parameter, core.getParameter(parameter))) << " ]";
      separator = " ,\n    ";
    }
    out << " .\n\n";
  }
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::cerr << "quendral_lv2_ttl: cannot write " << path << "\n";
  return static_cast<bool>(out);
}

}  // namespace
}  // namespace panner::lv2

int main(int argc, char** argv) {
  using namespace panner::lv2;
  if (argc != 2) {
    std::cerr << "usage: quendral_lv2_ttl BUNDLE_DIR\n";
    return 2;
  }
  const std::string bundle = argv[1];
  panner::QuendralCore core(nullptr);
  if (!core.constructed()) {
    std::cerr << "quendral_lv2_ttl: the core could not be made\n";
    return 1;
  }
  std::ostringstream manifest, description, presets;
  writeManifest(manifest);
  writeDescription(description, core);  // program 0: the ports' defaults
  writePresets(presets, core);
  const bool written = writeFile(bundle + "/manifest.ttl", manifest.str()) &&
                       writeFile(bundle + "/" + kDescriptionFile, description.str()) &&
                       writeFile(bundle + "/" + kPresetsFile, presets.str());
  return written ? 0 : 1;
}
