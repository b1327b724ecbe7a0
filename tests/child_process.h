// A program the test runs beside itself, its output and errors in a file; stop() or the
// object's end stops it (SIGTERM, then SIGKILL after five seconds).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace quendral_test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const std::vector<std::string>& args, const std::string& output,
               const std::string& folder = {}) {
    start(args, output, folder);
  }
  ~ChildProcess() { stop(); }

  // Runs `args` (program first) in `folder`, or the test's own when empty.
  bool start(const std::vector<std::string>& args, const std::string& output = "/dev/null",
             const std::string& folder = {}) {
    stop();
    output_ = output;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const bool spawned = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned) pid_ = -1;
    return spawned;
  }
  // The first line of its output starting with `prefix`, or "" when none came yet.
  std::string line(const std::string& prefix) const {
    std::ifstream in(output_);
    for (std::string l; std::getline(in, l);)
      if (l.rfind(prefix, 0) == 0) return l;
    return "";
  }
  std::string transcript() const {
    std::ifstream in(output_);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Whether the program has ended; `status` is its wait status then.
  bool finished(int& status) {
    if (pid_ <= 0) return true;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    pid_ = -1;
    return true;
  }
  bool running() {
    int status = 0;
    return !finished(status);
  }
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50 && !finished(status); ++i) usleep(100000);
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::string output_;
};

}  // namespace quendral_test
