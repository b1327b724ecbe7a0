// The panel's one line about following the listener's head, while tracking is on: where it
// listens, what arrives (messages a second, the head's yaw, pitch and roll) or why nothing
// can (a port in use, no network). Also the panel's head button, its settings menu and its
// centre click.
#pragma once

#include <chrono>
#include <cstdint>

#include "editor/set_status_text.h"
#include "editor/vg_popup_menu.h"

namespace panner {

class QuendralCore;

class TrackingStatus {
 public:
  // Empty text while tracking is off. Called at every idle: it counts the readings over
  // about a second for the rate.
  SetStatusText describe(const QuendralCore& core);
  // The head button: tracking on or off, for this instance.
  static void toggle(QuendralCore& core);
  static bool on(const QuendralCore& core);
  // The settings menu a right press on the head button opens: where to listen, the port
  // (a press on its "-" or "+" steps it by 1, with Shift by 100, and keeps the menu
  // shown), an inversion per axis, the order of the angles, and centre.
  static std::vector<MenuRow> settingsMenu(QuendralCore& core);

 private:
  std::chrono::steady_clock::time_point countedAt{};
  uint32_t counted = 0;
  double perSecond = 0.0;
};

}  // namespace panner
