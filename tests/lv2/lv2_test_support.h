// What the suites with real hosts share: a scratch folder, host programs, a private JACK
// server, and the audio files the hosts read and write.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio_compare.h"
#include "child_process.h"

namespace quendral_lv2_test {

namespace fs = std::filesystem;

// A folder below /tmp that is removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    char name[] = "/tmp/quendral-lv2-XXXXXX";
    if (mkdtemp(name) != nullptr) root_ = name;
  }
  ~ScratchFolder() {
    if (!root_.empty()) fs::remove_all(root_);
  }
  const fs::path& path() const { return root_; }
  fs::path operator/(const std::string& name) const { return root_ / name; }

 private:
  fs::path root_;
};

inline std::string readText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Quotes one argument for /bin/sh.
inline std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct CommandResult {
  int exitCode = -1;   // 128 + signal when killed, 124 and above when timed out
  std::string output;  // stdout and stderr together
};

// Runs `arguments` (program first) with `environment` (NAME=VALUE words) added, killed after
// `timeoutSeconds`; the output goes to `logFile`, which is read back.
inline CommandResult runProgram(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& environment,
                                const fs::path& logFile, int timeoutSeconds = 120) {
  std::string command = "env";
  for (const std::string& variable : environment) command += " " + shellQuoted(variable);
  command += " timeout -s KILL " + std::to_string(timeoutSeconds);
  for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
  command += " > " + shellQuoted(logFile.string()) + " 2>&1 < /dev/null";
  const int status = std::system(command.c_str());
  CommandResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.output = readText(logFile);
  return result;
}

// A program running beside the test, stopped with the object.
using BackgroundProgram = quendral_test::ChildProcess;

// The test's own JACK server (dummy backend), the default for clients started after it.
class PrivateJackServer {
 public:
  PrivateJackServer(const std::string& name, const fs::path& folder)
      : name_(makeDefault(name + "-" + std::to_string(getpid()))),
        jackd_({"/usr/bin/jackd", "--no-realtime", "-d", "dummy", "-r", "44100", "-p", "256"},
               folder / "jackd.log"),
        folder_(folder) {
    ready_ = runProgram({"/usr/bin/jack_wait", "-w", "-t", "20"}, {}, folder / "wait.log", 30)
                 .exitCode == 0;
  }

  // False when the server did not answer within 20 s; log() then says why.
  bool ready() const { return ready_; }
  std::string log() const { return readText(folder_ / "jackd.log"); }

 private:
  static std::string makeDefault(const std::string& name) {
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    return name;
  }

  std::string name_;
  BackgroundProgram jackd_;
  fs::path folder_;
  bool ready_ = false;
};

// Asks `condition` ten times a second until it holds or `seconds` have passed.
template <typename Condition>
bool waitFor(Condition condition, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return condition();
}

// An audio file's channels; none when it cannot be read.
inline quendral_test::Channels readAudio(const fs::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return {};
  std::vector<float> frames(static_cast<std::size_t>(info.frames) * info.channels);
  frames.resize(static_cast<std::size_t>(
      std::max<sf_count_t>(sf_readf_float(file, frames.data(), info.frames) * info.channels, 0)));
  sf_close(file);
  quendral_test::Channels channels(static_cast<std::size_t>(info.channels));
  for (std::size_t i = 0; i < frames.size(); ++i)
    channels[i % channels.size()].push_back(frames[i]);
  return channels;
}

inline bool writeMonoFloatWav(const fs::path& path, const std::vector<float>& samples, int rate) {
  SF_INFO info{0, rate, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const auto frames = static_cast<sf_count_t>(samples.size());
  const bool written = sf_writef_float(file, samples.data(), frames) == frames;
  sf_close(file);
  return written;
}

}  // namespace quendral_lv2_test
