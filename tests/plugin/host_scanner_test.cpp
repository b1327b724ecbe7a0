// Ardour's VST2 scanner, run on the built plug-in as Ardour does before offering it.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "required_package.h"

namespace {
const char* const kScanner = "/usr/lib/ardour7/ardour-vst-scanner";

std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
  pclose(pipe);
  return output;
}
}  // namespace

TEST(HostScannerTest, ArdourAcceptsThePlugin) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  QUENDRAL_REQUIRE_PACKAGE(access(kScanner, X_OK) == 0, "Ardour's scanner " << kScanner);

  // The scanner writes a cache file; keep it out of the user's home.
  char cacheTemplate[] = "/tmp/quendral-scan-XXXXXX";
  ASSERT_NE(mkdtemp(cacheTemplate), nullptr);
  const std::string cache = cacheTemplate;
  const std::string output =
      run("HOME=" + cache + " XDG_CACHE_HOME=" + cache + " LD_LIBRARY_PATH=/usr/lib/ardour7 " +
          kScanner + " -v '" QUENDRAL_PLUGIN_PATH "' 2>&1");
  std::filesystem::remove_all(cache);

  EXPECT_NE(output.find("name=\"+quendral\""), std::string::npos) << output;
  EXPECT_NE(output.find("n_inputs=\"1\""), std::string::npos) << output;
  EXPECT_NE(output.find("n_outputs=\"2\""), std::string::npos) << output;
  EXPECT_NE(output.find("creator=\"Quillmoor\""), std::string::npos) << output;
  EXPECT_NE(output.find("can_process_replace=\"1\""), std::string::npos) << output;
  EXPECT_EQ(output.find("[ERROR]"), std::string::npos) << output;
}
