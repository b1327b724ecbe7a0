// quendral-plugin-report: writes a plug-in's answers and rendered audio as text, or
// compares two such reports. The Windows tests compare the DLL's report (made under wine)
// with the Linux plug-in's.
//   quendral-plugin-report <plug-in file> <report file>
//   quendral-plugin-report --compare <expected report> <actual report>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "plugin_report.h"

namespace {
// Float rounding may differ between the compilers' builds; audible differences may not.
constexpr double kSampleTolerance = 1e-6;
}  // namespace

int main(int argc, char** argv) {
  const bool compare = argc == 4 && std::strcmp(argv[1], "--compare") == 0;
  if (!compare && argc != 3) {
    std::fprintf(stderr,
                 "usage: %s <plug-in file> <report file>\n"
                 "       %s --compare <expected report> <actual report>\n",
                 argv[0], argv[0]);
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
  std::string error;
  auto host = vsthost::PluginHost::load(argv[1], error);
  if (!host) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary);
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  vsthost::writePluginReport(*host, out);
  out.close();
  if (!out) {
    std::fprintf(stderr, "writing %s failed\n", argv[2]);
    return 1;
  }
  return 0;
}
