// Head trackers' OSC messages, parsed from one UDP packet: a plain message or a bundle of
// them (nested bundles are not taken). Understood, under "/" or "/SceneRotator/":
//   ypr f f f          yaw, pitch, roll in degrees
//   yaw f, pitch f, roll f   one angle, the others kept from before
//   quaternion f f f f (also "quaternions")   w, x, y, z
// Under "/SceneRotator/" yaw and roll come with the opposite signs (IEM SceneRotator's) and
// are turned round to SPARTA's, which the rest of quendral uses (head_rotation.h).
// Arguments may be 32-bit floats, 64-bit doubles or 32- or 64-bit integers. Anything else
// (truncated, oversized, wrongly typed, NaN or infinite, unknown addresses) is ignored and
// counted. Knows no socket: the receiver hands it the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tracker_reading.h"

namespace panner {

class OscHeadParser {
 public:
  // Packets beyond this are not OSC a tracker sends.
  static constexpr std::size_t kMaxPacket = 65536;

  // Parses one packet; returns how many messages it took. After a message is taken,
  // `latest` holds the reading it makes (with the angles kept from earlier messages).
  int parsePacket(const uint8_t* data, std::size_t size, TrackerReading& latest);
  uint64_t ignored() const { return ignoredCount; }

 private:
  bool parseMessage(const uint8_t* data, std::size_t size, TrackerReading& latest);
  float ypr[3] = {0.0f, 0.0f, 0.0f};
  uint64_t ignoredCount = 0;
};

}  // namespace panner
