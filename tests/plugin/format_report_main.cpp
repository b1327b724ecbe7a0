// What the VST3 bundle or quendral.clap says and sounds like, written through our VST3 or
// CLAP host as a text report, so that builds for two platforms can be compared (the Windows
// ones under wine against the Linux ones, by quendral-plugin-report --compare):
//   quendral-format-report PLUG-IN REPORT      PLUG-IN: a .vst3 bundle or a .clap file
// The renders: a fixed noise through four settings (default, right ear with the second set,
// the LFO running, the LFO synced to 120 bpm), two seconds each at 44.1 kHz.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "clap_plugin.h"
#include "noise_signal.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: quendral-format-report PLUG-IN.vst3|PLUG-IN.clap REPORT\n");
    return 2;
  }
  const std::string plugin = argv[1];
  const bool clap = plugin.size() > 5 && plugin.substr(plugin.size() - 5) == ".clap";
  std::ofstream out(argv[2], std::ios::binary);  // the same bytes on every system
  std::string error;
  if (!(clap ? writeClap(plugin, out, error) : writeVst3(plugin, out, error))) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return out.good() ? 0 : 1;
}
