// Ardour 7 itself, headless (ardour7-lua with the Dummy backend, a private HOME), with the
// VST3 bundle: its VST3 scanner accepts it, it inserts on a mono track with one input and
// two outputs, Ardour takes its 128 samples of latency, the export equals the VST2 build's
// export of the same session within 1e-6, and the saved session reloaded in a new process
// exports identically.
//
// Ardour 7.3's Lua session tool sometimes corrupts its own heap at export or when it closes,
// whatever the plug-ins; a run that dies by a signal is repeated, not counted.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ardour_lua_tries.h"
#include "required_package.h"

namespace {

namespace fs = std::filesystem;

const char* const kArdourLua = "/usr/bin/ardour7-lua";
const char* const kVst3Scanner = "/usr/lib/ardour7/ardour-vst3-scanner";
const char* const kVstScanner = "/usr/lib/ardour7/ardour-vst-scanner";
const char* const kVst3Id = "565354536B547A712B7175656E647261";  // the bundle's class id
const char* const kVst2Id = "1903842411";                        // "kTzq", as Ardour lists it
constexpr std::size_t kExportedFrames = 88200;

std::string readText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

// Ardour trusts a cache entry only if it is newer than the plug-in, to the second.
void ageTree(const fs::path& root) {
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(root, past);
  if (fs::is_directory(root))
    for (const auto& entry : fs::recursive_directory_iterator(root))
      fs::last_write_time(entry.path(), past);
}

class ArdourWorkspace {
 public:
  ArdourWorkspace() {
    char name[] = "/tmp/quendral-ardour-vst3-XXXXXX";
    if (mkdtemp(name) == nullptr) return;
    root_ = name;
    const fs::path config = root_ / "home/.config/ardour7";
    fs::create_directories(config / "scripts");
    fs::create_directories(config / "export");
    const fs::path shared = QUENDRAL_ARDOUR_SHARED;
    fs::copy_file(shared / "quendral_test_signal.lua", config / "scripts/quendral_test_signal.lua");
    fs::copy_file(shared / "quendral-test-float.format",
                  config / "export/quendral-test-float.format");
    fs::copy_file(shared / "quendral-test-float.preset",
                  config / "export/quendral-test-float.preset");
    fs::create_directories(root_ / "vst3");
    fs::create_directories(root_ / "vst");
    fs::copy(QUENDRAL_VST3_BUNDLE, root_ / "vst3/quendral.vst3", fs::copy_options::recursive);
    fs::copy_file(QUENDRAL_PLUGIN_PATH, root_ / "vst/quendral.so");
    ageTree(root_ / "vst3/quendral.vst3");
    ageTree(root_ / "vst/quendral.so");
    environment_ = "HOME=" + (root_ / "home").string() +
                   " XDG_CACHE_HOME=" + (root_ / "home/.cache").string() +
                   " XDG_CONFIG_HOME=" + (root_ / "home/.config").string() +
                   " VST3_PATH=" + (root_ / "vst3").string() +
                   " LXVST_PATH=" + (root_ / "vst").string() +
                   " VST_PATH=" + (root_ / "vst").string();
    const std::string scanners = environment_ + " LD_LIBRARY_PATH=/usr/lib/ardour7 ";
    vst3Scanned_ =
        std::system((scanners + kVst3Scanner + " -f " + (root_ / "vst3/quendral.vst3").string() +
                     " > " + (root_ / "scan3.log").string() + " 2>&1")
                        .c_str()) == 0;
    vst2Scanned_ =
        std::system((scanners + kVstScanner + " " + (root_ / "vst/quendral.so").string() + " > " +
                     (root_ / "scan2.log").string() + " 2>&1")
                        .c_str()) == 0;
  }
  ~ArdourWorkspace() {
    if (!root_.empty()) fs::remove_all(root_);
  }

  bool ready() const { return !root_.empty() && vst2Scanned_; }
  bool vst3Scanned() const { return vst3Scanned_; }
  const fs::path& root() const { return root_; }
  std::string log(const char* name) const { return readText(root_ / name); }

  // The scanner's cache entry for the bundle (empty when there is none).
  std::string vst3Cache() const {
    const fs::path cache = root_ / "home/.cache/ardour7/vst";
    if (!fs::exists(cache)) return {};
    for (const auto& entry : fs::directory_iterator(cache))
      if (entry.path().extension() == ".v3i") return readText(entry.path());
    return {};
  }

  // Runs one script of ours in its own ardour7-lua process, repeated when it dies by a
  // signal; `clear` empties what a broken run left. Returns the last exit code.
  template <typename Clear>
  int runLua(const std::string& script, const std::string& arguments, Clear clear,
             std::string& output) {
    const fs::path logFile = root_ / "lua.log";
    int code = -1;
    for (int attempt = 0; attempt < quendral_test::kArdourLuaTries; ++attempt) {
      clear();
      const std::string command = environment_ + " timeout -s KILL 120 " + kArdourLua + " " +
                                  (fs::path(QUENDRAL_ARDOUR_SCRIPTS) / script).string() + " " +
                                  QUENDRAL_ARDOUR_SHARED + " " + arguments + " > " +
                                  logFile.string() + " 2>&1";
      const int status = std::system(command.c_str());
      code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      output = readText(logFile);
      if (!quendral_test::ardourRunBroke(code)) break;
    }
    return code;
  }

