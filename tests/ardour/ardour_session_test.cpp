// Ardour 7 headless (ardour7-lua, Dummy backend, private HOME) with each format: its scanners
// accept quendral, it inserts mono to stereo with 128 samples of latency, and each case's
// session, exported, saved and reloaded in a second process, exports the same as before and
// as the VST2 build's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "lv2_test_support.h"
#include "required_package.h"

namespace {

using namespace quendral_lv2_test;
using quendral_test::Channels;
using quendral_test::largestDifference;

const char* const kArdourLua = "/usr/bin/ardour7-lua";
// ardour7-lua 7.3 dies by a signal in about three runs in eight, with or without quendral:
// such a run (or a hung one, exit code 124 and above) is run again, up to eight times.
constexpr int kTries = 8;

CommandResult runShell(const std::string& command, const fs::path& log) {
  return runProgram({"/bin/sh", "-c", command}, {}, log, 600);
}

const char* const kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
const char* const kVst2Id = "1903842411";       // "kTzq", as Ardour lists it
constexpr std::size_t kExportedFrames = 88200;  // session.lua exports two seconds at 44.1 kHz

enum class Check { RightEar, OnTheRight, Sweep, UnlikeDefaultState, UnlikeThePreviousCase };

// One state set on quendral before the first export: settings in the normalised units of the
// VST formats and in the LV2 ports' own units; `onlyIn` names the one format it is for.
struct Case {
  const char* name;
  const char* normalised;  // session.lua's settings, space-separated
  const char* lv2Units;
  Check check;
  const char* onlyIn;
};

// The synced sweep turns once in two seconds at 120 beats per minute; Ardour's VST3 and LV2
// hosts do not render it as its VST2 host does, so VST2 alone checks it. The own set's preset
// keeps the default placement: its export must differ from the default state's.
const std::vector<Case> kCases = {
    {"own set from a preset", "PRESET=my-head", "", Check::UnlikeDefaultState, "VST2"},
    {"angle 90 degrees, gain -6 dB", "0=0.75 6=0.25", "0=90 6=-6", Check::RightEar, nullptr},
    // The same angle above the horizontal plane (45 degrees: exact in every format's units).
    // Ardour counts LV2's control ports, the latency output among them: "elevation" is 25.
    {"angle 135 degrees", "0=0.875", "0=135", Check::OnTheRight, nullptr},
    {"angle 135 degrees, elevation 45", "0=0.875 24=0.75", "0=135 25=45",
     Check::UnlikeThePreviousCase, nullptr},
    {"synced sweep", "1=1 2=0.31 4=1", "", Check::Sweep, "VST2"},
};

// One format Ardour loads quendral in; a new one is one more row.
struct Format {
  const char* name;
  const char* ardourType;            // session.lua's plug-in type
  const char* id;                    // what Ardour lists the plug-in by
  const char* scanner;               // Ardour's scanner for the format; nullptr: read through lilv
  const char* scannedPlugin;         // its argument, in the workspace
  const char* cacheEntry;            // the extension of the scanner's cache file
  std::vector<std::string> scanned;  // what that cache entry must say
  bool lv2Units;
};

const Format kFormats[] = {
    {"VST2",
     "LXVST",
     kVst2Id,
     "ardour-vst-scanner",
     "vst/quendral.so",
     ".v2i",
     {"id=\"1903842411\"", "creator=\"Quillmoor\"", "can_process_replace=\"1\""},
     false},
    {"VST3",
     "VST3",
     "565354536B547A712B7175656E647261",
     "ardour-vst3-scanner -f",
     "vst3/quendral.vst3",
     ".v3i",
     {"uid=\"565354536B547A712B7175656E647261\"", "vendor=\"Quillmoor\""},
     false},
    {"LV2", "LV2", "urn:quillmoor:quendral", nullptr, nullptr, nullptr, {}, true},
};

// A private Ardour configuration (test signal, export format) and plug-in folders with the
// VST2 build, the reference every format's export is compared with, and the VST3 bundle; the
// LV2 bundle is read where the build puts it.
class ArdourWorkspace {
 public:
  ArdourWorkspace() {
    if (root_.empty()) return;
    const fs::path config = root_ / "home/.config/ardour7";
    fs::create_directories(config / "scripts");
    fs::create_directories(config / "export");
    const fs::path here = QUENDRAL_ARDOUR_SCRIPTS;
    fs::copy_file(here / "quendral_test_signal.lua", config / "scripts/quendral_test_signal.lua");
    for (const char* file : {"quendral-test-float.format", "quendral-test-float.preset"})
      fs::copy_file(here / file, config / "export" / file);
    fs::create_directories(root_ / "vst");
    fs::create_directories(root_ / "vst3");
    fs::copy_file(QUENDRAL_PLUGIN_PATH, root_ / "vst/quendral.so");
    fs::copy(QUENDRAL_VST3_BUNDLE, root_ / "vst3/quendral.vst3", fs::copy_options::recursive);
    // Ardour trusts a cache entry only if it is newer than the plug-in, to the second.
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& entry : fs::recursive_directory_iterator(root_))
      fs::last_write_time(entry.path(), past);
    const std::string home = (root_ / "home").string();
    environment_ = "HOME=" + home + " XDG_CACHE_HOME=" + home + "/.cache XDG_CONFIG_HOME=" + home +
                   "/.config LXVST_PATH=" + (root_ / "vst").string() +
                   " VST_PATH=" + (root_ / "vst").string() +
                   " VST3_PATH=" + (root_ / "vst3").string() +
                   " LV2_PATH=" QUENDRAL_LV2_PATH ":/usr/lib/lv2 ";
  }
  const fs::path& root() const { return root_; }

