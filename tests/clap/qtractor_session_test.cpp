// Debian's Qtractor, a real CLAP host, on private X and JACK servers: its scanner lists
// quendral.clap, and a session with it, saved (SIGUSR1) and reopened, keeps the state given.
// It needs an ALSA sequencer, which a container lacks: a stand-in is preloaded.
#include <gtest/gtest.h>
#include <signal.h>
#include <zlib.h>

#include <regex>
#include <string>
#include <vector>

#include "clap_plugin.h"
#include "lv2_test_support.h"
#include "required_package.h"
#include "xvfb_server.h"

namespace {

using namespace quendral_lv2_test;

constexpr clapabi::Id kAngle = 0, kFilterNumber = 3, kGain = 6, kProgram = 101;

const char* const kSession = R"(<!DOCTYPE qtractorSession>
<session version="Qtractor 0.9.31" name="quendral">
 <properties><directory>@DIR@</directory><sample-rate>44100</sample-rate></properties>
 <tracks>
  <track type="audio" name="binaural">
   <properties><input-bus>Master</input-bus><output-bus>Master</output-bus></properties>
   <plugins>
    <plugin type="CLAP">
     <filename>@PLUGIN@</filename><index>0</index><activated>1</activated>
     <configs><config key="state">@STATE@</config></configs>
    </plugin>
   </plugins>
  </track>
 </tracks>
</session>
)";

std::string replaced(std::string text, const std::string& key, const std::string& value) {
  return text.replace(text.find(key), key.size(), value);
}

// Qtractor's state config: base64 of a big-endian length and the zlib stream; and back.
std::string qtractorState(const std::vector<uint8_t>& chunk, const ScratchFolder& scratch) {
  std::vector<uint8_t> packed(4 + compressBound(chunk.size()));
  uLongf size = packed.size() - 4;
  compress(packed.data() + 4, &size, chunk.data(), chunk.size());
  for (int i = 0; i < 4; ++i) packed[i] = static_cast<uint8_t>(chunk.size() >> (24 - 8 * i));
  std::ofstream(scratch / "state", std::ios::binary)
      .write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(4 + size));
  return runProgram({"/usr/bin/base64", "-w0", scratch / "state"}, {}, scratch / "state.b64")
      .output;
}

std::vector<uint8_t> chunkOf(const std::string& text, const ScratchFolder& scratch) {
  std::ofstream(scratch / "saved.b64") << text;
  const std::string packed =
      runProgram({"/usr/bin/base64", "-d", "-i", scratch / "saved.b64"}, {}, scratch / "saved")
          .output;
  if (packed.size() < 4) return {};
  const auto byte = [&packed](int i) { return uLongf{static_cast<uint8_t>(packed[i])}; };
  uLongf size = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
  std::vector<uint8_t> chunk(size);
  if (uncompress(chunk.data(), &size, reinterpret_cast<const Bytef*>(packed.data()) + 4,
                 packed.size() - 4) != Z_OK)
    return {};
  return chunk;
}

std::string saved(const std::string& session, const std::string& pattern) {
  std::smatch match;
  return std::regex_search(session, match, std::regex(pattern)) ? match[1].str() : "";
}

// Opens `session` in Qtractor, has it saved and closes it; returns what it wrote.
std::string openAndSave(const fs::path& session, const ScratchFolder& scratch) {
  BackgroundProgram qtractor(
      {"/usr/bin/env", "LD_PRELOAD=" ALSA_SEQ_STAND_IN, "/usr/bin/qtractor", session.string()},
      scratch / "qtractor.log", scratch.path());
  // The window bears the session's file name once the session is open.
  pid_t pid = 0;
  const bool open = waitFor(
      [&] {
        const CommandResult found = runProgram(
            {"/usr/bin/xdotool", "search", "--name", session.filename().string(), "getwindowpid"},
            {}, scratch / "xdotool.log", 10);
        pid = found.exitCode == 0 ? std::atoi(found.output.c_str()) : 0;
        return pid > 0;
      },
      30);
  EXPECT_TRUE(open) << readText(scratch / "qtractor.log");
  const auto before = fs::last_write_time(session);
  if (!open || kill(pid, SIGUSR1) != 0) return "";
  std::string text;
  waitFor(
      [&] {
        if (fs::last_write_time(session) == before) return false;
        text = readText(session);
        return text.find("</session>") != std::string::npos;
      },
      20);
  return text;
}

