#include "head_tracker.h"

#include <cmath>

namespace panner {

namespace {

// The process's centre: the uncentred orientation that counts as straight ahead.
std::atomic<uint64_t> gCentre{kHeadStraightAhead};

constexpr int kCoarseFirst = 16, kFineFirst = 48;
// A device that sends yaw, pitch and roll after quaternions is taken at its word after this
// many changes without a fourth value.
constexpr int kQuaternionModeLapse = 8;

double fourteenBits(int coarse, int fine) { return (coarse * 128 + fine - 8192) / 8192.0; }

}  // namespace

void HeadTracker::centre() { gCentre.store(uncentred.load(std::memory_order_relaxed)); }

bool HeadTracker::controlChange(int controller, int value) {
  if (!isTrackerController(controller) || !settings().on) return false;
  const int axis = controller >= kFineFirst ? controller - kFineFirst : controller - kCoarseFirst;
  (controller >= kFineFirst ? fine : coarse)[axis] = value & 0x7F;
  if (axis == 3) {
    quaternionMode = true;
    sinceQuaternion = 0;
  } else if (quaternionMode && ++sinceQuaternion > kQuaternionModeLapse) {
    quaternionMode = false;
  }
  midiFresh = true;
  return true;
}

HeadQuaternion HeadTracker::headOf(const TrackerReading& r, const HeadTrackingSettings& s) {
  if (r.kind == TrackerReading::kQuaternion) {
    // An inverted axis is the rotation about it turned the other way: its component negated.
    return normalisedHead({r.value[0], s.invertRoll ? -r.value[1] : r.value[1],
                           s.invertPitch ? -r.value[2] : r.value[2],
                           s.invertYaw ? -r.value[3] : r.value[3]});
  }
  if (r.kind != TrackerReading::kYawPitchRoll) return {};
  return headFromYawPitchRoll(
      s.invertYaw ? -r.value[0] : r.value[0], s.invertPitch ? -r.value[1] : r.value[1],
      s.invertRoll ? -r.value[2] : r.value[2],
      s.rollPitchYaw ? RotationOrder::kRollPitchYaw : RotationOrder::kYawPitchRoll);
}

uint64_t HeadTracker::headForBlock() {
  const HeadTrackingSettings s = settings();
  if (!s.on) {
    inUse.store(kHeadStraightAhead, std::memory_order_relaxed);
    return kHeadStraightAhead;
  }
  TrackerReading latest;
  uint32_t number = 0;
  if (shared && shared->read(latest, number) && number != sharedNumber) {
    sharedNumber = number;
    if (latest.kind != TrackerReading::kNone) {
      reading = latest;
      taken.fetch_add(1, std::memory_order_relaxed);
    }
  }
  if (midiFresh) {
    midiFresh = false;
    reading.kind = quaternionMode ? TrackerReading::kQuaternion : TrackerReading::kYawPitchRoll;
    for (int i = 0; i < 4; ++i) {
      const double v = fourteenBits(coarse[i], fine[i]);
      reading.value[i] = static_cast<float>(quaternionMode ? v : v * 180.0);
    }
    taken.fetch_add(1, std::memory_order_relaxed);
  }
  const HeadQuaternion head = headOf(reading, s);
  uncentred.store(packHead(head), std::memory_order_relaxed);
  const uint64_t centreBits = gCentre.load(std::memory_order_relaxed);
  const uint64_t result = centreBits == kHeadStraightAhead
                              ? packHead(head)
                              : packHead(multiply(inverse(unpackHead(centreBits)), head));
  inUse.store(result, std::memory_order_relaxed);
  return result;
}

}  // namespace panner
