// The report that compares the Windows DLL with the Linux plug-in: it must see every
// difference that matters and forgive only float rounding in the audio.
#include <sstream>

#include "plugin_fixture.h"
#include "plugin_report.h"

TEST(PluginReportCompare, OnlyTheSamplesMayDifferAndOnlyByRounding) {
  const struct {
    const char *a, *b;
    bool match;
  } cases[] = {
      {"samples x 0 0 0.5 -0.25\n", "samples x 0 0 0.5000004 -0.2500009\n", true},
      {"samples x 0 0 0.5 -0.25\n", "samples x 0 0 0.5 -0.250002\n", false},
      {"samples x 0 0 0.5\n", "samples x 0 0 nan\n", false},
      {"samples x 0 0 0.5\n", "samples x 0 0 0.5 0.5\n", false},
      {"parameter 0 display '0.0'\n", "parameter 0 display '0.00'\n", false},
      {"set 0 0.1 value 0.1\n", "set 0 0.1 value 0.1000001\n", false},  // texts: no tolerance
      {"a\nb\n", "a\n", false},
      {"a\nb\n", "a\nb\n", true},
  };
  for (const auto& c : cases) {
    std::istringstream a(c.a), b(c.b);
    std::string difference;
    EXPECT_EQ(vsthost::reportsMatch(a, b, 1e-6, difference), c.match) << c.a << c.b;
  }
}

TEST_F(PluginTest, ReportOfTheSamePluginMatchesItselfAndCoversItsInterface) {
  std::ostringstream first, again;
  vsthost::writePluginReport(*host, first);
  vsthost::writePluginReport(*loadPlugin(), again);
  std::istringstream a(first.str()), b(again.str());
  std::string difference;
  EXPECT_TRUE(vsthost::reportsMatch(a, b, 1e-6, difference)) << difference;
  for (const char* part :
       {"latency 128", "parameter 24 ", "program 7 ", "midi 13 127", "samples lfo-sync 1 "})
    EXPECT_NE(first.str().find(part), std::string::npos) << part;
}
