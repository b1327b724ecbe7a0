// The panel's one line about following the listener's head, while tracking is on: where it
// listens, what arrives (messages a second, the head's yaw, pitch and roll) or why nothing
// can (a port in use, no network). Also the panel's head button and its centre click.
#pragma once

#include <chrono>
#include <cstdint>

#include "editor/set_status_text.h"

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

 private:
  std::chrono::steady_clock::time_point countedAt{};
  uint32_t counted = 0;
  double perSecond = 0.0;
};

}  // namespace panner
