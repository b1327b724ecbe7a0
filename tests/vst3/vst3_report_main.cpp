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

#include "vst3_plugin.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 512;
constexpr double kTolerance = 1e-6;

std::vector<float> noise(std::size_t frames) {
  std::vector<float> x(frames);
  uint32_t state = 12345;
  for (float& v : x) {
    state = state * 1664525u + 1013904223u;
    v = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 0.5f;
  }
  return x;
}

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
  const std::vector<float> input = noise(static_cast<std::size_t>(2 * kRate));
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

int compare(const std::string& a, const std::string& b) {
  std::ifstream left(a), right(b);
  std::string x, y;
  int line = 0;
  double worst = 0.0;
  while (true) {
    const bool gotLeft = static_cast<bool>(std::getline(left, x));
    const bool gotRight = static_cast<bool>(std::getline(right, y));
    ++line;
    if (!gotLeft && !gotRight) break;
    for (std::string* text : {&x, &y})
      if (!text->empty() && text->back() == '\r') text->pop_back();
    if (gotLeft != gotRight) {
      std::fprintf(stderr, "%s and %s differ in length at line %d\n", a.c_str(), b.c_str(), line);
      return 1;
    }
    if (x.rfind("samples", 0) != 0) {
      if (x != y) {
        std::fprintf(stderr, "line %d differs:\n  %s\n  %s\n", line, x.c_str(), y.c_str());
        return 1;
      }
      continue;
    }
    std::istringstream p(x.substr(7)), q(y.substr(7));
    double u = 0.0, v = 0.0;
    while (p >> u) {
      if (!(q >> v) || !(std::fabs(u - v) <= kTolerance)) {
        std::fprintf(stderr, "line %d: samples differ beyond %g:\n  %s\n  %s\n", line, kTolerance,
                     x.c_str(), y.c_str());
        return 1;
      }
      worst = std::max(worst, std::fabs(u - v));
    }
  }
  std::printf("reports match (%d lines, largest sample difference %g)\n", line - 1, worst);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--compare") return compare(argv[2], argv[3]);
  if (argc == 3) return writeReport(argv[1], argv[2]);
  std::fprintf(stderr, "usage: quendral-vst3-report BUNDLE REPORT | --compare A B\n");
  return 2;
}
