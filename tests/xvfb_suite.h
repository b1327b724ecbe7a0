// The X11 test helpers every suite with real windows shares: one private Xvfb server per
// suite, child programs (xdotool, drag sources), xdotool played while the editor under test
// keeps idling, and readings of the host's window (pixels, child windows, open descriptors).
#pragma once

#include <gtest/gtest.h>
// Xlib's macros (None, Bool, ...) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host_window.h"
#include "xvfb_server.h"

extern char** environ;

namespace quendral_test {

// One private Xvfb server for the suite (it sets DISPLAY for the process and its children);
// null, with `serverError` saying why, where it cannot start.
class XvfbSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new x11host::XvfbServer;
    if (!server->start(serverError)) {
      delete server;
      server = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  static inline x11host::XvfbServer* server = nullptr;
  static inline std::string serverError;
};

// A program whose standard output goes to a file, read back line by line while it runs
// (drag sources report what happened to them). stop() ends it with SIGTERM.
class ChildProcess {
 public:
  ~ChildProcess() { stop(); }

  bool start(const std::vector<std::string>& args, const std::string& output = "/dev/null") {
    stop();
    output_ = output;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
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
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::string output_;
};

inline bool xdotoolPresent() { return access("/usr/bin/xdotool", X_OK) == 0; }

// Plays an xdotool command line while `idle` runs every 5 ms, as a host's event loop keeps
// running while the user moves the mouse; gives up after five seconds.
inline void playXdotool(const std::string& commands, const std::function<void()>& idle) {
  std::vector<std::string> args{"xdotool"};
  std::istringstream words(commands);
  for (std::string w; words >> w;) args.push_back(w);
  ChildProcess xdotool;
  ASSERT_TRUE(xdotool.start(args)) << "cannot run xdotool (Debian: xdotool)";
  int status = 0;
  bool finished = false;
  for (int i = 0; i < 1000 && !(finished = xdotool.finished(status)); ++i) {
    idle();
    usleep(5000);
  }
  ASSERT_TRUE(finished) << "xdotool " << commands << " did not finish";
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool " << commands;
}

struct Rgb {
  int r, g, b;
  friend std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << c.r << "," << c.g << "," << c.b;
  }
};

inline bool near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// What the host's window shows at (x, y), child windows included; {-1, -1, -1} outside.
inline Rgb windowPixel(x11host::HostWindow& window, int x, int y) {
  std::vector<uint32_t> pixels;
  int32_t w = 0, h = 0;
  if (!window.capture(pixels, w, h) || x >= w || y >= h) return {-1, -1, -1};
  const uint32_t p = pixels[static_cast<size_t>(y * w + x)];
  return {static_cast<int>(p >> 16 & 255), static_cast<int>(p >> 8 & 255),
          static_cast<int>(p & 255)};
}

// The child windows of `window`, with their sizes.
struct ChildWindow {
  Window id;
  int width, height;
};
inline std::vector<ChildWindow> childWindows(Display* display, Window window) {
  std::vector<ChildWindow> found;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return found;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, children[i], &attributes))
      found.push_back({children[i], attributes.width, attributes.height});
  }
  if (children != nullptr) XFree(children);
  return found;
}

// How many descriptors the process holds open (a display connection is one).
inline int openDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

}  // namespace quendral_test
