// What the README promises about installing: `cmake --install build` puts each format's
// plug-in in the per-user folder, `--prefix /usr/local` in <prefix>/lib/<format folder>, and
// Ardour 7 with nothing but its own defaults (a private HOME, no LXVST_PATH) finds the
// plug-in installed with that prefix, and the per-user one once its preference names the
// folder. Nothing is written outside a temporary folder: the prefix install is staged there
// with DESTDIR, and Ardour sees it at /usr/local through a private mount namespace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "ardour/ardour_host.h"
#include "required_package.h"

namespace {

using namespace quendral_ardour;

// One shipped format: the installed plug-in below the prefix and below HOME, Ardour's
// option for the format's folders (none where Ardour looks in the per-user folder by
// default), find_plugin.lua's type, Ardour's identifier of the plug-in, and Ardour's scanner
// (none for LV2, which Ardour reads through lilv).
struct Format {
  const char *name, *belowPrefix, *belowHome, *preference, *ardourType, *ardourId, *scanner;
};

const Format kFormats[] = {
    {"VST2", "lib/vst/quendral.so", ".vst/quendral.so", "plugin-path-lxvst", "LXVST", "1903842411",
     "/usr/lib/ardour7/ardour-vst-scanner"},
    {"VST3", "lib/vst3/quendral.vst3", ".vst3/quendral.vst3", nullptr, "VST3",
     "565354536B547A712B7175656E647261", "/usr/lib/ardour7/ardour-vst3-scanner"},
    {"LV2", "lib/lv2/quendral.lv2", ".lv2/quendral.lv2", nullptr, "LV2", "urn:quillmoor:quendral",
     nullptr},
};

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// Runs `command` with sh; its exit status, its output (stdout and stderr) in `output`.
int run(const std::string& command, std::string& output, const fs::path& logFile) {
  const int code = runShell(command, logFile);
  output = readText(logFile);
  return code;
}

// A temporary root holding both installs of the build and a private HOME for Ardour.
class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char name[] = "/tmp/quendral-install-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    root_ = name;
    fs::create_directories(home());
    std::string log;
    const std::string cmake = quoted(QUENDRAL_CMAKE) + " --install " + quoted(QUENDRAL_BUILD_DIR);
    installed_ = run("DESTDIR=" + quoted(stage().string()) + " " + cmake + " --prefix /usr/local",
                     log, root_ / "install.log") == 0;
    installLog_ = log;
    // The per-user install is staged too, so that a build whose prefix is not the per-user
    // one fails here instead of writing to the machine; then it moves to the private HOME.
    const fs::path guard = root_ / "guard";
    installed_ = installed_ && run("DESTDIR=" + quoted(guard.string()) +
                                       " HOME=" + quoted(home().string()) + " " + cmake,
                                   log, root_ / "install.log") == 0;
    installLog_ += log;
    const fs::path staged = guard / home().relative_path();
    std::error_code error;
    for (const char* folder : {".vst", ".vst3", ".lv2", ".clap", ".local"})
      if (fs::exists(staged / folder)) fs::rename(staged / folder, home() / folder, error);
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  static fs::path stage() { return root_ / "stage"; }
  static fs::path home() { return root_ / "home"; }

  // The environment of a newcomer's Ardour: this HOME, none of the variables that change
  // Ardour's plug-in folders.
  static std::string ardourEnvironment() {
    return "env -u LXVST_PATH -u VST_PATH -u VST3_PATH -u LV2_PATH HOME=" +
           quoted(home().string()) + " XDG_CONFIG_HOME=" + quoted((home() / ".config").string()) +
           " XDG_CACHE_HOME=" + quoted((home() / ".cache").string());
  }

  // `command` as a shell script, run by sh directly or, with `inNamespace`, in a private
  // mount namespace where the staged /usr/local is mounted over /usr/local.
  static std::string shell(const std::string& command, bool inNamespace) {
    const fs::path script = root_ / "step.sh";
    std::ofstream(script) << command << "\n";
    if (!inNamespace) return "sh " + quoted(script.string());
    return "unshare --mount --propagation private sh -c 'mount --bind \"$1\" /usr/local && "
           "exec sh \"$2\"' sh " +
           quoted((stage() / "usr/local").string()) + " " + quoted(script.string());
  }

  // Runs one of this suite's Lua scripts in ardour7-lua; retried when Ardour dies by a
  // signal. Returns the output of the last run.
  static std::string ardourLua(const std::string& script, const std::string& arguments,
                               bool inNamespace = false) {
    const std::string command =
        shell(ardourEnvironment() + " timeout -s KILL 120 " + kArdourLua + " " +
                  quoted((fs::path(QUENDRAL_INSTALL_SCRIPTS) / script).string()) + " " + arguments,
              inNamespace);
    std::string output;
    for (int attempt = 0; attempt < kTries; ++attempt) {
      fs::remove_all(root_ / "session");
      if (!runBroke(run(command, output, root_ / "lua.log"))) break;
    }
    return output;
  }

