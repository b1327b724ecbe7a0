// Which parameters changed since the editor last looked. The plug-in's parameter hook may
// run on the audio thread (automation, MIDI), where it must neither lock nor allocate: it
// only sets a bit. The editor's idle takes the whole set at once on the user-interface
// thread and updates the controls there.
#pragma once

#include <atomic>
#include <cstdint>

namespace panner {

class ParameterChangeFlags {
 public:
  // Indices outside 0..31 are ignored.
  void mark(int32_t index) {
    if (index < 0 || index >= 32) return;
    bits.fetch_or(uint32_t{1} << index, std::memory_order_relaxed);
  }
  // The set of changed indices, cleared in the same step.
  uint32_t take() { return bits.exchange(0u, std::memory_order_relaxed); }

  static bool has(uint32_t set, int32_t index) { return ((set >> index) & 1u) != 0; }

 private:
  std::atomic<uint32_t> bits{0u};
};

}  // namespace panner
