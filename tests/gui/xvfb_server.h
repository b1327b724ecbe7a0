// Starts a private Xvfb server on a free display for the duration of a test program and
// points DISPLAY at it, so real-window tests need no display of their own.
#pragma once

#include <string>
#include <sys/types.h>

class XvfbServer {
public:
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool running() const { return pid_ > 0; }
  const std::string& display() const { return display_; }
  const std::string& failure() const { return failure_; }

private:
  pid_t pid_ = -1;
  std::string display_;
  std::string failure_;
};

// Runs a command line with DISPLAY set to the server's display; answers its exit status.
int runWithDisplay(const XvfbServer& server, const std::string& command);