  // Runs Ardour's scanner on the plug-in of `format`; returns its cache entry, or the
  // scanner's output when it refused the plug-in.
  std::string scan(const Format& format) const {
    const CommandResult run =
        runShell(environment_ + "LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/" +
                     format.scanner + " " + (root_ / format.scannedPlugin).string(),
                 root_ / "scan.log");
    if (run.exitCode == 0)
      for (const auto& entry : fs::directory_iterator(root_ / "home/.cache/ardour7/vst"))
        if (entry.path().extension() == format.cacheEntry) return readText(entry.path());
    return "failed: " + run.output;
  }

  // A user's own response set as a user brings it into Ardour: quendral-render reads a copy
  // of the MIT KEMAR SOFA file and saves a program file, whose chunk becomes an Ardour user
  // preset "my-head" of the VST2 build. Returns what went wrong, or "".
  std::string installOwnSetPreset() const {
    fs::create_directories(root_ / "sofa");
    fs::copy_file(kMitKemar, root_ / "sofa/my-head.sofa");
    // A program file's chunk starts at byte 60; Ardour keeps chunk presets in base64.
    const std::string program = (root_ / "my-head.fxp").string();
    writeMonoFloatWav(root_ / "silence.wav", std::vector<float>(441), 44100);
    const CommandResult run =
        runShell(QUENDRAL_RENDER_PATH " -q --plugin " QUENDRAL_PLUGIN_PATH " --sofa " +
                     root_.string() + "/sofa/my-head.sofa --save-preset " + program + " " +
                     root_.string() + "/silence.wav " + root_.string() +
                     "/out.wav && tail -c +61 " + program + " | base64 -w0 > " + program + ".b64",
                 root_ / "render.log");
    if (run.exitCode != 0) return run.output;
    fs::create_directories(presetsFile().parent_path());
    std::ofstream(presetsFile()) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VSTPresets>\n"
                                 << "  <ChunkPreset uri=\"VST:" << kVst2Id
                                 << ":xmyhead\" version=\"1\" label=\"my-head\" numParams=\"24\">"
                                 << readText(program + ".b64") << "</ChunkPreset>\n</VSTPresets>\n";
    return "";
  }
  // Neither the SOFA file nor Ardour's preset stays for the reload: only the session.
  void removeOwnSetSources() const {
    fs::remove_all(root_ / "sofa");
    fs::remove(presetsFile());
  }

