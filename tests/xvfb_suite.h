// What the suites with real X11 windows share: a private Xvfb server per suite, xdotool played
// while the editor keeps idling, and readings of the host's window.
#pragma once

#include <gtest/gtest.h>
// Xlib's macros (None, Bool, ...) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <dirent.h>

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "colour_compare.h"
#include "host_window.h"
#include "xvfb_server.h"

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

// A captured pixel (0x00RRGGBB).
inline VSTGUI::CColor colourOf(uint32_t p) {
  return {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
}

// What the host's window shows at (x, y), child windows included; alpha 0 outside.
inline VSTGUI::CColor windowPixel(x11host::HostWindow& window, int x, int y) {
  std::vector<uint32_t> pixels;
  int32_t w = 0, h = 0;
  if (!window.capture(pixels, w, h) || x >= w || y >= h) return {0, 0, 0, 0};
  return colourOf(pixels[static_cast<size_t>(y * w + x)]);
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
