// What the CLAP build of quendral says and sounds like, written by our CLAP host as a text
// report, so builds for two platforms can be compared (the Windows quendral.clap under wine
// against the Linux one):
//   quendral-clap-report FILE REPORT          writes the report
//   quendral-clap-report --compare A B        texts equal, samples within 1e-6; exit 1 if not
// The renders: a fixed noise through four settings (default, right ear with the second set,
// the LFO running, the LFO synced to 120 bpm), two seconds each at 44.1 kHz.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "clap_plugin.h"
#include "report_compare.h"

namespace {

constexpr double kRate = 44100.0;
constexpr uint32_t kBlock = 512;

int writeReport(const std::string& file, const std::string& path) {
  std::string error;
  auto plugin = claphost::ClapPlugin::load(file, error);
  if (!plugin || !plugin->activate(kRate, kBlock, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::ofstream out(path, std::ios::binary);  // the same bytes on every system
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

  struct Case {
    const char* name;
    std::vector<std::pair<clapabi::Id, double>> settings;
    bool synced;
  };
  const std::vector<Case> cases{{"default", {}, false},
                                {"right-ear-set-two", {{0, 0.75}, {3, 1.0}}, false},
                                {"lfo", {{4, 0.9}}, false},
                                {"lfo-synced", {{1, 1.0}, {4, 1.0}}, true}};
  const std::vector<float> input = quendral_test::reportNoise(static_cast<std::size_t>(2 * kRate));
  std::vector<float> left(kBlock), right(kBlock);
  for (const Case& render : cases) {
    plugin = claphost::ClapPlugin::load(file, error);
    if (!plugin || !plugin->activate(kRate, kBlock, error)) return 1;
    for (const auto& [id, value] : render.settings) plugin->setParam(id, value);
    out << "text render " << render.name << "\n";
    char number[48];
    for (std::size_t at = 0; at < input.size(); at += kBlock) {
      const auto n = static_cast<uint32_t>(std::min<std::size_t>(kBlock, input.size() - at));
      plugin->setTransport(render.synced, 120.0, at / kRate * 2.0, true);
      const float* in[1] = {input.data() + at};
      float* outs[2] = {left.data(), right.data()};
      plugin->process(in, outs, n);
      for (uint32_t i = 0; i < n; ++i) {
        std::snprintf(number, sizeof number, "samples %.9g %.9g\n", static_cast<double>(left[i]),
                      static_cast<double>(right[i]));
        out << number;
      }
    }
  }
  return out.good() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--compare")
    return quendral_test::compareReports(argv[2], argv[3]);
  if (argc == 3) return writeReport(argv[1], argv[2]);
  std::fprintf(stderr, "usage: quendral-clap-report FILE REPORT | --compare A B\n");
  return 2;
}