  // Runs session.lua's steps (each "create ..." or "reload ...", with its output folder),
  // in as few ardour7-lua processes as Ardour's own crashes allow: a run that dies by a
  // signal is followed by one that does only the steps left without their output. Returns
  // the output of the last run, "" when every step finished.
  struct Step {
    std::string words;
    fs::path out, session;  // `session`: the folder a create step makes, else empty
  };
  std::string runSteps(const std::vector<Step>& steps) const {
    std::string failure;
    for (int fruitless = 0; fruitless < kTries;) {
      std::string arguments;
      std::size_t left = 0;
      for (const Step& step : steps) {
        if (fs::exists(step.out / "done")) continue;
        fs::remove_all(step.out);
        if (!step.session.empty()) fs::remove_all(step.session);
        fs::create_directories(step.out);
        arguments += (left++ ? " then " : " ") + step.words;
      }
      if (left == 0) return "";
      const CommandResult run = runShell(environment_ + "timeout -s KILL 300 " + kArdourLua + " " +
                                             QUENDRAL_ARDOUR_SCRIPTS "/session.lua" + arguments,
                                         root_ / "lua.log");
      failure = "exit code " + std::to_string(run.exitCode) + ": " + run.output;
      if (run.exitCode < 124) break;
      const bool progressed = std::any_of(
          steps.begin(), steps.end(), [&](const Step& s) { return fs::exists(s.out / "done"); });
      if (!progressed) ++fruitless;
    }
    for (const Step& step : steps)
      if (!fs::exists(step.out / "done")) return failure;
    return "";
  }

 private:
  fs::path presetsFile() const {  // VST presets are kept per plug-in ID
    return root_ / (std::string("home/.config/ardour7/presets/vst-") + kVst2Id);
  }

  ScratchFolder scratch_;
  const fs::path root_ = scratch_.path();
  std::string environment_;
};

// The lowest and highest level of the right ear over the left, in dB, over windows of 0.1 s.
std::pair<double, double> balanceRange(const Channels& ears) {
  const std::size_t window = kExportedFrames / 20;
  double lowest = INFINITY, highest = -INFINITY;
  for (std::size_t start = 0; start + window <= ears[0].size(); start += window) {
    double energy[2] = {1e-20, 1e-20};
    for (std::size_t i = start; i < start + window; ++i)
      for (int c = 0; c < 2; ++c) energy[c] += ears[c][i] * ears[c][i];
    const double balance = 10.0 * std::log10(energy[1] / energy[0]);
    lowest = std::min(lowest, balance);
    highest = std::max(highest, balance);
  }
  return {lowest, highest};
}

