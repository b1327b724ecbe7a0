// What each instance keeps about following the listener's head: saved in the bank chunk,
// changed from the panel, handed between threads whole as one 64-bit value.
#pragma once

#include <cstdint>

namespace panner {

// The UDP port head trackers send to unless the user sets another: 9000, where SPARTA's
// rotator and the trackers' apps set up for it send, so such a tracker works at once.
// 0 listens to no port (MIDI only).
constexpr int32_t kDefaultTrackingPort = 9000;

struct HeadTrackingSettings {
  bool on = false;         // off: the head is straight ahead, as before tracking existed
  bool listenAll = false;  // receive from the network, not only from this computer
  bool invertYaw = false, invertPitch = false, invertRoll = false;
  bool rollPitchYaw = false;  // the order of yaw, pitch and roll messages (else yaw first)
  int32_t port = kDefaultTrackingPort;

  bool operator==(const HeadTrackingSettings&) const = default;

  uint64_t packed() const {
    return (on ? 1u : 0u) | (listenAll ? 2u : 0u) | (invertYaw ? 4u : 0u) |
           (invertPitch ? 8u : 0u) | (invertRoll ? 16u : 0u) | (rollPitchYaw ? 32u : 0u) |
           (static_cast<uint64_t>(static_cast<uint32_t>(port)) << 32);
  }
  static HeadTrackingSettings unpacked(uint64_t bits) {
    HeadTrackingSettings s;
    s.on = bits & 1u;
    s.listenAll = bits & 2u;
    s.invertYaw = bits & 4u;
    s.invertPitch = bits & 8u;
    s.invertRoll = bits & 16u;
    s.rollPitchYaw = bits & 32u;
    s.port = static_cast<int32_t>(bits >> 32);
    return s;
  }
  // A port a socket can listen on (0 for none).
  static bool validPort(int32_t port) { return port >= 0 && port <= 65535; }
};

}  // namespace panner
