// The editor as CLAP's gui extension: the core's panel embedded in the host's window, never
// floating, at the host's scale (set_scale) or else the system's; one size at each scale
// (435 x 330 at 1). A change of scale while it is shown asks the host to resize
// (request_resize). On Linux it idles through the host's timer support, and
// the X connection's descriptor is watched through the host's posix-fd support when the
// host has it, so presses are handled as they come; no thread of ours. A Linux host without
// timer support gets no editor (nothing would idle it). On Windows the panel's own window
// carries the idle timer, as in the VST3 build.
#pragma once

#include <cstdint>

#include "clap_abi.h"

namespace panner {

class PanelEditor;
class QuendralClap;

class ClapGui {
 public:
  explicit ClapGui(QuendralClap& owner);
  ~ClapGui();
  ClapGui(const ClapGui&) = delete;
  ClapGui& operator=(const ClapGui&) = delete;

  // Whether the host can run an editor of ours (its timer support, on Linux): create
  // refuses otherwise.
  bool offered() const;
  bool isApiSupported(const char* api, bool isFloating) const;
  bool preferredApi(const char** api, bool* isFloating) const;
  bool create(const char* api, bool isFloating);
  void destroy();
  bool size(uint32_t* width, uint32_t* height) const;
  bool adjustSize(uint32_t* width, uint32_t* height) const;
  bool setSize(uint32_t width, uint32_t height) const;
  bool setParent(const clapabi::Window* window);
  // The host's scale (physical pixels: X11 and Win32); taken, so always true for one > 0.
  bool setScale(double scale);
  // The panel's idle: window events, redraws of what changed.
  void idle();

 private:
  void startIdling();
  void stopIdling();

  QuendralClap& owner;
  PanelEditor* panel;
  const clapabi::HostTimerSupport* timers = nullptr;
  const clapabi::HostPosixFdSupport* descriptors = nullptr;
  bool created = false;
  bool shown = false;  // the panel is open in the host's window
  clapabi::Id timer = clapabi::kInvalidId;
  int watchedFd = -1;
  void* timerWindow = nullptr;  // Windows: the HWND carrying the idle timer
};

}  // namespace panner
