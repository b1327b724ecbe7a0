// Reports of what a build says and sounds like, written through our hosts as text, so that
// builds for two platforms can be compared (the Windows ones under wine against the Linux
// ones, by quendral-plugin-report --compare, which writes the VST2 build's own report):
//   quendral-format-report BUNDLE.vst3 REPORT | FILE.clap REPORT
//       a fixed noise through four settings (default, right ear with the second set, the
//       LFO running, the LFO synced to 120 bpm), two seconds each at 44.1 kHz;
//   quendral-format-report VST2-PLUG-IN PRESET.fxp REPORT
//       the program file's chunk loaded as a host loads a preset (the Windows tests give the
//       DLL one that quendral-render saved with a user's own response set), the values, and
//       the noise played at placements around the head, with the own set off and on again.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "clap_plugin.h"
#include "noise_signal.h"
#include "parameter_mapping.h"
#include "plugin_report.h"
#include "vst3_plugin.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

struct Render {
  const char* name;
  std::vector<std::pair<int, double>> settings;  // index (CLAP: id) and normalised value
  bool synced;
};
const Render kRenders[] = {{"default", {}, false},
                           {"right-ear-set-two", {{0, 0.75}, {3, 1.0}}, false},
                           {"lfo", {{4, 0.9}}, false},
                           {"lfo-synced", {{1, 1.0}, {4, 1.0}}, true}};

const std::vector<float>& input() {
  static const std::vector<float> noise =
      vsthost::noiseSignal(static_cast<std::size_t>(2 * kRate), 12345);
  return noise;
}

void writeSamples(std::ostream& out, const float* left, const float* right, std::size_t n) {
  char line[64];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(line, sizeof line, "samples %.9g %.9g\n", static_cast<double>(left[i]),
                  static_cast<double>(right[i]));
    out << line;
  }
}

bool writeVst3(const std::string& bundle, std::ostream& out, std::string& error) {
  auto plugin = vst3host::Vst3Plugin::load(bundle, error);
  if (!plugin || !plugin->open(kRate, kBlock, error)) return false;
  const vst3host::ClassDescription& c = plugin->classDescription();
  out << "text name " << c.name << "\ntext vendor " << c.vendor << "\ntext category "
      << c.subCategories << "\ntext latency " << plugin->latencySamples() << "\n";
  out << "text inputs " << plugin->numInputs() << " outputs " << plugin->numOutputs() << "\n";
  for (int32_t i = 0; i < plugin->parameterCount(); ++i) {
    const auto& p = plugin->parameters()[static_cast<std::size_t>(i)];
    out << "text parameter " << i << " id " << p.id << " " << p.title << " [" << p.units
        << "] steps " << p.stepCount << " flags " << p.flags << " shows "
        << plugin->parameterDisplay(i) << " at 0.3 " << plugin->displayFor(i, 0.3) << "\n";
  }
  for (const std::string& name : plugin->programNames()) out << "text program " << name << "\n";
  for (const Render& render : kRenders) {
    plugin = vst3host::Vst3Plugin::load(bundle, error);
    if (!plugin || !plugin->open(kRate, kBlock, error)) return false;
    for (const auto& [index, value] : render.settings) plugin->setParameter(index, value);
    const auto output = plugin->render(input(), kBlock);
    out << "text render " << render.name << "\n";
    writeSamples(out, output[0].data(), output[1].data(), input().size());
  }
  return true;
}

