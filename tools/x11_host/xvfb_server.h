// A private X server for programs that need a real window without touching the user's
// display: starts Xvfb on a free display number, points DISPLAY at it for this process and
// its children, and stops it again.
#pragma once

#include <sys/types.h>
#include <string>

namespace x11host {

class XvfbServer {
 public:
  XvfbServer() = default;
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Starts Xvfb (screen 0 of 1320 x 1000 at 24 bits, room for the panel at 300%; no TCP)
  // and sets DISPLAY. False with a message in `error` when Xvfb cannot be started.
  bool start(std::string& error);
  void stop();
  // Sets the desktop's Xft.dpi resource (as a scaled desktop's session does), or removes
  // it when dpi is 0. False when the display cannot be opened.
  bool setXftDpi(int dpi);
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace x11host