  // Ardour's scanner on `plugin` (a path as Ardour will see it), writing Ardour's cache in
  // the private HOME; Ardour trusts a cache entry only when it is newer than the plug-in.
  static std::string scan(const Format& format, const fs::path& file, const std::string& seenAs,
                          bool inNamespace = false) {
    if (format.scanner == nullptr) return "";
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    const std::string command = shell(ardourEnvironment() + " LD_LIBRARY_PATH=/usr/lib/ardour7 " +
                                          format.scanner + " " + quoted(seenAs),
                                      inNamespace);
    std::string output;
    run(command, output, root_ / "scan.log");
    return output;
  }

  static void requireArdour() {
    QUENDRAL_REQUIRE_PACKAGE(access(kArdourLua, X_OK) == 0, kArdourLua << " (Debian: ardour)");
  }

  static fs::path root_;
  static bool installed_;
  static std::string installLog_;
};

fs::path InstalledTree::root_;
bool InstalledTree::installed_ = false;
std::string InstalledTree::installLog_;

TEST_F(InstalledTree, PrefixAndPerUserInstallsUseTheFormatsFolders) {
  ASSERT_TRUE(installed_) << installLog_;
  for (const Format& format : kFormats) {
    SCOPED_TRACE(format.name);
    EXPECT_TRUE(fs::exists(stage() / "usr/local" / format.belowPrefix)) << installLog_;
    EXPECT_TRUE(fs::exists(home() / format.belowHome)) << installLog_;
  }
  // Each installed quendral-render finds the plug-in installed with it, by itself.
  const fs::path empty = root_ / "empty-home";
  fs::create_directories(empty);
  for (const auto& [bin, homeDir, plugin] :
       {std::tuple{stage() / "usr/local/bin", empty, stage() / "usr/local/lib/vst/quendral.so"},
        std::tuple{home() / ".local/bin", home(), home() / ".vst/quendral.so"}}) {
    std::string info;
    EXPECT_EQ(run("HOME=" + quoted(homeDir.string()) + " " +
                      quoted((bin / "quendral-render").string()) + " --info",
                  info, root_ / "info.log"),
              0)
        << info;
    EXPECT_NE(info.find("plug-in:    " + plugin.string()), std::string::npos) << info;
  }
  // Each module has the SOFA reader's program beside it, where it starts it from.
  for (const fs::path& folder :
       {stage() / "usr/local/lib/vst",
        stage() / "usr/local/lib/vst3/quendral.vst3/Contents/x86_64-linux",
        stage() / "usr/local/lib/lv2/quendral.lv2", stage() / "usr/local/lib/clap",
        stage() / "usr/local/bin", home() / ".vst",
        home() / ".vst3/quendral.vst3/Contents/x86_64-linux", home() / ".lv2/quendral.lv2",
        home() / ".clap", home() / ".local/bin"}) {
    EXPECT_EQ(access((folder / "quendral-sofa-reader").c_str(), X_OK), 0) << folder;
  }
  // Nothing else lands in the prefix: every file is in one of the formats' folders or bin.
  for (const auto& entry : fs::recursive_directory_iterator(stage() / "usr/local")) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), stage() / "usr/local").string();
    EXPECT_TRUE(relative.rfind("bin/", 0) == 0 || relative.rfind("lib/vst", 0) == 0 ||
                relative.rfind("lib/lv2/", 0) == 0 || relative.rfind("lib/clap/", 0) == 0)
        << relative;
  }
}

// The prefix install as Ardour sees it with nothing but its defaults (a mount namespace of its
// own shows the staged /usr/local at /usr/local), and the per-user one with the folders the
// README tells the user to add in Preferences > Plugins, where the format needs one.
TEST_F(InstalledTree, ArdourFindsThePluginOfEachInstall) {
  requireArdour();
  ASSERT_TRUE(installed_) << installLog_;
  std::string probe;
  if (run(shell("true", true), probe, root_ / "unshare.log") != 0)
    GTEST_SKIP() << "no private mount namespace here (unshare --mount): " << probe;
  for (const bool perUser : {false, true}) {
    SCOPED_TRACE(perUser ? "per-user install" : "prefix install");
    fs::remove_all(home() / ".cache");
    std::string scanned, arguments = quoted((root_ / "session").string()), options;
    for (const Format& format : kFormats) {
      const fs::path installed =
          perUser ? home() / format.belowHome : stage() / "usr/local" / format.belowPrefix;
      const fs::path seenAs = perUser ? installed : fs::path("/usr/local") / format.belowPrefix;
      scanned += scan(format, installed, seenAs.string(), !perUser);
      arguments += std::string(" ") + format.ardourType + " " + format.ardourId;
      if (perUser && format.preference != nullptr)
        options += std::string("    <Option name=\"") + format.preference + "\" value=\"" +
                   installed.parent_path().string() + "\"/>\n";
    }
    fs::create_directories(home() / ".config/ardour7");
    std::ofstream(home() / ".config/ardour7/config")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Ardour>\n  <Config>\n"
        << options << "  </Config>\n</Ardour>\n";
    const std::string found = ardourLua("find_plugin.lua", arguments, !perUser);
    fs::remove_all(home() / ".config/ardour7/config");
    for (const Format& format : kFormats)
      EXPECT_NE(found.find(std::string(format.ardourType) + " found: +quendral"), std::string::npos)
          << scanned << found;
  }
}

}  // namespace