// Every format's sessions are made in one run of Ardour and reloaded in a second: each case's
// session per format, and the VST2 build's default state for the own set to differ from.
TEST(ArdourSession, EachFormatScansInsertsAndReloadsToTheVst2BuildsExport) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  QUENDRAL_REQUIRE_PACKAGE(access(kArdourLua, X_OK) == 0, kArdourLua << " (Debian: ardour)");
  QUENDRAL_REQUIRE_PACKAGE(access(kMitKemar, R_OK) == 0, kMitKemar << " (Debian: libmysofa1)");
  ArdourWorkspace workspace;
  ASSERT_FALSE(workspace.root().empty());
  for (const Format& format : kFormats) {
    if (format.scanner == nullptr) continue;
    const std::string entry = workspace.scan(format);
    std::vector<std::string> facts = format.scanned;
    facts.insert(facts.end(), {"name=\"+quendral\"", "n_inputs=\"1\" n_outputs=\"2\""});
    for (const std::string& fact : facts) EXPECT_NE(entry.find(fact), std::string::npos) << entry;
  }
  ASSERT_EQ(workspace.installOwnSetPreset(), "");

  std::vector<ArdourWorkspace::Step> created, reloaded;
  auto folder = [&](std::size_t c, const std::string& what) {
    return workspace.root() / ("case" + std::to_string(c)) / what;
  };
  const auto create = [&](std::size_t c, const std::string& name, const Format& format,
                          const char* settings) {
    created.push_back({"create " + folder(c, name + "-session").string() + " " +
                           folder(c, name).string() + " " + format.ardourType + " " + format.id +
                           " " + settings,
                       folder(c, name), folder(c, name + "-session")});
  };
  for (std::size_t c = 0; c < kCases.size(); ++c) {
    for (const Format& format : kFormats) {
      const Case& item = kCases[c];
      if (item.onlyIn != nullptr && item.onlyIn != std::string(format.name)) continue;
      create(c, format.name, format, format.lv2Units ? item.lv2Units : item.normalised);
      reloaded.push_back({"reload " + folder(c, std::string(format.name) + "-session").string() +
                              " " + folder(c, std::string(format.name) + "-reloaded").string(),
                          folder(c, std::string(format.name) + "-reloaded"),
                          {}});
    }
    if (kCases[c].check == Check::UnlikeDefaultState) create(c, "default", kFormats[0], "");
  }
  ASSERT_EQ(workspace.runSteps(created), "");
  workspace.removeOwnSetSources();
  ASSERT_EQ(workspace.runSteps(reloaded), "");

  for (std::size_t c = 0; c < kCases.size(); ++c) {
    const Case& item = kCases[c];
    const Channels vst2 = readAudio(folder(c, "VST2") / "export.wav");
    for (const Format& format : kFormats) {
      const fs::path exported = folder(c, format.name);
      if (!fs::exists(exported)) continue;
      SCOPED_TRACE(std::string(item.name) + " in " + format.name);
      EXPECT_EQ(readText(exported / "plugin.txt"),
                "inputs 1, outputs 2, latency 128, first parameter angle\n");
      const Channels first = readAudio(exported / "export.wav");
      const Channels again =
          readAudio(folder(c, std::string(format.name) + "-reloaded") / "export.wav");
      ASSERT_EQ(first.size(), 2u);
      ASSERT_EQ(first[0].size(), kExportedFrames);
      ASSERT_GT(quendral_test::energy(first), 1.0) << "the export is silent";
      const auto [quietest, loudest] = balanceRange(first);
      EXPECT_EQ(largestDifference(first, again), 0.0) << "the reloaded session sounds otherwise";
      EXPECT_LE(largestDifference(first, vst2), 1e-6) << "unlike the VST2 build";
      if (item.check == Check::UnlikeDefaultState) {
        EXPECT_GT(largestDifference(first, readAudio(folder(c, "default") / "export.wav")), 0.01)
            << "the own set sounds like the built-in set";
      }
      if (item.check == Check::RightEar) {
        EXPECT_GT(quietest, 3.0) << "not at the right ear";
      }
      if (item.check == Check::OnTheRight || item.check == Check::UnlikeThePreviousCase) {
        EXPECT_GT(quietest, 0.0) << "not on the right";
      }
      if (item.check == Check::UnlikeThePreviousCase) {
        EXPECT_GT(largestDifference(first, readAudio(folder(c - 1, format.name) / "export.wav")),
                  0.01)
            << "the elevation changes nothing";
      }
      if (item.check == Check::Sweep) {
        // One turn in the two seconds: each ear is the louder one for part of them.
        EXPECT_LT(quietest, -6.0) << "never at the left ear";
        EXPECT_GT(loudest, 6.0) << "never at the right ear";
      }
    }
  }
}

}  // namespace
