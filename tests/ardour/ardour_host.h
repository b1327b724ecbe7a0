// Ardour 7 headless in tests (ardour7-lua with the Dummy backend, Ardour's plug-in scanners):
// the shell runs and the rule for runs that Ardour's own crashes end.
//
// ardour7-lua 7.3 corrupts its own heap now and then and dies by a signal, in about three runs
// of eight of a create-and-export script (with Debian's own plug-ins and without quendral
// loaded), and more often the more sessions one process opens. A run that died by a signal or
// hung (exit code 124 and above, as from `timeout`) says nothing about the plug-in, so it is
// run again; every other outcome counts.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quendral_ardour {

namespace fs = std::filesystem;

inline const char* const kArdourLua = "/usr/bin/ardour7-lua";

// Eight fruitless runs leave about one script in 2500 failing for Ardour's own crash.
constexpr int kTries = 8;

inline bool runBroke(int exitCode) { return exitCode >= 124; }

inline std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs `command` with sh, its output (stdout and stderr) into `log`; returns its exit status,
// 128 + the signal when a signal ended it.
inline int runShell(const std::string& command, const fs::path& log) {
  const int status = std::system(("(" + command + ") > '" + log.string() + "' 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace quendral_ardour
