// The report that compares the Windows DLL with the Linux plug-in: it must see every
// difference that matters and forgive only float rounding in the audio.
#include <sstream>

#include "plugin_fixture.h"
#include "plugin_report.h"

namespace {
bool match(const std::string& expected, const std::string& actual, std::string& difference) {
  std::istringstream a(expected);
  std::istringstream b(actual);
  return vsthost::reportsMatch(a, b, 1e-6, difference);
}
}  // namespace

TEST(PluginReportCompare, SamplesMayDifferByRoundingOnly) {
  std::string difference;
  EXPECT_TRUE(
      match("samples x 0 0 0.5 -0.25\n", "samples x 0 0 0.5000004 -0.2500009\n", difference));
  EXPECT_FALSE(match("samples x 0 0 0.5 -0.25\n", "samples x 0 0 0.5 -0.250002\n", difference));
  EXPECT_NE(difference.find("line 1"), std::string::npos) << difference;
  EXPECT_FALSE(match("samples x 0 0 0.5\n", "samples x 0 0 nan\n", difference));
  EXPECT_FALSE(match("samples x 0 0 0.5\n", "samples x 0 0 0.5 0.5\n", difference));
}

TEST(PluginReportCompare, TextsAndLengthMustBeEqual) {
  std::string difference;
  EXPECT_FALSE(match("parameter 0 display '0.0'\n", "parameter 0 display '0.00'\n", difference));
  // Numbers outside audio lines are texts too: no tolerance.
  EXPECT_FALSE(match("set 0 0.1 value 0.1\n", "set 0 0.1 value 0.1000001\n", difference));
  EXPECT_FALSE(match("a\nb\n", "a\n", difference));
  EXPECT_NE(difference.find("ends early"), std::string::npos) << difference;
  EXPECT_TRUE(match("a\nb\n", "a\nb\n", difference));
}

TEST_F(PluginTest, ReportOfTheSamePluginMatchesItselfAndCoversItsInterface) {
  std::ostringstream first;
  vsthost::writePluginReport(*host, first);
  std::string error;
  auto second = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(second) << error;
  std::ostringstream again;
  vsthost::writePluginReport(*second, again);
  std::string difference;
  EXPECT_TRUE(match(first.str(), again.str(), difference)) << difference;
  const std::string text = first.str();
  for (const char* part :
       {"latency 128", "parameter 24 ", "program 7 ", "midi 13 127", "samples lfo-sync 1 "})
    EXPECT_NE(text.find(part), std::string::npos) << part;
}
