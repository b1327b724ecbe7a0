// The host's side of an embedded editor on X11: a top-level window that stands for the
// host's plug-in window, handed to the plug-in as the parent of its editor, and a capture
// of what is shown in it.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace x11host {

class HostWindow {
 public:
  HostWindow() = default;
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // Opens the display named by DISPLAY and maps a width x height window at the top left of
  // the screen. False with a message in `error` on failure.
  bool open(int32_t width, int32_t height, std::string& error);
  // Gives the window a new size, as a host does when the editor asks for one.
  void resize(int32_t width, int32_t height);
  void close();

  // The window id as the plug-in's effEditOpen expects it.
  void* parentHandle() const;
  Display* display() const { return display_; }
  Window window() const { return window_; }

  // What the window shows now, child windows included, as 0x00RRGGBB pixels row by row.
  bool capture(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);
  // The same written as a PNG file.
  bool writePng(const std::string& path, std::string& error);

 private:
  Display* display_ = nullptr;
  Window window_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace x11host
