// One orientation as a tracker sent it, and the mailbox that hands the latest one from the
// receiver's thread to every instance's audio thread: a sequence lock, so a reader gets
// one reading whole (never the yaw of one message and the pitch of another) without
// waiting for the writer.
#pragma once

#include <atomic>
#include <cstdint>

namespace panner {

struct TrackerReading {
  enum Kind : int32_t { kNone = 0, kYawPitchRoll = 1, kQuaternion = 2 };
  int32_t kind = kNone;
  // Yaw, pitch, roll in degrees (the fourth unused), or the quaternion's w, x, y, z.
  float value[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

class ReadingMailbox {
 public:
  // One writer at a time. The orderings come from read-modify-writes rather than fences, which
  // ThreadSanitizer cannot follow: the odd number is made before any field is written (acquire),
  // and the reader's second look at the number comes after every field is read (release).
  void write(const TrackerReading& reading) {
    const uint32_t s = sequence.fetch_add(1, std::memory_order_acq_rel);  // odd: being written
    kind.store(reading.kind, std::memory_order_relaxed);
    for (int i = 0; i < 4; ++i) value[i].store(reading.value[i], std::memory_order_relaxed);
    sequence.store(s + 2, std::memory_order_release);
  }
  // The latest reading and its number (even, advancing by 2 per write; 0 before the first).
  // Never blocks: while a write is under way it returns false and the reader keeps what it
  // had until its next block.
  bool read(TrackerReading& out, uint32_t& number) const {
    const uint32_t before = sequence.load(std::memory_order_acquire);
    if (before & 1u) return false;
    TrackerReading r;
    r.kind = kind.load(std::memory_order_relaxed);
    for (int i = 0; i < 4; ++i) r.value[i] = value[i].load(std::memory_order_relaxed);
    if (sequence.fetch_add(0, std::memory_order_release) != before) return false;
    out = r;
    number = before;
    return true;
  }

 private:
  mutable std::atomic<uint32_t> sequence{0};
  std::atomic<int32_t> kind{TrackerReading::kNone};
  std::atomic<float> value[4] = {};
};

}  // namespace panner
