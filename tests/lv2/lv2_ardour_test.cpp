// Ardour 7, headless (ardour7-lua with the Dummy backend), with the LV2 build: inserted by
// its URI on a mono track, it reports 128 samples of latency; its export equals the VST2
// build's export of the same session within 1e-6; the saved session, loaded in a new
// process, exports the same samples again.
//
// Ardour 7.3's Lua session tool sometimes corrupts its own heap at export or when it closes,
// whatever the plug-ins; a run that dies by a signal is repeated, not counted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "ardour_lua_tries.h"
#include "lv2_test_support.h"
#include "required_package.h"

namespace {

using namespace quendral_lv2_test;

const char* const kArdourLua = "/usr/bin/ardour7-lua";
const char* const kScanner = "/usr/lib/ardour7/ardour-vst-scanner";
constexpr std::size_t kExportedFrames = 88200;  // the scripts export two seconds at 44.1 kHz

// A private Ardour configuration with the shared test signal and export format, the VST2
// build in a folder of its own (scanned into Ardour's cache) and the LV2 build's folder.
class ArdourWorkspace {
 public:
  ArdourWorkspace() {
    if (scratch_.path().empty()) return;
    const fs::path config = scratch_ / "home/.config/ardour7";
    fs::create_directories(config / "scripts");
    fs::create_directories(config / "export");
    fs::create_directories(scratch_ / "vst");
    const fs::path shared = sharedScripts();
    fs::copy_file(shared / "quendral_test_signal.lua", config / "scripts/quendral_test_signal.lua");
    fs::copy_file(shared / "quendral-test-float.format",
                  config / "export/quendral-test-float.format");
    fs::copy_file(shared / "quendral-test-float.preset",
                  config / "export/quendral-test-float.preset");
    const fs::path plugin = scratch_ / "vst/quendral.so";
    fs::copy_file(QUENDRAL_PLUGIN_PATH, plugin);
    // Ardour trusts a cache entry only if it is newer than the plug-in, to the second.
    fs::last_write_time(plugin, fs::file_time_type::clock::now() - std::chrono::hours(1));
    const std::string home = (scratch_ / "home").string();
    environment_ = {"HOME=" + home,
                    "XDG_CACHE_HOME=" + home + "/.cache",
                    "XDG_CONFIG_HOME=" + home + "/.config",
                    "LXVST_PATH=" + (scratch_ / "vst").string(),
                    "VST_PATH=" + (scratch_ / "vst").string(),
                    "LV2_PATH=" QUENDRAL_LV2_PATH ":/usr/lib/lv2"};
    std::vector<std::string> scanEnvironment = environment_;
    scanEnvironment.push_back("LD_LIBRARY_PATH=/usr/lib/ardour7");
    scanned_ =
        runProgram({kScanner, plugin.string()}, scanEnvironment, scratch_ / "scan.log").exitCode ==
        0;
  }

  static fs::path sharedScripts() { return fs::path(QUENDRAL_LV2_SCRIPTS) / "../plugin/ardour"; }
  static fs::path lv2Scripts() { return fs::path(QUENDRAL_LV2_SCRIPTS) / "ardour"; }

  bool ready() const { return !scratch_.path().empty() && scanned_; }
  const ScratchFolder& scratch() const { return scratch_; }
  std::string scanLog() const { return readText(scratch_ / "scan.log"); }

  // Runs one Lua script in its own ardour7-lua process; a process that dies by a signal or
  // hangs is run again after `beforeEachRun` cleared what it left.
  CommandResult runLua(const fs::path& script, const std::vector<std::string>& arguments,
                       const std::function<void()>& beforeEachRun) {
    CommandResult result;
    for (int attempt = 0; attempt < quendral_test::kArdourLuaTries; ++attempt) {
      beforeEachRun();
      std::vector<std::string> command = {kArdourLua, script.string()};
      command.insert(command.end(), arguments.begin(), arguments.end());
      result = runProgram(command, environment_, scratch_ / "lua.log", 120);
      if (!quendral_test::ardourRunBroke(result.exitCode)) break;
    }
    return result;
  }

 private:
  ScratchFolder scratch_;
  std::vector<std::string> environment_;
  bool scanned_ = false;
};

// A fresh, empty folder.
void freshFolder(const fs::path& path) {
  fs::remove_all(path);
  fs::create_directories(path);
}

TEST(Lv2InArdour, ExportsAsTheVst2BuildAndReloadsToTheSameExport) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  QUENDRAL_REQUIRE_PACKAGE(access(kArdourLua, X_OK) == 0, kArdourLua << " (Debian: ardour)");
  QUENDRAL_REQUIRE_PACKAGE(access(kScanner, X_OK) == 0, kScanner << " (Debian: ardour)");
  ArdourWorkspace workspace;
  ASSERT_TRUE(workspace.ready()) << workspace.scanLog();
  const ScratchFolder& scratch = workspace.scratch();

  struct Case {
    const char* name;
    std::vector<std::string> vst2Parameters;  // INDEX=VALUE, normalised
    std::vector<std::string> lv2Parameters;   // INDEX=VALUE, in the ports' units
  };
  const std::vector<Case> cases = {
      {"default state", {}, {}},
      {"angle 90 degrees, gain -6 dB", {"0=0.75", "6=0.25"}, {"0=90", "6=-6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path vst2Session = scratch / "vst2-session";
    const fs::path vst2Export = scratch / "vst2-export";
    std::vector<std::string> arguments = {vst2Session.string(), vst2Export.string()};
    arguments.insert(arguments.end(), c.vst2Parameters.begin(), c.vst2Parameters.end());
    CommandResult run = workspace.runLua(ArdourWorkspace::sharedScripts() / "create_and_export.lua",
                                         arguments, [&] {
                                           fs::remove_all(vst2Session);
                                           freshFolder(vst2Export);
                                         });
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const fs::path session = scratch / "lv2-session";
    const fs::path saved = scratch / "lv2-export";
    arguments = {session.string(), saved.string(), ArdourWorkspace::sharedScripts().string(),
                 QUENDRAL_LV2_URI};
    arguments.insert(arguments.end(), c.lv2Parameters.begin(), c.lv2Parameters.end());
    run = workspace.runLua(ArdourWorkspace::lv2Scripts() / "create_and_export_lv2.lua", arguments,
                           [&] {
                             fs::remove_all(session);
                             freshFolder(saved);
                           });
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("quendral latency 128\n"), std::string::npos) << run.output;

    const fs::path reloaded = scratch / "lv2-reloaded";
    run = workspace.runLua(ArdourWorkspace::sharedScripts() / "reload_and_export.lua",
                           {session.string(), reloaded.string()}, [&] { freshFolder(reloaded); });
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const Audio vst2 = readAudio(vst2Export / "export.wav");
    const Audio lv2 = readAudio(saved / "export.wav");
    const Audio again = readAudio(reloaded / "export.wav");
    ASSERT_EQ(vst2.frames(), kExportedFrames);
    expectSameRender(vst2, lv2, 1e-6f, "LV2 export against the VST2 export");
    ASSERT_EQ(again.samples.size(), lv2.samples.size());
    for (std::size_t i = 0; i < lv2.samples.size(); ++i)
      ASSERT_EQ(lv2.samples[i], again.samples[i]) << "frame " << i / 2 << " channel " << i % 2;
    if (!c.vst2Parameters.empty()) {
      EXPECT_GT(peakOfChannel(lv2, 1), 2.0f * peakOfChannel(lv2, 0)) << "not at +90 degrees";
    }
    fs::remove_all(session);
    fs::remove_all(vst2Session);
  }
}

}  // namespace