bool writeClap(const std::string& file, std::ostream& out, std::string& error) {
  auto plugin = claphost::ClapPlugin::load(file, error);
  if (!plugin || !plugin->activate(kRate, kBlock, error)) return false;
  const clapabi::PluginDescriptor& d = plugin->descriptor();
  out << "text id " << d.id << "\ntext name " << d.name << "\ntext vendor " << d.vendor
      << "\ntext latency " << plugin->latency() << "\n";
  for (const std::string& f : plugin->features()) out << "text feature " << f << "\n";
  out << "text inputs " << plugin->mainChannels(true) << " outputs " << plugin->mainChannels(false)
      << "\n";
  for (const claphost::ParamDescription& p : plugin->params())
    out << "text parameter " << p.id << " " << p.name << " [" << p.minValue << ", " << p.maxValue
        << "] flags " << p.flags << " shows " << plugin->text(p.id, plugin->value(p.id))
        << " at max " << plugin->text(p.id, p.maxValue) << "\n";
  std::vector<float> left(kBlock), right(kBlock);
  for (const Render& render : kRenders) {
    plugin = claphost::ClapPlugin::load(file, error);
    if (!plugin || !plugin->activate(kRate, kBlock, error)) return false;
    for (const auto& [id, value] : render.settings)
      plugin->setParam(static_cast<clapabi::Id>(id), value);
    out << "text render " << render.name << "\n";
    for (std::size_t at = 0; at < input().size(); at += kBlock) {
      const auto n = static_cast<uint32_t>(std::min<std::size_t>(kBlock, input().size() - at));
      plugin->setTransport(render.synced, 120.0, at / kRate * 2.0, true);
      const float* in[1] = {input().data() + at};
      float* outs[2] = {left.data(), right.data()};
      plugin->process(in, outs, n);
      writeSamples(out, left.data(), right.data(), n);
    }
  }
  return true;
}

uint32_t bigEndian(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

bool writePreset(const std::string& file, const std::string& preset, std::ostream& out,
                 std::string& error) {
  // A program file: 'CcnK', the size of what follows, 'FPCh', format version, plug-in ID and
  // version, number of programs, a 28-byte name, the chunk's size and the chunk.
  std::ifstream in(preset, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto host = vsthost::PluginHost::load(file, error);
  if (!host) return false;
  if (bytes.size() < 60 || bytes.compare(0, 4, "CcnK") != 0 || bytes.compare(8, 4, "FPCh") != 0 ||
      bigEndian(bytes, 56) != bytes.size() - 60 ||
      static_cast<int32_t>(bigEndian(bytes, 16)) != host->effect()->uniqueID) {
    error = preset + " is no program file of this plug-in holding a chunk";
    return false;
  }
  const std::vector<uint8_t> chunk(bytes.begin() + 60, bytes.end());
  host->open(kRate, kBlock);
  out << "preset of " << chunk.size() << " bytes: answer " << host->setChunk(chunk, true)
      << ", program '" << host->programName() << "'\nparameters";
  for (int32_t i = 0; i < host->effect()->numParams; ++i)
    out << " " << vsthost::reportNumber(host->getParameter(i));
  out << "\n";
  // The placements in turn (measured directions of both halves and between them), each
  // gliding in from the last and then holding; then the built-in set, and the own set again.
  const std::vector<float> noise = vsthost::noiseSignal(4096, 77);
  for (float angle : {0.0f, 30.0f, 65.0f, 90.0f, 135.0f, 180.0f, -135.0f, -90.0f, -40.0f}) {
    host->setParameter(0, panner::valueFromAngle(angle));
    vsthost::writeRenderedSamples(*host, out, "angle" + vsthost::reportNumber(angle), noise,
                                  kBlock);
  }
  host->setParameter(0, panner::valueFromAngle(90.0f));
  for (const char* set : {"built-in", "own-again"}) {
    host->setParameter(23, set[0] == 'b' ? 0.0f : 1.0f);
    out << "own set '" << host->parameterDisplay(23) << "'\n";
    vsthost::writeRenderedSamples(*host, out, set, noise, kBlock);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string plugin = argc > 1 ? argv[1] : "";
  const auto endsWith = [&plugin](const std::string& end) {
    return plugin.size() > end.size() && plugin.substr(plugin.size() - end.size()) == end;
  };
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s BUNDLE.vst3|FILE.clap REPORT | VST2-PLUG-IN PRESET REPORT\n",
                 argv[0]);
    return 2;
  }
  std::ofstream out(argv[argc - 1], std::ios::binary);  // the same bytes on every system
  std::string error;
  const bool written = argc == 4           ? writePreset(plugin, argv[2], out, error)
                       : endsWith(".clap") ? writeClap(plugin, out, error)
                                           : writeVst3(plugin, out, error);
  if (!written) std::fprintf(stderr, "%s\n", error.c_str());
  return written && out.good() ? 0 : 1;
}
