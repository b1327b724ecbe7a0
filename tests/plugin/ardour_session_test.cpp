// Ardour 7 itself, headless (ardour7-lua with the Dummy backend): a session with quendral on
// a mono track is exported and saved in one process, then loaded and exported again in a
// second one. The two renders must be equal sample for sample: the saved session brings
// quendral back to exactly the sound it had.
//
// Ardour 7.3's Lua session tool sometimes corrupts its own heap at export or when it closes,
// whatever the plug-ins; a run that dies by a signal is repeated, not counted.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "required_package.h"

namespace {

namespace fs = std::filesystem;

const char* const kArdourLua = "/usr/bin/ardour7-lua";
const char* const kScanner = "/usr/lib/ardour7/ardour-vst-scanner";
constexpr std::size_t kExportedFrames = 88200;  // the scripts export two seconds at 44.1 kHz
constexpr int kAttempts = 4;

std::string readText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The samples of a 32-bit float WAV file (all channels interleaved); empty if unreadable.
std::vector<float> readFloatWav(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    uint32_t size = 0;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    if (bytes.compare(at, 4, "data") == 0) {
      if (at + 8 + size > bytes.size()) return {};
      std::vector<float> samples(size / 4);
      std::memcpy(samples.data(), bytes.data() + at + 8, samples.size() * 4);
      return samples;
    }
    at += 8 + size + (size & 1);
  }
  return {};
}

float peakOfChannel(const std::vector<float>& interleaved, std::size_t channel) {
  float peak = 0.0f;
  for (std::size_t i = channel; i < interleaved.size(); i += 2)
    peak = std::max(peak, std::fabs(interleaved[i]));
  return peak;
}

// A private Ardour configuration: the test signal script and export format, quendral in a
// plug-in folder of its own, scanned into Ardour's plug-in cache.
class ArdourWorkspace {
 public:
  ArdourWorkspace() {
    char name[] = "/tmp/quendral-ardour-XXXXXX";
    if (mkdtemp(name) == nullptr) return;
    root_ = name;
    const fs::path config = root_ / "home/.config/ardour7";
    fs::create_directories(config / "scripts");
    fs::create_directories(config / "export");
    fs::create_directories(root_ / "vst");
    const fs::path scripts = QUENDRAL_ARDOUR_SCRIPTS;
    fs::copy_file(scripts / "quendral_test_signal.lua",
                  config / "scripts/quendral_test_signal.lua");
    fs::copy_file(scripts / "quendral-test-float.format",
                  config / "export/quendral-test-float.format");
    fs::copy_file(scripts / "quendral-test-float.preset",
                  config / "export/quendral-test-float.preset");
    const fs::path plugin = root_ / "vst/quendral.so";
    fs::copy_file(QUENDRAL_PLUGIN_PATH, plugin);
    // Ardour trusts a cache entry only if it is newer than the plug-in, to the second.
    fs::last_write_time(plugin, fs::file_time_type::clock::now() - std::chrono::hours(1));
    environment_ = "HOME=" + (root_ / "home").string() +
                   " XDG_CACHE_HOME=" + (root_ / "home/.cache").string() +
                   " XDG_CONFIG_HOME=" + (root_ / "home/.config").string() +
                   " LXVST_PATH=" + (root_ / "vst").string() +
                   " VST_PATH=" + (root_ / "vst").string();
    scanned_ = std::system((environment_ + " LD_LIBRARY_PATH=/usr/lib/ardour7 " + kScanner + " " +
                            plugin.string() + " > " + (root_ / "scan.log").string() + " 2>&1")
                               .c_str()) == 0;
  }
  ~ArdourWorkspace() {
    if (!root_.empty()) fs::remove_all(root_);
  }

  bool ready() const { return !root_.empty() && scanned_; }
  const fs::path& root() const { return root_; }
  std::string scanLog() const { return readText(root_ / "scan.log"); }

  // Runs one Lua script in its own ardour7-lua process. A process that dies by a signal (or
  // hangs) is run again; `beforeEachRun` clears what a broken run left. Returns the exit code
  // of the last run and leaves its output in `log`.
  template <typename Clear>
  int runLua(const std::string& script, const std::string& arguments, Clear beforeEachRun,
             std::string& log) {
    const fs::path logFile = root_ / "lua.log";
    int code = -1;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      beforeEachRun();
      const std::string command = environment_ + " timeout -s KILL 120 " + kArdourLua + " " +
                                  (fs::path(QUENDRAL_ARDOUR_SCRIPTS) / script).string() + " " +
                                  arguments + " > " + logFile.string() + " 2>&1";
      const int status = std::system(command.c_str());
      code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      log = readText(logFile);
      if (code < 124) break;  // 124 and above: timed out or died by a signal
    }
    return code;
  }

 private:
  fs::path root_;
  std::string environment_;
  bool scanned_ = false;
};

TEST(ArdourSession, SavedSessionReloadsToTheSameRender) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  QUENDRAL_REQUIRE_PACKAGE(access(kArdourLua, X_OK) == 0, kArdourLua << " (Debian: ardour)");
  QUENDRAL_REQUIRE_PACKAGE(access(kScanner, X_OK) == 0, kScanner << " (Debian: ardour)");
  ArdourWorkspace workspace;
  ASSERT_TRUE(workspace.ready()) << workspace.scanLog();

  struct Case {
    const char* name;
    const char* parameters;  // INDEX=VALUE pairs set on quendral before the first export
  };
  for (const Case& c : {Case{"default state", ""}, Case{"angle 90 degrees", "0=0.75"}}) {
    SCOPED_TRACE(c.name);
    const fs::path session = workspace.root() / "session";
    const fs::path saved = workspace.root() / "saved";
    const fs::path reloaded = workspace.root() / "reloaded";
    std::string log;
    const int created = workspace.runLua(
        "create_and_export.lua", session.string() + " " + saved.string() + " " + c.parameters,
        [&] {
          fs::remove_all(session);
          fs::remove_all(saved);
          fs::create_directories(saved);
        },
        log);
    ASSERT_EQ(created, 0) << log;
    const int loaded = workspace.runLua(
        "reload_and_export.lua", session.string() + " " + reloaded.string(),
        [&] {
          fs::remove_all(reloaded);
          fs::create_directories(reloaded);
        },
        log);
    ASSERT_EQ(loaded, 0) << log;

    const std::vector<float> first = readFloatWav(saved / "export.wav");
    const std::vector<float> second = readFloatWav(reloaded / "export.wav");
    ASSERT_EQ(first.size(), 2 * kExportedFrames);
    ASSERT_EQ(second.size(), first.size());
    const float left = peakOfChannel(first, 0), right = peakOfChannel(first, 1);
    ASSERT_GT(std::max(left, right), 0.01f) << "the export is silent";
    if (std::strcmp(c.parameters, "") != 0) {
      EXPECT_GT(right, 2.0f * left) << "not at +90 degrees";
    }
    for (std::size_t i = 0; i < first.size(); ++i)
      ASSERT_EQ(first[i], second[i]) << "frame " << i / 2 << " channel " << i % 2;
    fs::remove_all(session);
  }
}

}  // namespace
