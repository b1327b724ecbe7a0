// quendral-plugin-report: writes a plug-in's answers and rendered audio as text, or
// compares two such reports. The Windows tests compare the reports of the DLL, the VST3
// bundle and quendral.clap (made under wine) with the Linux builds'.
//   quendral-plugin-report <VST2 plug-in | bundle.vst3 | file.clap> <report file>
//   quendral-plugin-report <VST2 plug-in> <preset.fxp> <report file>
//   quendral-plugin-report --compare <expected report> <actual report>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "format_reports.h"
#include "plugin_report.h"

namespace {
// Float rounding may differ between the compilers' builds; audible differences may not.
constexpr double kSampleTolerance = 1e-6;
}  // namespace

int main(int argc, char** argv) {
  const bool compare = argc == 4 && std::strcmp(argv[1], "--compare") == 0;
  if (!compare && argc != 3 && argc != 4) {
    std::fprintf(stderr,
                 "usage: %s <VST2 plug-in | bundle.vst3 | file.clap> <report file>\n"
                 "       %s <VST2 plug-in> <preset.fxp> <report file>\n"
                 "       %s --compare <expected report> <actual report>\n",
                 argv[0], argv[0], argv[0]);
    return 2;
  }
  if (compare) {
    std::ifstream expected(argv[2]);
    std::ifstream actual(argv[3]);
    if (!expected || !actual) {
      std::fprintf(stderr, "cannot read %s\n", !expected ? argv[2] : argv[3]);
      return 2;
    }
    std::string difference;
    if (!vsthost::reportsMatch(expected, actual, kSampleTolerance, difference)) {
      std::fprintf(stderr, "reports differ: %s\n", difference.c_str());
      return 1;
    }
    std::printf("reports match (samples within %g)\n", kSampleTolerance);
    return 0;
  }
  const std::string plugin = argv[1], report = argv[argc - 1];
  const auto endsWith = [&plugin](const std::string& end) {
    return plugin.size() > end.size() &&
           plugin.compare(plugin.size() - end.size(), end.size(), end) == 0;
  };
  std::ofstream out(report, std::ios::binary);  // the same bytes on every system
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", report.c_str());
    return 1;
  }
  std::string error;
  bool written = false;
  if (argc == 4) {
    written = vsthost::writePresetReport(plugin, argv[2], out, error);
  } else if (endsWith(".vst3")) {
    written = vsthost::writeVst3Report(plugin, out, error);
  } else if (endsWith(".clap")) {
    written = vsthost::writeClapReport(plugin, out, error);
  } else if (auto host = vsthost::PluginHost::load(plugin, error)) {
    vsthost::writePluginReport(*host, out);
    written = true;
  }
  out.close();
  if (!written || !out) {
    std::fprintf(stderr, "%s\n",
                 error.empty() ? ("writing " + report + " failed").c_str() : error.c_str());
    return 1;
  }
  return 0;
}