TEST(ClapInQtractor, TheScannerListsThePluginAndItsStateSurvivesASessionSavedAndReopened) {
#ifdef QUENDRAL_SANITIZED_BUILD
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  const char* scanner = "/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan";
  for (const char* program : {"/usr/bin/qtractor", scanner, "/usr/bin/jackd", "/usr/bin/xdotool"})
    QUENDRAL_REQUIRE_PACKAGE(access(program, X_OK) == 0,
                             program << " (Debian: qtractor, jackd2, xdotool)");
  ScratchFolder scratch;
  ASSERT_FALSE(scratch.path().empty());
  // One audio input, two outputs, a MIDI input, the parameters, an editor and state.
  const CommandResult scan =
      runProgram({"/bin/sh", "-c", "echo 'CLAP:" QUENDRAL_CLAP_PATH "' | " + std::string(scanner)},
                 {}, scratch / "scan.log", 60);
  EXPECT_NE(scan.output.find("CLAP|+quendral|1:2|1:0|27:0|GUI,EXT,RT|"), std::string::npos)
      << scan.output;

  // The state given: program 3, angle 135 degrees, another gain and the second filter set.
  std::string error;
  auto source = claphost::ClapPlugin::load(QUENDRAL_CLAP_PATH, error);
  ASSERT_TRUE(source) << error;
  double angle = 0.0;
  ASSERT_TRUE(source->valueFromText(kAngle, "135", angle));
  source->setParam(kProgram, 2);
  source->setParam(kAngle, angle);
  source->setParam(kGain, 0.3);
  source->setParam(kFilterNumber, 1.0);
  source->flush();
  std::vector<double> given;
  for (const claphost::ParamDescription& p : source->params()) given.push_back(source->value(p.id));

  setenv("HOME", scratch.path().c_str(), 1);
  x11host::XvfbServer xvfb;
  ASSERT_TRUE(xvfb.start(error)) << error;
  PrivateJackServer jack("quendral-clap-test", scratch / "");
  ASSERT_TRUE(jack.ready()) << jack.log();

  const fs::path session = scratch / "quendral.qtr";
  {
    std::ofstream out(session);
    out << replaced(replaced(replaced(kSession, "@DIR@", scratch.path().string()), "@PLUGIN@",
                             QUENDRAL_CLAP_PATH),
                    "@STATE@", qtractorState(source->saveState(), scratch));
  }
  std::vector<uint8_t> previous;
  for (const char* pass : {"saved", "reopened and saved again"}) {
    SCOPED_TRACE(pass);
    const std::string text = openAndSave(session, scratch);
    ASSERT_NE(text.find("<plugin type=\"CLAP\">"), std::string::npos)
        << "Qtractor dropped the plug-in:\n"
        << text << readText(scratch / "qtractor.log");
    const std::vector<uint8_t> chunk =
        chunkOf(saved(text, R"(<config key="state">([^<]*)</config>)"), scratch);
    auto target = claphost::ClapPlugin::load(QUENDRAL_CLAP_PATH, error);
    ASSERT_TRUE(target) << error;
    ASSERT_TRUE(target->loadState(chunk)) << "the saved state is refused:\n" << text;
    for (size_t i = 0; i < given.size(); ++i) {
      const claphost::ParamDescription& p = target->params()[i];
      EXPECT_EQ(target->value(p.id), given[i]) << p.name;
      // The values Qtractor saves beside the state (six digits, no program).
      if (p.id == kProgram) continue;
      const std::string shown = saved(text, "<param [^>]*name=\"" + p.name + "\"[^>]*>([^<]+)<");
      ASSERT_FALSE(shown.empty()) << p.name << " is not among the saved values:\n" << text;
      EXPECT_NEAR(std::stod(shown), given[i], 1e-6) << p.name;
    }
    if (!previous.empty()) {
      EXPECT_EQ(chunk, previous) << "the reopened session saved another state";
    }
    previous = chunk;
  }
}

}  // namespace
