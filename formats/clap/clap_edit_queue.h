// The panel's edits on their way to the host. A CLAP plug-in tells its host about edits only
// as events it writes during process or flush, so the panel (main thread) leaves them here
// and the next process or flush (never both at once) hands them on. One writer, one reader,
// no locks; a full queue drops the newest edit value (the host then reads the value on its
// next rescan), never a gesture's end.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace panner {

struct ClapEdit {
  enum Kind : uint8_t { kBegin, kValue, kEnd } kind = kValue;
  uint32_t paramId = 0;
  double value = 0.0;
};

class ClapEditQueue {
 public:
  static constexpr uint32_t kCapacity = 256;

  // Main thread. False when the queue is full.
  bool push(const ClapEdit& edit) {
    const uint32_t tail = writeAt.load(std::memory_order_relaxed);
    const uint32_t head = readAt.load(std::memory_order_acquire);
    // Values leave room for the gestures' ends.
    const uint32_t room = edit.kind == ClapEdit::kValue ? kCapacity - 8 : kCapacity;
    if (tail - head >= room) return false;
    slots[tail % kCapacity] = edit;
    writeAt.store(tail + 1, std::memory_order_release);
    return true;
  }
  // process or flush: false when nothing waits.
  bool pop(ClapEdit& edit) {
    const uint32_t head = readAt.load(std::memory_order_relaxed);
    if (head == writeAt.load(std::memory_order_acquire)) return false;
    edit = slots[head % kCapacity];
    readAt.store(head + 1, std::memory_order_release);
    return true;
  }

 private:
  std::array<ClapEdit, kCapacity> slots{};
  std::atomic<uint32_t> writeAt{0}, readAt{0};
};

}  // namespace panner
