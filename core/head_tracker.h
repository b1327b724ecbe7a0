// One instance's side of following the listener's head: its settings, the MIDI head
// tracker's control changes, and once per block the orientation the engine turns the scene
// by. Readings come from the process's receiver (a mailbox every instance reads) and from
// this instance's MIDI input; the newest one counts. The centre (the orientation that counts
// as straight ahead) is the process's: every instance follows the same head.
#pragma once

#include <atomic>
#include <cstdint>

#include "head_rotation.h"
#include "head_tracking_settings.h"
#include "tracker_reading.h"

namespace panner {

class HeadTracker {
 public:
  // `shared` is the receiver's mailbox (may be null: MIDI only); it must outlive this.
  explicit HeadTracker(const ReadingMailbox* mailbox) : shared(mailbox) {}

  // Any thread.
  HeadTrackingSettings settings() const {
    return HeadTrackingSettings::unpacked(settingBits.load(std::memory_order_relaxed));
  }
  void setSettings(const HeadTrackingSettings& s) {
    settingBits.store(s.packed(), std::memory_order_relaxed);
  }
  // Makes the head's present orientation straight ahead, for every instance of the process.
  void centre();
  // The orientation the engine uses now (packed), and how many readings this instance has
  // taken, for the panel.
  uint64_t headInUse() const { return inUse.load(std::memory_order_relaxed); }
  uint32_t readingsTaken() const { return taken.load(std::memory_order_relaxed); }

  // Audio thread. A MIDI head tracker's control change: 16, 17, 18 the coarse and 48, 49,
  // 50 the fine bytes of yaw, pitch and roll as 14-bit values (8192 is 0 degrees, 16384 a
  // whole turn); with 19 and 51 as well, the four of a quaternion w, x, y, z (8192 is 0,
  // 16384 is 2). True when taken: only while tracking is on.
  bool controlChange(int controller, int value);
  static bool isTrackerController(int controller) {
    return (controller >= 16 && controller <= 19) || (controller >= 48 && controller <= 51);
  }
  // Audio thread, once per block: the head's orientation for the engine, packed; straight
  // ahead while tracking is off or nothing has arrived.
  uint64_t headForBlock();

  // The orientation a reading stands for under `s` (inversions, order).
  static HeadQuaternion headOf(const TrackerReading& reading, const HeadTrackingSettings& s);

 private:
  const ReadingMailbox* shared;
  std::atomic<uint64_t> settingBits{HeadTrackingSettings().packed()};
  std::atomic<uint64_t> inUse{kHeadStraightAhead};
  std::atomic<uint64_t> uncentred{kHeadStraightAhead};
  std::atomic<uint32_t> taken{0};
  // Audio thread only.
  TrackerReading reading;
  uint32_t sharedNumber = 0;
  int coarse[4] = {64, 64, 64, 64}, fine[4] = {0, 0, 0, 0};
  bool quaternionMode = false;
  int sinceQuaternion = 0;  // yaw-pitch-roll changes since the last quaternion's fourth value
  bool midiFresh = false;
};

}  // namespace panner