  // A session with quendral of `format` and the parameters, exported into <name>/export and
  // saved in <name>/session; then reloaded and exported into <name>/reloaded.
  bool createAndExport(const std::string& name, const std::string& format, const std::string& id,
                       const std::string& parameters, std::string& output) {
    const fs::path session = root_ / name / "session";
    const fs::path out = root_ / name / "export";
    return runLua(
               "create_and_export.lua",
               session.string() + " " + out.string() + " " + format + " " + id + " " + parameters,
               [&] {
                 fs::remove_all(session);
                 fs::remove_all(out);
                 fs::create_directories(out);
               },
               output) == 0;
  }
  bool reloadAndExport(const std::string& name, std::string& output) {
    const fs::path session = root_ / name / "session";
    const fs::path out = root_ / name / "reloaded";
    return runLua(
               "reload_and_export.lua", session.string() + " " + out.string(),
               [&] {
                 fs::remove_all(out);
                 fs::create_directories(out);
               },
               output) == 0;
  }

 private:
  fs::path root_;
  std::string environment_;
  bool vst3Scanned_ = false;
  bool vst2Scanned_ = false;
};

double largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
  double worst = 0.0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    worst = std::max(worst, std::fabs(static_cast<double>(a[i]) - b[i]));
  return worst;
}

TEST(ArdourVst3, ScansInsertsReportsLatencyAndExportsAsTheVst2Build) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  QUENDRAL_REQUIRE_PACKAGE(access(kArdourLua, X_OK) == 0, kArdourLua << " (Debian: ardour)");
  QUENDRAL_REQUIRE_PACKAGE(access(kVst3Scanner, X_OK) == 0, kVst3Scanner << " (Debian: ardour)");
  ArdourWorkspace workspace;
  ASSERT_TRUE(workspace.ready()) << workspace.log("scan2.log");
  ASSERT_TRUE(workspace.vst3Scanned()) << workspace.log("scan3.log");
  const std::string cache = workspace.vst3Cache();
  EXPECT_NE(cache.find(std::string("uid=\"") + kVst3Id + "\""), std::string::npos) << cache;
  EXPECT_NE(cache.find("name=\"+quendral\""), std::string::npos) << cache;
  EXPECT_NE(cache.find("n_inputs=\"1\" n_outputs=\"2\""), std::string::npos) << cache;

  for (const char* parameters : {"", "0=0.75"}) {
    SCOPED_TRACE(std::string("parameters: ") + parameters);
    std::string output;
    ASSERT_TRUE(workspace.createAndExport("vst3", "vst3", kVst3Id, parameters, output)) << output;
    EXPECT_NE(output.find("quendral inputs: 1\n"), std::string::npos) << output;
    EXPECT_NE(output.find("quendral outputs: 2\n"), std::string::npos) << output;
    EXPECT_NE(output.find("quendral latency: 128\n"), std::string::npos) << output;
    EXPECT_NE(output.find("quendral first parameter: angle\n"), std::string::npos) << output;
    ASSERT_TRUE(workspace.createAndExport("vst2", "lxvst", kVst2Id, parameters, output)) << output;
    ASSERT_TRUE(workspace.reloadAndExport("vst3", output)) << output;

    const auto vst3 = readFloatWav(workspace.root() / "vst3/export/export.wav");
    const auto vst2 = readFloatWav(workspace.root() / "vst2/export/export.wav");
    const auto reloaded = readFloatWav(workspace.root() / "vst3/reloaded/export.wav");
    ASSERT_EQ(vst3.size(), 2 * kExportedFrames);
    ASSERT_EQ(vst2.size(), vst3.size());
    ASSERT_EQ(reloaded.size(), vst3.size());
    float left = 0.0f, right = 0.0f;
    for (std::size_t i = 0; i < vst3.size(); i += 2) {
      left = std::max(left, std::fabs(vst3[i]));
      right = std::max(right, std::fabs(vst3[i + 1]));
    }
    ASSERT_GT(std::max(left, right), 0.01f) << "the export is silent";
    if (parameters[0] != 0) {
      EXPECT_GT(right, 2.0f * left) << "not at +90 degrees";
    }
    EXPECT_LE(largestDifference(vst3, vst2), 1e-6) << "VST3 and VST2 exports differ";
    for (std::size_t i = 0; i < vst3.size(); ++i)
      ASSERT_EQ(vst3[i], reloaded[i]) << "frame " << i / 2 << " channel " << i % 2;
  }
}

}  // namespace
