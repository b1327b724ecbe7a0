#include "xvfb_server.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {
bool displayInUse(int number) {
  struct stat info;
  std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
  std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
  return stat(lock.c_str(), &info) == 0 || stat(socket.c_str(), &info) == 0;
}
}  // namespace

XvfbServer::XvfbServer() {
  // Spread test programs over the range so parallel ctest runs rarely collide.
  int start = 100 + static_cast<int>(getpid() % 400);
  for (int attempt = 0; attempt < 40 && pid_ <= 0; ++attempt) {
    int number = start + attempt;
    if (displayInUse(number)) continue;
    std::string name = ":" + std::to_string(number);
    // -noreset: the server must not restart whenever its last client leaves.
    const char* argv[] = {"Xvfb", name.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset", nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
      failure_ = "Xvfb could not be started (is the xvfb package installed?)";
      return;
    }
    // Wait until the server answers, or give up on this display number.
    for (int i = 0; i < 100; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        break;
      }
      if (Display* d = XOpenDisplay(name.c_str())) {
        XCloseDisplay(d);
        // Another program may have taken the number a moment before us: then the server
        // that answered is theirs and ours is about to exit.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (waitpid(pid, &status, WNOHANG) == pid) {
          pid = -1;
          break;
        }
        pid_ = pid;
        display_ = name;
        setenv("DISPLAY", name.c_str(), 1);
        return;
      }
    }
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  if (failure_.empty()) failure_ = "no display number free for Xvfb";
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

int runWithDisplay(const XvfbServer& server, const std::string& command) {
  std::string line = "DISPLAY=" + server.display() + " " + command + " >/dev/null 2>&1";
  return std::system(line.c_str());
}
