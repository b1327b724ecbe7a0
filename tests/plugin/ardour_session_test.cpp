// Ardour 7 itself, headless (ardour7-lua with the Dummy backend): a session with quendral on
// a mono track is exported and saved in one process, then loaded and exported again in a
// second one. The two renders must be equal sample for sample: the saved session brings
// quendral back to exactly the sound it had, also with a tempo-synced sweep running, which
// stands where the song position puts it whenever the transport plays, and with a user's own
// response set that came into Ardour as a preset (saved by quendral-render from a SOFA file
// that is gone before the session is reloaded): the session alone carries the set.
//
// Ardour 7.3's Lua session tool sometimes corrupts its own heap at export or when it closes,
// whatever the plug-ins; a run that dies by a signal is repeated, not counted.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ardour_lua_tries.h"
#include "required_package.h"

namespace {

namespace fs = std::filesystem;

const char* const kArdourLua = "/usr/bin/ardour7-lua";
const char* const kScanner = "/usr/lib/ardour7/ardour-vst-scanner";
const char* const kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
const char* const kOwnSetPreset = "my-head";    // the label of the Ardour preset holding the set
constexpr std::size_t kExportedFrames = 88200;  // the scripts export two seconds at 44.1 kHz

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

// A mono 32-bit float WAV file of `frames` silent samples at 44.1 kHz.
bool writeSilentWav(const fs::path& path, uint32_t frames) {
  auto u32 = [](std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [](std::string& out, uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
  std::string bytes = "RIFF";
  u32(bytes, 36 + 4 * frames);
  bytes += "WAVEfmt ";
  u32(bytes, 16);
  u16(bytes, 3);  // IEEE float
  u16(bytes, 1);
  u32(bytes, 44100);
  u32(bytes, 4 * 44100);
  u16(bytes, 4);
  u16(bytes, 32);
  bytes += "data";
  u32(bytes, 4 * frames);
  bytes.append(4 * frames, '\0');
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    uint32_t group = static_cast<uint8_t>(bytes[at]) << 16;
    if (at + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[at + 1]) << 8;
    if (at + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[at + 2]);
    text += kDigits[group >> 18];
    text += kDigits[(group >> 12) & 63];
    text += at + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
    text += at + 2 < bytes.size() ? kDigits[group & 63] : '=';
  }
  return text;
}

// The chunk of a VST2 program file (.fxp: 'CcnK', ..., 'FPCh', the chunk's big-endian size
// at byte 56, the chunk from byte 60); empty when the file is not one.
std::string programFileChunk(const fs::path& path) {
  const std::string bytes = readText(path);
  if (bytes.size() < 60 || bytes.compare(0, 4, "CcnK") != 0 || bytes.compare(8, 4, "FPCh") != 0)
    return {};
  uint32_t size = 0;
  for (int i = 0; i < 4; ++i) size = size << 8 | static_cast<uint8_t>(bytes[56 + i]);
  if (bytes.size() - 60 != size) return {};
  return bytes.substr(60);
}

float peakOfChannel(const std::vector<float>& interleaved, std::size_t channel) {
  float peak = 0.0f;
  for (std::size_t i = channel; i < interleaved.size(); i += 2)
    peak = std::max(peak, std::fabs(interleaved[i]));
  return peak;
}

// The lowest and highest level of channel 1 over channel 0, in dB, over windows of
// `window` frames.
std::pair<double, double> balanceRange(const std::vector<float>& interleaved, std::size_t window) {
  double lowest = 0.0, highest = 0.0;
  for (std::size_t start = 0; start + window <= interleaved.size() / 2; start += window) {
    double energy[2] = {1e-20, 1e-20};
    for (std::size_t i = start; i < start + window; ++i)
      for (int c = 0; c < 2; ++c) energy[c] += interleaved[2 * i + c] * interleaved[2 * i + c];
    const double balance = 10.0 * std::log10(energy[1] / energy[0]);
    lowest = std::min(lowest, balance);
    highest = std::max(highest, balance);
  }
  return {lowest, highest};
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
  // Ardour's user presets of quendral (VST presets are kept per plug-in ID).
  fs::path presetsFile() const { return root_ / "home/.config/ardour7/presets/vst-1903842411"; }
  std::string scanLog() const { return readText(root_ / "scan.log"); }

  // Runs one Lua script in its own ardour7-lua process. A process that dies by a signal (or
  // hangs) is run again; `beforeEachRun` clears what a broken run left. Returns the exit code
  // of the last run and leaves its output in `log`.
  template <typename Clear>
  int runLua(const std::string& script, const std::string& arguments, Clear beforeEachRun,
             std::string& log) {
    const fs::path logFile = root_ / "lua.log";
    int code = -1;
    for (int attempt = 0; attempt < quendral_test::kArdourLuaTries; ++attempt) {
      beforeEachRun();
      const std::string command = environment_ + " timeout -s KILL 120 " + kArdourLua + " " +
                                  (fs::path(QUENDRAL_ARDOUR_SCRIPTS) / script).string() + " " +
                                  arguments + " > " + logFile.string() + " 2>&1";
      const int status = std::system(command.c_str());
      code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      log = readText(logFile);
      if (!quendral_test::ardourRunBroke(code)) break;
    }
    return code;
  }

 private:
  fs::path root_;
  std::string environment_;
  bool scanned_ = false;
};

// A user's own response set as a user brings it into Ardour: quendral-render reads a copy of
// the MIT KEMAR SOFA file and saves a program file; its chunk becomes an Ardour user preset of
// quendral (the form Ardour saves chunk presets in). Returns what went wrong, or "".
std::string installOwnSetPreset(const ArdourWorkspace& workspace, const fs::path& sofaFolder) {
  fs::create_directories(sofaFolder);
  const fs::path sofa = sofaFolder / "my-head.sofa";
  fs::copy_file(kMitKemar, sofa, fs::copy_options::overwrite_existing);
  const fs::path silence = workspace.root() / "silence.wav";
  const fs::path program = workspace.root() / "my-head.fxp";
  if (!writeSilentWav(silence, 441)) return "cannot write " + silence.string();
  const fs::path log = workspace.root() / "render.log";
  const std::string command =
      std::string(QUENDRAL_RENDER_PATH) + " -q --plugin " + QUENDRAL_PLUGIN_PATH + " --sofa " +
      sofa.string() + " --save-preset " + program.string() + " " + silence.string() + " " +
      (workspace.root() / "silence-out.wav").string() + " > " + log.string() + " 2>&1";
  if (std::system(command.c_str()) != 0) return "quendral-render failed: " + readText(log);
  const std::string chunk = programFileChunk(program);
  fs::remove(program);
  if (chunk.empty()) return program.string() + " holds no program chunk";
  fs::create_directories(workspace.presetsFile().parent_path());
  std::ofstream presets(workspace.presetsFile());
  presets << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VSTPresets>\n"
          << "  <ChunkPreset uri=\"VST:1903842411:xmyhead\" version=\"1\" label=\"" << kOwnSetPreset
          << "\" numParams=\"24\">" << base64(chunk) << "</ChunkPreset>\n"
          << "</VSTPresets>\n";
  return presets ? "" : "cannot write " + workspace.presetsFile().string();
}

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
    // Arguments of the first process: PRESET=LABEL and INDEX=VALUE pairs set on quendral
    // before the first export.
    const char* arguments;
    bool ownSet;  // the preset holds a user's own response set, made here first
  };
  // The synced sweep: "midi lfo tempo" on, "lfo divide" 4, "lfo speed" +1; at the
  // session's 120 beats per minute one turn per two seconds, locked to the song position.
  // The own set plays the default state's placement, so the two exports must differ.
  const std::string ownSetArguments = std::string("PRESET=") + kOwnSetPreset;
  std::vector<float> defaultStateExport;
  for (const Case& c : {Case{"default state", "", false}, Case{"angle 90 degrees", "0=0.75", false},
                        Case{"synced sweep", "1=1 2=0.35 4=1", false},
                        Case{"own set from a preset", ownSetArguments.c_str(), true}}) {
    SCOPED_TRACE(c.name);
    const fs::path session = workspace.root() / "session";
    const fs::path saved = workspace.root() / "saved";
    const fs::path reloaded = workspace.root() / "reloaded";
    const fs::path sofaFolder = workspace.root() / "sofa";
    if (c.ownSet) {
      QUENDRAL_REQUIRE_PACKAGE(access(kMitKemar, R_OK) == 0, kMitKemar << " (Debian: libmysofa1)");
      const std::string problem = installOwnSetPreset(workspace, sofaFolder);
      ASSERT_EQ(problem, "");
    }
    std::string log;
    const int created = workspace.runLua(
        "create_and_export.lua", session.string() + " " + saved.string() + " " + c.arguments,
        [&] {
          fs::remove_all(session);
          fs::remove_all(saved);
          fs::create_directories(saved);
        },
        log);
    ASSERT_EQ(created, 0) << log;
    if (c.ownSet) {
      // Neither the SOFA file nor Ardour's preset is there for the reload: only the session.
      fs::remove_all(sofaFolder);
      fs::remove(workspace.presetsFile());
    }
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
    if (std::strcmp(c.name, "angle 90 degrees") == 0) {
      EXPECT_GT(right, 2.0f * left) << "not at +90 degrees";
    }
    if (std::strcmp(c.name, "synced sweep") == 0) {
      // One turn in the two seconds: each ear is the louder one for part of them.
      const auto [quietest, loudest] = balanceRange(first, kExportedFrames / 20);
      EXPECT_LT(quietest, -6.0) << "never at the left ear";
      EXPECT_GT(loudest, 6.0) << "never at the right ear";
    }
    if (std::strcmp(c.name, "default state") == 0) defaultStateExport = first;
    if (c.ownSet) {
      ASSERT_EQ(defaultStateExport.size(), first.size());
      double largest = 0.0;
      for (std::size_t i = 0; i < first.size(); ++i)
        largest = std::max(largest, std::fabs(double(first[i]) - defaultStateExport[i]));
      EXPECT_GT(largest, 0.01) << "the own set sounds like the built-in set";
    }
    std::size_t differing = 0, firstDiffering = 0, lastDiffering = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
      if (first[i] == second[i]) continue;
      if (differing++ == 0) firstDiffering = i / 2;
      lastDiffering = i / 2;
    }
    EXPECT_EQ(differing, 0u) << "samples differ from frame " << firstDiffering << " to "
                             << lastDiffering;
    fs::remove_all(session);
  }
}

}  // namespace
