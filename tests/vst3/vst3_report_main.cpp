// What a VST3 build of quendral says and sounds like, written by our VST3 host as a text
// report, so builds for two platforms can be compared (the Windows bundle under wine
// against the Linux bundle):
//   quendral-vst3-report BUNDLE REPORT          writes the report
//   quendral-vst3-report --compare A B          texts equal, samples within 1e-6; exit 1 if not
// The renders: a fixed noise through four settings (default, right ear with the second
// set, the LFO running, the LFO synced to 120 bpm), two seconds each at 44.1 kHz.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "report_compare.h"
#include "vst3_plugin.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 512;

int writeReport(const std::string& bundle, const std::string& path) {
  std::string error;
  auto plugin = vst3host::Vst3Plugin::load(bundle, error);
  if (!plugin || !plugin->open(kRate, kBlock, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::ofstream out(path, std::ios::binary);  // the same bytes on every system
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

  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, double>> settings;
  };
  const std::vector<Case> cases{{"default", {}},
                                {"right-ear-set-two", {{0, 0.75}, {3, 1.0}}},
                                {"lfo", {{4, 0.9}}},
                                {"lfo-synced", {{1, 1.0}, {4, 1.0}}}};
  const std::vector<float> input = quendral_test::reportNoise(static_cast<std::size_t>(2 * kRate));
  for (const Case& render : cases) {
    plugin = vst3host::Vst3Plugin::load(bundle, error);
    if (!plugin || !plugin->open(kRate, kBlock, error)) return 1;
    for (const auto& [index, value] : render.settings) plugin->setParameter(index, value);
    const auto output = plugin->render(input, kBlock);
    out << "text render " << render.name << "\n";
    char number[32];
    for (std::size_t i = 0; i < input.size(); ++i) {
      out << "samples";
      for (const auto& channel : output) {
        std::snprintf(number, sizeof number, " %.9g", static_cast<double>(channel[i]));
        out << number;
      }
      out << "\n";
    }
  }
  return out.good() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--compare")
    return quendral_test::compareReports(argv[2], argv[3]);
  if (argc == 3) return writeReport(argv[1], argv[2]);
  std::fprintf(stderr, "usage: quendral-vst3-report BUNDLE REPORT | --compare A B\n");
  return 2;
}
